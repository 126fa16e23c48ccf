#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

namespace ktv {

// The running program's hold on its data folder: a lock file, DIR/ktv.lock, held from start to end. A
// restore refuses to replace the database while another process holds it. Qt keeps the file locked on
// every platform and takes over a lock left by a process that has died, so a crash never blocks a restore.
class FolderLock
{
public:
    // The folder's lock, or nothing while another running process holds it. Throws StoreError when the lock
    // file cannot be written at all.
    static std::unique_ptr<FolderLock> tryHold(const QString &dataFolder);

    static QString fileNameIn(const QString &dataFolder);

private:
    explicit FolderLock(const QString &path);
    QLockFile m_lock;
};

} // namespace ktv
