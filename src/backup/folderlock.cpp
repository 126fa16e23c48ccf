#include "folderlock.h"

#include "store/storeerror.h"

#include <QDir>

namespace ktv {

FolderLock::FolderLock(const QString &path) : m_lock(path)
{
    // Never stale by age: a program may run for weeks. A lock whose process is gone is still taken over.
    m_lock.setStaleLockTime(0);
}

QString FolderLock::fileNameIn(const QString &dataFolder)
{
    return QDir(dataFolder).filePath(QStringLiteral("ktv.lock"));
}

std::unique_ptr<FolderLock> FolderLock::tryHold(const QString &dataFolder)
{
    std::unique_ptr<FolderLock> lock(new FolderLock(fileNameIn(dataFolder)));
    if (lock->m_lock.tryLock(0))
        return lock;
    if (lock->m_lock.error() == QLockFile::LockFailedError)
        return nullptr;
    throw StoreError(QStringLiteral("无法在数据文件夹 %1 中写入锁文件").arg(QDir::toNativeSeparators(dataFolder)));
}

} // namespace ktv
