#pragma once

#include <QString>

namespace ktv::bench {

// The program's own start and the maintenance window's clearing, each measured in a child process of its own
// with the real windows on the offscreen platform.

// Child modes: "--start DIR" starts the program on DIR once; "--clear DIR" clears the visits and order lines
// of a copy of DIR. They print "key value" lines for the parent. Returns the exit code, or -1 when argv
// asks for neither.
int runChildMode(int argc, char *argv[]);

// The parent: starts on the small and the large venue (warm, and cold where the page cache can be dropped),
// clears the clearing venue, and prints the figures with their targets. Returns false when a target is missed.
bool measureStartAndClear(const QString &smallFolder, const QString &largeFolder, const QString &clearFolder,
                          int repeat);

} // namespace ktv::bench
