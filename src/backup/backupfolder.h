#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace ktv {

// What a backup was taken for. The kind and the moment are in the file's name, for people looking at the
// folder; the program orders and ages backups by the file's own modification time, which a clock put back
// after a backup was named for a later time does not fool into pruning the newest.
enum class BackupKind {
    Automatic,     // daily after start-up, and before the tables are cleared; only the newest are kept
    Manual,        // "立即备份" and --backup; never removed by the program
    BeforeRestore, // the database a restore replaced; never removed by the program
};

struct BackupFile
{
    QString path;
    BackupKind kind;
    QDateTime taken;    // local time, as named
    QDateTime modified; // the file's modification time: what the program orders and ages by
    int number = 0;  // of several taken in one second, the later ones count up from 1
    qint64 size = 0;
};

// How many automatic backups the backups folder keeps.
constexpr int kKeptAutomaticBackups = 14;

// DIR/backups for the data folder DIR.
QString backupFolderOf(const QString &dataFolder);

// The file name for a backup of the kind taken at the moment, with a number added after the time when
// several are taken in one second (number 0: none). Local time, to the second.
QString backupFileName(BackupKind kind, const QDateTime &moment, int number = 0);

// The backup a file name stands for; nothing for a file that is not one.
std::optional<BackupFile> parseBackupName(const QString &fileName);

// The backups in the data folder's backups folder, newest modification time first.
QList<BackupFile> listBackups(const QString &dataFolder);

// Whether a backup taken within the last day is there. A backup whose time lies ahead of now (taken while
// the clock was set ahead) is no proof of a recent one.
bool hasRecentBackup(const QString &dataFolder, const QDateTime &now);

// Removes all but the newest kept automatic backups; the backup just taken (justTaken) is always one of
// those kept, and manual and before-restore ones stay. Returns the paths removed.
QStringList pruneAutomaticBackups(const QString &dataFolder, const QString &justTaken,
                                  int kept = kKeptAutomaticBackups);

} // namespace ktv
