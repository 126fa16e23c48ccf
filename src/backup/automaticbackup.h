#pragma once

#include "backupfolder.h"

#include <QDateTime>
#include <QString>

#include <memory>

class QWidget;

namespace ktv {

class BackupJob;
class Database;
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
QString backupBeforeClearing(Database &db, const Platform &platform, QWidget *parent);

// A backup taken now of a venue database on a server: one snapshot of it, as a checked SQLite file of the
// kind given in the station's backups folder, in the foreground. Returns its path; throws StoreError.
QString snapshotOfServer(Database &db, BackupKind kind, const QDateTime &moment);

// The same, before a database made by an earlier release is upgraded at start-up.
QString backupBeforeUpgrade(const QString &dataFolder, const Platform &platform);

} // namespace ktv
