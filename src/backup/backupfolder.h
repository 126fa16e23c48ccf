#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace ktv {

// What a backup was taken for. The kind and the moment are in the file's name, so that a backups folder
// copied to another disk still lists the same way.
enum class BackupKind {
    Automatic,     // daily after start-up, and before the tables are cleared; only the newest are kept
    Manual,        // "立即备份" and --backup; never removed by the program
    BeforeRestore, // the database a restore replaced; never removed by the program
};

struct BackupFile
{
    QString path;
    BackupKind kind;
    QDateTime taken; // local time
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

// The backups in the data folder's backups folder, newest first.
QList<BackupFile> listBackups(const QString &dataFolder);

// Removes all but the newest kept automatic backups; manual and before-restore ones stay. Returns the
// paths removed.
QStringList pruneAutomaticBackups(const QString &dataFolder, int kept = kKeptAutomaticBackups);

} // namespace ktv
