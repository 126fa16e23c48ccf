#include "backupverbs.h"

#include "folderlock.h"
#include "onlinecopy.h"
#include "restore.h"

#include "store/clock.h"
#include "store/storeerror.h"

#include <QDir>
#include <QTextStream>

namespace ktv {

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

int backupVerb(const QString &dataFolder, const Clock &clock, QTextStream &out, QTextStream &err)
{
    try {
        out << shown(takeBackup(dataFolder, BackupKind::Manual, clock.now())) << Qt::endl;
        return 0;
    } catch (const StoreError &e) {
        err << "ktv: " << e.message() << Qt::endl;
        return 1;
    }
}

int restoreVerb(const QString &dataFolder, const QString &file, const Clock &clock, QTextStream &out, QTextStream &err)
{
    try {
        // The file is checked before the folder is looked at: a refusal leaves the folder as it was.
        const std::unique_ptr<StagedRestore> staged = StagedRestore::stage(file);
        std::unique_ptr<FolderLock> lock;
        if (QDir(dataFolder).exists()) {
            lock = FolderLock::tryHold(dataFolder);
            if (!lock)
                throw StoreError(
                    QStringLiteral("程序正在使用数据文件夹 %1，请先退出程序再恢复").arg(shown(dataFolder)));
        }
        const RestoreResult result = putInPlace(dataFolder, *staged, clock.now());
        out << "ktv: restored " << shown(file) << " as " << shown(result.database) << Qt::endl;
        if (!result.kept.isEmpty())
            out << "ktv: the database it replaced is kept as " << shown(result.kept) << Qt::endl;
        return 0;
    } catch (const StoreError &e) {
        err << "ktv: " << e.message() << Qt::endl;
        return 1;
    }
}

} // namespace ktv
