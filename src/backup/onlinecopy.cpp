#include "onlinecopy.h"

#include "sqlitefile.h"

#include "store/database.h"
#include "store/storeerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace ktv {

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// The copy, made through a connection of its own so that it can run beside the program's.
void copyInto(const QString &dataFolder, const QString &partPath)
{
    SqliteFile source(Database::fileNameIn(dataFolder));
    // The copy is synced to disk as the source's own writes are.
    source.rows(QStringLiteral("PRAGMA synchronous=FULL"));
    source.rows(QStringLiteral("VACUUM INTO ?"), {QFileInfo(partPath).absoluteFilePath()});
}

} // namespace

CopyTarget reserveBackup(const QString &dataFolder, BackupKind kind, const QDateTime &moment)
{
    const QDir folder(backupFolderOf(dataFolder));
    if (!QDir().mkpath(folder.path()))
        throw StoreError(QStringLiteral("无法创建备份文件夹：%1").arg(shown(folder.path())));
    for (int number = 0; number < 100; ++number) {
        CopyTarget target;
        target.finalPath = folder.filePath(backupFileName(kind, moment, number));
        target.partPath = target.finalPath + QStringLiteral(".part");
        if (QFileInfo::exists(target.finalPath))
            continue;
        // Created only if absent: a second backup started in the same second takes the next number.
        QFile part(target.partPath);
        if (part.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return target;
        // Another backup of the same second holds this number (or has just renamed or dropped its part).
        if (part.exists() || QFileInfo::exists(target.finalPath))
            continue;
        if (part.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return target;
        if (!part.exists() && !QFileInfo::exists(target.finalPath))
            throw StoreError(
                QStringLiteral("无法在备份文件夹中写入文件 %1：%2").arg(shown(target.partPath), part.errorString()));
    }
    throw StoreError(QStringLiteral("备份文件夹 %1 中同一时刻的备份太多").arg(shown(folder.path())));
}

QString writeBackup(const QString &dataFolder, const CopyTarget &target)
{
    try {
        copyInto(dataFolder, target.partPath);
        const QStringList problems = integrityProblems(target.partPath);
        if (!problems.isEmpty())
            throw StoreError(QStringLiteral("备份的副本未通过完整性检查：%1").arg(problems.join(QLatin1String("; "))));
        if (!QFile::rename(target.partPath, target.finalPath))
            throw StoreError(QStringLiteral("无法把备份命名为 %1").arg(shown(target.finalPath)));
    } catch (const StoreError &e) {
        QFile::remove(target.partPath);
        throw StoreError(QStringLiteral("备份失败：%1").arg(e.message()));
    }
    return target.finalPath;
}

QString takeBackup(const QString &dataFolder, BackupKind kind, const QDateTime &moment)
{
    return writeBackup(dataFolder, reserveBackup(dataFolder, kind, moment));
}

} // namespace ktv
