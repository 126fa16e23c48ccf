#include "restore.h"

#include "onlinecopy.h"
#include "schemacheck.h"
#include "sqlitefile.h"

#include "store/database.h"
#include "store/integritycheck.h"
#include "store/storeerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStorageInfo>

namespace ktv {

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

const QStringList &journalSuffixes()
{
    static const QStringList suffixes{QStringLiteral("-wal"), QStringLiteral("-shm")};
    return suffixes;
}

// The staged copies live in folders of this name in the system's temporary folder.
const QString kStagingPrefix = QStringLiteral("ktv-restore-");
const QString kStagingLock = QStringLiteral("staging.lock");

QString sizeText(qint64 bytes)
{
    return QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

qint64 sizeWithLog(const QString &database)
{
    return QFileInfo(database).size() + QFileInfo(database + journalSuffixes()[0]).size();
}

// Writes the file beside the target, syncs it to disk and renames it over the target in one step.
void copySynced(const QString &from, const QString &to)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        throw StoreError(QStringLiteral("无法读取文件 %1：%2").arg(shown(from), in.errorString()));
    QSaveFile out(to);
    if (!out.open(QIODevice::WriteOnly))
        throw StoreError(QStringLiteral("无法写入文件 %1：%2").arg(shown(to), out.errorString()));
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(1 << 20);
        if (chunk.isEmpty())
            throw StoreError(QStringLiteral("无法读取文件 %1：%2").arg(shown(from), in.errorString()));
        if (out.write(chunk) != chunk.size()) {
            const QString why = out.errorString();
            out.cancelWriting();
            throw StoreError(
                QStringLiteral("无法写入文件 %1：%2（所在磁盘剩余 %3）")
                    .arg(shown(to), why, sizeText(QStorageInfo(QFileInfo(to).absolutePath()).bytesAvailable())));
        }
    }
    if (!out.commit())
        throw StoreError(QStringLiteral("无法写入文件 %1：%2").arg(shown(to), out.errorString()));
}

struct Kept
{
    QString path;
    bool raw = false; // the files as they lay, with their WAL: the database could not be read as a whole
};

// The database being replaced, kept as a before-restore backup. A damaged database, which VACUUM INTO
// cannot read, is kept as it lies on disk, its WAL beside it under the backup's name.
Kept keepCurrent(const QString &dataFolder, const QDateTime &moment)
{
    {
        const CopyTarget target = reserveBackup(dataFolder, BackupKind::BeforeRestore, moment);
        try {
            return {writeBackup(dataFolder, target), false};
        } catch (const StoreError &) {
        }
    } // its name is free again for the raw copy

    const QString database = Database::fileNameIn(dataFolder);
    const CopyTarget raw = reserveBackup(dataFolder, BackupKind::BeforeRestore, moment);
    try {
        if (QFileInfo::exists(database + journalSuffixes()[0]))
            copySynced(database + journalSuffixes()[0], raw.finalPath + journalSuffixes()[0]);
        copySynced(database, raw.finalPath);
        takePermissionsOfDatabase(dataFolder, raw.finalPath);
        takePermissionsOfDatabase(dataFolder, raw.finalPath + journalSuffixes()[0]);
    } catch (const StoreError &e) {
        QFile::remove(raw.finalPath + journalSuffixes()[0]);
        QFile::remove(raw.partPath);
        throw StoreError(QStringLiteral("无法保存当前的数据库，未做恢复：%1").arg(e.message()));
    }
    QFile::remove(raw.partPath);
    return {raw.finalPath, true};
}

// Moves everything the WAL holds into the database file, so that no old page can be replayed onto the
// restored file. Closing the last connection to a database removes its WAL: when the WAL stays, another
// program (a client PC's, say) has the database open, and a file replaced under it would lose its writes.
// A database that cannot be read this way (a damaged one) is left to be kept as it lies.
void settle(const QString &database)
{
    constexpr int kSqliteBusy = 5;
    constexpr int kSqliteLocked = 6;
    bool busy = false;
    try {
        SqliteFile file(database);
        try {
            busy = file.rows(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")).value(0) != QLatin1String("0");
        } catch (const StoreError &) {
            if (file.lastErrorCode() != kSqliteBusy && file.lastErrorCode() != kSqliteLocked)
                return;
            busy = true;
        }
    } catch (const StoreError &) {
        return;
    }
    if (busy || QFileInfo::exists(database + journalSuffixes()[0]))
        throw StoreError(QStringLiteral("数据库正被其他程序使用，未做恢复"));
}

// Room for the before-restore backup and the restored file beside the database, before either is written.
void checkSpace(const QString &dataFolder, const QString &database, const StagedRestore &staged)
{
    const qint64 needed = sizeWithLog(database) + QFileInfo(staged.copyPath()).size();
    const QStorageInfo volume(dataFolder);
    if (volume.isValid() && volume.bytesAvailable() >= 0 && volume.bytesAvailable() < needed)
        throw StoreError(
            QStringLiteral("数据文件夹 %1 所在的磁盘空间不足：恢复需要约 %2（恢复前的备份和恢复的数据库），"
                           "只剩 %3。未做恢复")
                .arg(shown(dataFolder), sizeText(needed), sizeText(volume.bytesAvailable())));
}

void removeJournal(const QString &database)
{
    for (const QString &suffix : journalSuffixes()) {
        QFile file(database + suffix);
        if (file.exists() && !file.remove())
            throw StoreError(QStringLiteral("无法删除文件 %1：%2").arg(shown(file.fileName()), file.errorString()));
    }
}

} // namespace

StagedRestore::StagedRestore(const QString &source)
    : m_source(source), m_dir(QDir(QDir::tempPath()).filePath(kStagingPrefix + QStringLiteral("XXXXXX"))),
      m_lock(QDir(m_dir.path()).filePath(kStagingLock))
{
    m_lock.setStaleLockTime(0);
    if (m_dir.isValid())
        m_lock.tryLock(0);
}

QString StagedRestore::copyPath() const
{
    return Database::fileNameIn(m_dir.path());
}

std::unique_ptr<StagedRestore> StagedRestore::stage(const QString &file)
{
    if (!QFileInfo(file).isFile())
        throw StoreError(QStringLiteral("找不到要恢复的文件：%1").arg(shown(file)));
    std::unique_ptr<StagedRestore> staged(new StagedRestore(file));
    if (!staged->m_dir.isValid())
        throw StoreError(QStringLiteral("无法在临时文件夹 %1 中创建文件夹：%2")
                             .arg(shown(QDir::tempPath()), staged->m_dir.errorString()));
    const QString copy = staged->copyPath();
    // A database kept as it lay on disk has its WAL beside it; opening the copy folds the WAL in.
    for (const QString &suffix : {QString(), journalSuffixes()[0]}) {
        if (suffix.isEmpty() || QFileInfo::exists(file + suffix))
            copySynced(file + suffix, copy + suffix);
    }
    try {
        Database::open(staged->m_dir.path()); // a venue database of a known version, with all its tables
        const SchemaFindings schema = compareSchema(copy);
        if (!schema.foreign.isEmpty())
            throw StoreError(foreignObjectsMessage(copy, schema));
        makeIndexes(copy, schema.missingIndexes);
        const QStringList problems = integrityProblems(copy);
        if (!problems.isEmpty())
            throw StoreError(QStringLiteral("数据库文件 %1 已损坏：\n%2").arg(shown(copy), problemList(problems)));
    } catch (const StoreError &e) {
        QString why = e.message();
        why.replace(shown(copy), shown(file));
        throw StoreError(QStringLiteral("不能从该文件恢复：%1").arg(why));
    }
    return staged;
}

RestoreResult putInPlace(const QString &dataFolder, const StagedRestore &staged, const QDateTime &moment)
{
    RestoreResult result;
    result.database = Database::fileNameIn(dataFolder);
    if (!QDir().mkpath(dataFolder))
        throw StoreError(QStringLiteral("无法创建数据文件夹：%1").arg(shown(dataFolder)));
    removeAbandonedRestoreFiles(dataFolder);
    checkSpace(dataFolder, result.database, staged);
    if (QFileInfo::exists(result.database)) {
        settle(result.database); // nothing is kept for a restore another program stops
        const Kept kept = keepCurrent(dataFolder, moment);
        result.kept = kept.path;
        if (!kept.raw) {
            try {
                settle(result.database); // a program that opened it meanwhile
            } catch (const StoreError &) {
                QFile::remove(kept.path);
                throw;
            }
        }
    }
    // Until the rename the old database is whole on its own (its WAL is empty, or kept with the raw copy);
    // after it, the restored one is.
    const QFile::Permissions permissions =
        QFileInfo::exists(result.database) ? QFileInfo(result.database).permissions() : QFile::Permissions();
    removeJournal(result.database);
    copySynced(staged.copyPath(), result.database);
    if (permissions)
        QFile::setPermissions(result.database, permissions);
    return result;
}

QStringList removeAbandonedRestoreFiles(const QString &dataFolder)
{
    QStringList removed;
    const QDir temp(QDir::tempPath());
    for (const QString &name : temp.entryList({kStagingPrefix + QLatin1Char('*')}, QDir::Dirs | QDir::NoDotAndDotDot)) {
        QDir staging(temp.filePath(name));
        QLockFile lock(staging.filePath(kStagingLock));
        lock.setStaleLockTime(0);
        if (!lock.tryLock(0))
            continue; // a restore under way, in this program or another
        for (const QString &file : staging.entryList(QDir::Files | QDir::Hidden)) {
            if (file != kStagingLock)
                QFile::remove(staging.filePath(file));
        }
        lock.unlock();
        if (QDir().rmdir(staging.path()))
            removed << staging.path();
    }
    // A restore's own unfinished files beside the database and its kept copy: written while the folder's lock
    // was held, so none is being written now.
    static const QRegularExpression unfinished(
        QStringLiteral("^(ktv\\.db|before-restore-.*\\.db(-wal)?)\\.[A-Za-z0-9]{6}$"));
    for (const QString &folder : {dataFolder, backupFolderOf(dataFolder)}) {
        const QDir dir(folder);
        for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden)) {
            if (unfinished.match(name).hasMatch() && QFile::remove(dir.filePath(name)))
                removed << dir.filePath(name);
        }
    }
    return removed;
}

} // namespace ktv
