#pragma once

#include "backupfolder.h"
#include "onlinecopy.h"

#include <QObject>

#include <memory>

class QThread;

namespace ktv {

// One backup written on a thread of its own, so that the program goes on while the copy is made. An
// automatic backup prunes the older automatic ones once it is whole.
class BackupJob : public QObject
{
    Q_OBJECT
public:
    // Reserves the backup's file at once and throws StoreError when it cannot; start() starts the copy.
    BackupJob(const QString &dataFolder, BackupKind kind, const QDateTime &moment, QObject *parent = nullptr);
    ~BackupJob() override; // waits for a copy under way: a half-written backup is never left behind

    void start();
    bool isFinished() const { return m_finished; }
    // How far the copy has come, from the size written so far against the database's; 100 when finished.
    int percentDone() const;
    QString path() const { return m_path; }   // the backup, when finished without error
    QString error() const { return m_error; } // what failed, when finished with an error

signals:
    void finished();

private:
    QString m_dataFolder;
    BackupKind m_kind;
    CopyTarget m_target;
    qint64 m_expectedSize = 0;
    std::unique_ptr<QThread> m_thread;
    bool m_finished = false;
    QString m_path;
    QString m_error;
};

} // namespace ktv
