#include "onlinecopy.h"

#include "sqlitefile.h"

#include "store/database.h"
#include "store/integritycheck.h"
#include "store/storeerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QLockFile>
#include <QStorageInfo>

namespace ktv {

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// SQLite's primary result codes that say which side of a copy failed.
constexpr int kSqliteIoError = 10;
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteFull = 13;
constexpr int kSqliteCantOpen = 14;
constexpr int kSqliteNotADatabase = 26;

QString lockPathOf(const QString &partPath)
{
    return partPath + QStringLiteral(".lock");
}

// Nothing while another running program holds it (heldElsewhere is then set) or the lock cannot be written.
std::shared_ptr<QLockFile> holdWriting(const QString &partPath, bool *heldElsewhere = nullptr)
{
    auto lock = std::make_shared<QLockFile>(lockPathOf(partPath));
    lock->setStaleLockTime(0); // only a lock whose process is gone is taken over, whatever its age
    if (lock->tryLock(0))
        return lock;
    if (heldElsewhere)
        *heldElsewhere = lock->error() == QLockFile::LockFailedError;
    return nullptr;
}

QString freeSpaceOf(const QString &path)
{
    const QStorageInfo volume(QFileInfo(path).absolutePath());
    return QLocale().formattedDataSize(volume.bytesAvailable(), 1, QLocale::DataSizeSIFormat);
}

// The copy, made through a connection of its own so that it can run beside the program's. A failure is told
// as the backup file's when it was the writing that failed, as the database's when it was the reading.
void copyInto(const QString &dataFolder, const QString &partPath)
{
    const QString database = Database::fileNameIn(dataFolder);
    SqliteFile source(database);
    // The copy is synced to disk as the source's own writes are.
    source.rows(QStringLiteral("PRAGMA synchronous=FULL"));
    try {
        source.rows(QStringLiteral("VACUUM INTO ?"), {QFileInfo(partPath).absoluteFilePath()});
    } catch (const StoreError &e) {
        switch (source.lastErrorCode()) {
        case kSqliteFull:
            throw StoreError(
                QStringLiteral("无法写入备份文件 %1：磁盘空间不足（所在磁盘只剩 %2）。数据库本身未受影响。")
                    .arg(shown(partPath), freeSpaceOf(partPath)));
        case kSqliteIoError:
        case kSqliteCantOpen:
            throw StoreError(
                QStringLiteral("无法写入备份文件 %1（磁盘出错或无法写入）。数据库本身未受影响。").arg(shown(partPath)));
        case kSqliteCorrupt:
        case kSqliteNotADatabase:
            throw StoreError(damagedFileMessage(database, e.message()));
        default:
            throw;
        }
    }
}

} // namespace

void takePermissionsOfDatabase(const QString &dataFolder, const QString &path)
{
    const QString database = Database::fileNameIn(dataFolder);
    if (QFileInfo::exists(database))
        QFile::setPermissions(path, QFileInfo(database).permissions());
}

CopyTarget reserveBackup(const QString &dataFolder, BackupKind kind, const QDateTime &moment)
{
    const QDir folder(backupFolderOf(dataFolder));
    if (!QDir().mkpath(folder.path()))
        throw StoreError(QStringLiteral("无法创建备份文件夹：%1").arg(shown(folder.path())));
    removeAbandonedParts(dataFolder);
    for (int number = 0; number < 100; ++number) {
        CopyTarget target;
        target.finalPath = folder.filePath(backupFileName(kind, moment, number));
        target.partPath = target.finalPath + QStringLiteral(".part");
        target.moment = moment;
        if (QFileInfo::exists(target.finalPath))
            continue;
        // The lock first, then the part: a part without a held lock beside it is a killed program's.
        bool heldElsewhere = false;
        target.writing = holdWriting(target.partPath, &heldElsewhere);
        if (!target.writing) {
            if (heldElsewhere)
                continue; // another backup of the same second is writing this number
            throw StoreError(QStringLiteral("无法在备份文件夹中写入文件 %1").arg(shown(lockPathOf(target.partPath))));
        }
        // The number is ours: a part already there was left by a program that was killed, and is written over.
        QFile part(target.partPath);
        if (!part.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw StoreError(
                QStringLiteral("无法在备份文件夹中写入文件 %1：%2").arg(shown(target.partPath), part.errorString()));
        part.close();
        // Before any data is in it: the copy is never readable by more people than the database.
        takePermissionsOfDatabase(dataFolder, target.partPath);
        return target;
    }
    throw StoreError(QStringLiteral("备份文件夹 %1 中同一时刻的备份太多").arg(shown(folder.path())));
}

QString writeCopy(const CopyTarget &target, const std::function<void(const QString &partPath)> &copy,
                  const QString &of)
{
    try {
        copy(target.partPath);
        const QStringList problems = integrityProblems(target.partPath);
        if (!problems.isEmpty())
            throw StoreError(QStringLiteral("备份文件 %1 未通过完整性检查，%2 可能已损坏：\n%3")
                                 .arg(shown(target.partPath), of, problemList(problems)));
        // Backups are ordered and aged by this time: the moment the copy is of, on the program's clock.
        QFile part(target.partPath);
        if (target.moment.isValid() && part.open(QIODevice::ReadWrite)) {
            part.setFileTime(target.moment, QFileDevice::FileModificationTime);
            part.close();
        }
        if (!QFile::rename(target.partPath, target.finalPath))
            throw StoreError(
                QStringLiteral("无法把备份文件 %1 改名为 %2").arg(shown(target.partPath), shown(target.finalPath)));
    } catch (const StoreError &e) {
        QFile::remove(target.partPath);
        throw StoreError(QStringLiteral("备份失败：%1").arg(e.message()));
    }
    return target.finalPath;
}

QString writeBackup(const QString &dataFolder, const CopyTarget &target)
{
    return writeCopy(
        target, [&dataFolder](const QString &partPath) { copyInto(dataFolder, partPath); },
        QStringLiteral("数据库文件 %1").arg(shown(Database::fileNameIn(dataFolder))));
}

CopyTarget reserveCopy(const QString &file)
{
    if (QFileInfo::exists(file))
        throw StoreError(QStringLiteral("文件已存在，不会覆盖：%1").arg(shown(file)));
    CopyTarget target;
    target.finalPath = QFileInfo(file).absoluteFilePath();
    target.partPath = target.finalPath + QStringLiteral(".part");
    bool heldElsewhere = false;
    target.writing = holdWriting(target.partPath, &heldElsewhere);
    if (!target.writing)
        throw StoreError(heldElsewhere ? QStringLiteral("另一个程序正在写入文件 %1").arg(shown(target.partPath))
                                       : QStringLiteral("无法在文件夹中写入文件 %1").arg(shown(lockPathOf(target.partPath))));
    QFile part(target.partPath);
    if (!part.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw StoreError(QStringLiteral("无法写入文件 %1：%2").arg(shown(target.partPath), part.errorString()));
    return target;
}

QString takeBackup(const QString &dataFolder, BackupKind kind, const QDateTime &moment)
{
    return writeBackup(dataFolder, reserveBackup(dataFolder, kind, moment));
}

QStringList removeAbandonedParts(const QString &dataFolder)
{
    QStringList removed;
    const QDir folder(backupFolderOf(dataFolder));
    const QStringList parts = folder.entryList({QStringLiteral("*.part"), QStringLiteral("*.part.lock")}, QDir::Files);
    for (const QString &name : parts) {
        const QString part = folder.filePath(name.endsWith(QLatin1String(".lock")) ? name.chopped(5) : name);
        // Held: a backup under way, here or in another program. Taken: its writer is gone.
        const std::shared_ptr<QLockFile> lock = holdWriting(part);
        if (lock && QFile::remove(part))
            removed << part;
    }
    return removed;
}

} // namespace ktv
