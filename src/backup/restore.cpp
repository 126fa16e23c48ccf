#include "restore.h"

#include "onlinecopy.h"
#include "sqlitefile.h"

#include "store/database.h"
#include "store/storeerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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
        if (chunk.isEmpty() || out.write(chunk) != chunk.size()) {
            out.cancelWriting();
            throw StoreError(QStringLiteral("复制文件 %1 失败").arg(shown(from)));
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
    const CopyTarget target = reserveBackup(dataFolder, BackupKind::BeforeRestore, moment);
    try {
        return {writeBackup(dataFolder, target), false};
    } catch (const StoreError &) {
    }
    const QString database = Database::fileNameIn(dataFolder);
    const CopyTarget raw = reserveBackup(dataFolder, BackupKind::BeforeRestore, moment);
    try {
        if (QFileInfo::exists(database + journalSuffixes()[0]))
            copySynced(database + journalSuffixes()[0], raw.finalPath + journalSuffixes()[0]);
        copySynced(database, raw.finalPath);
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
void settle(const QString &database)
{
    bool busy = false;
    {
        SqliteFile file(database);
        busy = file.rows(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")).value(0) != QLatin1String("0");
    }
    if (busy || QFileInfo::exists(database + journalSuffixes()[0]))
        throw StoreError(QStringLiteral("数据库正被其他程序使用，未做恢复"));
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

QString StagedRestore::copyPath() const
{
    return Database::fileNameIn(m_dir.path());
}

std::unique_ptr<StagedRestore> StagedRestore::stage(const QString &file)
{
    std::unique_ptr<StagedRestore> staged(new StagedRestore(file));
    if (!QFileInfo(file).isFile())
        throw StoreError(QStringLiteral("找不到要恢复的文件：%1").arg(shown(file)));
    if (!staged->m_dir.isValid())
        throw StoreError(QStringLiteral("无法创建临时文件夹：%1").arg(staged->m_dir.errorString()));
    const QString copy = staged->copyPath();
    // A database kept as it lay on disk has its WAL beside it; opening the copy folds the WAL in.
    for (const QString &suffix : {QString(), journalSuffixes()[0]}) {
        if (suffix.isEmpty() || QFileInfo::exists(file + suffix)) {
            if (!QFile::copy(file + suffix, copy + suffix))
                throw StoreError(QStringLiteral("无法读取要恢复的文件：%1").arg(shown(file + suffix)));
            QFile::setPermissions(copy + suffix, QFile::ReadOwner | QFile::WriteOwner);
        }
    }
    try {
        Database::open(staged->m_dir.path()); // a venue database of a known version, with all its tables
        const QStringList problems = integrityProblems(copy);
        if (!problems.isEmpty())
            throw StoreError(
                QStringLiteral("数据库文件 %1 已损坏：%2").arg(shown(copy), problems.join(QLatin1String("; "))));
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
    if (QFileInfo::exists(result.database)) {
        const Kept kept = keepCurrent(dataFolder, moment);
        result.kept = kept.path;
        if (!kept.raw)
            settle(result.database);
    }
    // Until the rename the old database is whole on its own (its WAL is empty, or kept with the raw copy);
    // after it, the restored one is.
    removeJournal(result.database);
    copySynced(staged.copyPath(), result.database);
    return result;
}

} // namespace ktv
