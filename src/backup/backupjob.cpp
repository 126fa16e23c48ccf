#include "backupjob.h"

#include "store/database.h"
#include "store/storeerror.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>

namespace ktv {

BackupJob::BackupJob(const QString &dataFolder, BackupKind kind, const QDateTime &moment, QObject *parent)
    : QObject(parent), m_dataFolder(dataFolder), m_kind(kind), m_target(reserveBackup(dataFolder, kind, moment)),
      m_expectedSize(QFileInfo(Database::fileNameIn(dataFolder)).size())
{}

BackupJob::~BackupJob()
{
    if (m_thread)
        m_thread->wait();
    else
        QFile::remove(m_target.partPath); // reserved, never started
}

void BackupJob::start()
{
    m_thread.reset(QThread::create([this] {
        try {
            m_path = writeBackup(m_dataFolder, m_target);
            if (m_kind == BackupKind::Automatic)
                pruneAutomaticBackups(m_dataFolder, m_path);
        } catch (const StoreError &e) {
            m_error = e.message();
        }
    }));
    connect(m_thread.get(), &QThread::finished, this, [this] {
        m_finished = true;
        emit finished();
    });
    m_thread->start();
}

int BackupJob::percentDone() const
{
    if (m_finished)
        return 100;
    if (m_expectedSize <= 0)
        return 0;
    return int(std::min<qint64>(99, QFileInfo(m_target.partPath).size() * 100 / m_expectedSize));
}

} // namespace ktv
