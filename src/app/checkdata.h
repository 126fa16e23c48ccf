#pragma once

#include <QString>

class QTextStream;

namespace ktv {

// ktv --check: the refusals of a start, what a restore would refuse or mend in the schema (objects the program
// does not make, missing indexes), then every page, record and index of the database in folder.
// Writes "ok" and returns 0, or writes what is damaged (or why the folder cannot be used) and returns 1.
int checkVenueData(const QString &folder, QTextStream &out);

} // namespace ktv
