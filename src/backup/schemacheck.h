#pragma once

#include <QStringList>

namespace ktv {

// A venue database's schema against the one this program makes: the tables and indexes a new database gets,
// and the indexes the program makes later when a file lacks them (the members' tidying, the reports').
struct SchemaFindings
{
    // What the program never makes, one item each ("触发器 name"): triggers, views, tables, indexes. A file
    // with any of them was changed by something else, and a trigger can change data behind the program.
    QStringList foreign;
    // The program's indexes the file lacks, or holds in another form.
    QStringList missingIndexes;
    // Of those, the ones a new database has from the start (the others are made when first needed).
    QStringList missingFromStart;
};

// Reads the file's schema. Throws StoreError when the file cannot be read.
SchemaFindings compareSchema(const QString &fileName);

// The refusal for the foreign objects, naming the file; empty when there are none.
QString foreignObjectsMessage(const QString &fileName, const SchemaFindings &findings);

// The names of every index the program makes, at the start or when first needed.
QStringList programIndexes();

// Makes the named indexes in the file as the program makes them, replacing one of the same name.
void makeIndexes(const QString &fileName, const QStringList &names);

} // namespace ktv
