#pragma once

#include "backupfolder.h"

namespace ktv {

// A backup being written: the temporary file reserved for it in the backups folder, and the name it takes
// once it is whole.
struct CopyTarget
{
    QString partPath;
    QString finalPath;
};

// Reserves a file for a backup of the kind taken at the moment (the backups folder is made if missing).
// Throws StoreError when the folder cannot be made or written.
CopyTarget reserveBackup(const QString &dataFolder, BackupKind kind, const QDateTime &moment);

// Writes a consistent copy of the data folder's database into the reserved file while the program or other
// programs go on writing (SQLite's VACUUM INTO reads one committed moment), checks it with integrity_check
// and only then gives it its name. Returns that path. On failure the reserved file is removed, no file
// carries a backup's name, and StoreError says what failed.
QString writeBackup(const QString &dataFolder, const CopyTarget &target);

// reserveBackup, then writeBackup.
QString takeBackup(const QString &dataFolder, BackupKind kind, const QDateTime &moment);

} // namespace ktv
