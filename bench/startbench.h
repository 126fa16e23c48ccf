#pragma once

#include <QList>
#include <QPair>
#include <QString>

namespace ktv::bench {

// The program's own start and the maintenance window's clearing, each measured in a child process of its own
// with the real windows on the offscreen platform.

// Child modes: "--start DIR" starts the program on DIR (or a database address) once; "--clear DIR" clears the
// visits and order lines of a copy of DIR; "--steps DIR" counts the statements of each check-out step. They print "key value" lines for the parent. Returns the exit code, or -1 when argv
// asks for neither.
int runChildMode(int argc, char *argv[]);

// The parent: starts on the small and the large venue (warm, and cold where the page cache can be dropped),
// clears the clearing venue, and prints the figures with their targets. Returns false when a target is missed.
bool measureStartAndClear(const QString &smallFolder, const QString &largeFolder, const QString &clearFolder,
                          int repeat);

// The program's start on the server's venues of 1k and 1M visits (database addresses), warm; false when the
// large start costs more than twice the small one.
bool measureServerStart(const QString &smallUrl, const QString &largeUrl, int repeat);

// The statements each check-out step sends, on each venue (a name and its folder or database address);
// false when a step sends more than 20.
bool measureStepStatements(const QList<QPair<QString, QString>> &venues);

} // namespace ktv::bench
