#pragma once

#include <QString>

#include <memory>

class QWidget;

namespace ktv {

class BackupJob;
struct Platform;

// After start-up: when the newest backup in the data folder is more than a day old, or there is none, an
// automatic backup starts in the background. Its failure is shown to the cashier. Nothing when a recent
// backup is there.
std::unique_ptr<BackupJob> startDailyBackup(const QString &dataFolder, const Platform &platform);

// Waits for the job with a progress dialog the cashier cannot close; returns the backup's path or throws
// StoreError with what failed.
QString waitWithProgress(BackupJob &job, QWidget *parent);

// An automatic backup in the foreground, before any table may be cleared. Returns the backup, which is there
// and passed its check; throws StoreError when it is not: then nothing may be cleared.
QString backupBeforeClearing(const QString &dataFolder, const Platform &platform, QWidget *parent);

// The same, before a database made by an earlier release is upgraded at start-up.
QString backupBeforeUpgrade(const QString &dataFolder, const Platform &platform);

} // namespace ktv
