#include "automaticbackup.h"

#include "backupfolder.h"
#include "backupjob.h"
#include "enginecopy.h"
#include "onlinecopy.h"

#include "store/database.h"
#include "store/storeerror.h"
#include "widgets/platform.h"

#include <QApplication>
#include <QDir>
#include <QScopeGuard>
#include <QEventLoop>
#include <QFileInfo>
#include <QProgressDialog>
#include <QTimer>

namespace ktv {

std::unique_ptr<BackupJob> startDailyBackup(const QString &dataFolder, const Platform &platform)
{
    const QDateTime now = platform.clock.now();
    if (hasRecentBackup(dataFolder, now))
        return nullptr;
    std::unique_ptr<BackupJob> job;
    try {
        job = std::make_unique<BackupJob>(dataFolder, BackupKind::Automatic, now);
    } catch (const StoreError &e) {
        platform.dialogs.showError(QStringLiteral("自动备份失败：%1").arg(e.message()));
        return nullptr;
    }
    Dialogs &dialogs = platform.dialogs;
    BackupJob *started = job.get();
    QObject::connect(started, &BackupJob::finished, started, [started, &dialogs] {
        if (!started->error().isEmpty())
            dialogs.showError(QStringLiteral("自动%1").arg(started->error()));
    });
    job->start();
    return job;
}

QString waitWithProgress(BackupJob &job, QWidget *parent)
{
    QProgressDialog progress(QStringLiteral("正在备份数据库，请稍候……"), QString(), 0, 100, parent);
    progress.setObjectName(QStringLiteral("ProgressBackup"));
    progress.setWindowTitle(QStringLiteral("备份"));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setWindowFlag(Qt::WindowCloseButtonHint, false);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);

    QEventLoop loop;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &progress, [&] { progress.setValue(job.percentDone()); });
    QObject::connect(&job, &BackupJob::finished, &loop, &QEventLoop::quit);
    if (!job.isFinished()) {
        progress.show();
        tick.start(200);
        loop.exec();
    }
    if (!job.error().isEmpty())
        throw StoreError(job.error());
    return job.path();
}

namespace {

// A checked automatic backup in the foreground; throws StoreError naming what failed and what was not done.
QString checkedBackup(const QString &dataFolder, const Platform &platform, QWidget *parent, const QString &notDone)
{
    try {
        BackupJob job(dataFolder, BackupKind::Automatic, platform.clock.now());
        job.start();
        const QString path = waitWithProgress(job, parent);
        // A path means the copy passed its check; it must still be there once the older ones are pruned.
        if (path.isEmpty() || !QFileInfo(path).isFile())
            throw StoreError(QStringLiteral("备份文件 %1 不见了").arg(QDir::toNativeSeparators(path)));
        return path;
    } catch (const StoreError &e) {
        throw StoreError(QStringLiteral("%1\n%2").arg(e.message(), notDone));
    }
}

} // namespace

QString snapshotOfServer(Database &db, BackupKind kind, const QDateTime &moment)
{
    // The copy reads one moment of the server's database on this station's own connection; the cashier
    // waits for it, as for a backup in the foreground.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto done = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    const CopyTarget target = reserveBackup(db.stationFolder(), kind, moment);
    copyToFile(db, target);
    return target.finalPath;
}

QString backupBeforeClearing(Database &db, const Platform &platform, QWidget *parent)
{
    const QString notDone = QStringLiteral("未清空任何数据。");
    if (!db.dialect().isServer())
        return checkedBackup(db.folder(), platform, parent, notDone);
    try {
        return snapshotOfServer(db, BackupKind::Automatic, platform.clock.now());
    } catch (const StoreError &e) {
        throw StoreError(QStringLiteral("%1\n%2").arg(e.message(), notDone));
    }
}

QString backupBeforeUpgrade(const QString &dataFolder, const Platform &platform)
{
    return checkedBackup(dataFolder, platform, nullptr,
                         QStringLiteral("数据库没有升级，程序不能启动；请先解决上面的问题，或使用旧版本的程序。"));
}

} // namespace ktv
