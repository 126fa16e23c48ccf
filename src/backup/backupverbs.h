#pragma once

#include <QString>

class QTextStream;

namespace ktv {

class Clock;

// ktv --data-dir DIR --backup: a consistent copy of the venue database as DIR/backups/ktv-YYYYMMDD-HHMMSS.db,
// taken while the program may be writing. Prints the backup's path; returns the process's exit code.
int backupVerb(const QString &dataFolder, const Clock &clock, QTextStream &out, QTextStream &err);

// ktv --data-dir DIR --restore FILE: refuses, leaving DIR as it was, a file that is not a whole venue database
// of a known version, and a folder a running program holds; otherwise keeps the current database as a
// before-restore backup and puts the file's data in place. Returns the process's exit code.
int restoreVerb(const QString &dataFolder, const QString &file, const Clock &clock, QTextStream &out, QTextStream &err);

} // namespace ktv
