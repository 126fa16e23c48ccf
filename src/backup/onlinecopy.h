#pragma once

#include "backupfolder.h"

#include <functional>
#include <memory>

class QLockFile;

namespace ktv {

// A backup being written: the temporary file reserved for it in the backups folder, the name it takes once
// it is whole, and the moment it is of. While the target lives, a lock file beside the part tells other
// programs that the part is being written, not left over by a program that was killed.
struct CopyTarget
{
    QString partPath;
    QString finalPath;
    QDateTime moment;
    std::shared_ptr<QLockFile> writing;
};

// Reserves a file for a backup of the kind taken at the moment (the backups folder is made if missing),
// with the database file's permissions. Throws StoreError when the folder cannot be made or written.
CopyTarget reserveBackup(const QString &dataFolder, BackupKind kind, const QDateTime &moment);

// Writes a consistent copy of the data folder's database into the reserved file while the program or other
// programs go on writing (SQLite's VACUUM INTO reads one committed moment), checks it with integrity_check
// and only then gives it its name and the moment as its modification time. Returns that path. On failure
// the reserved file is removed, no file carries a backup's name, and StoreError says which file failed and
// why.
QString writeBackup(const QString &dataFolder, const CopyTarget &target);

// The same for any copy: `copy` writes the reserved part file, which is then checked, given its moment and
// renamed; `of` names what it is a copy of in a failed check's message. A file that is not whole never carries
// the final name.
QString writeCopy(const CopyTarget &target, const std::function<void(const QString &partPath)> &copy,
                  const QString &of);

// Reserves FILE.part beside a file that is not there yet, for a copy to that file. Refuses a file that exists.
CopyTarget reserveCopy(const QString &file);

// reserveBackup, then writeBackup.
QString takeBackup(const QString &dataFolder, BackupKind kind, const QDateTime &moment);

// Removes what killed backups left in the backups folder: parts no running program is writing. Returns the
// paths removed.
QStringList removeAbandonedParts(const QString &dataFolder);

// Gives a file the permissions of the data folder's database, so that a copy is no more readable than it.
void takePermissionsOfDatabase(const QString &dataFolder, const QString &path);

} // namespace ktv
