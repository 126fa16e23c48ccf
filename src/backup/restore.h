#pragma once

#include <QDateTime>
#include <QLockFile>
#include <QTemporaryDir>

#include <memory>

namespace ktv {

// A file chosen to restore from, copied outside the data folder (into the system's temporary folder) and
// checked there: a venue database of a schema version this program knows, with every table, nothing in its
// schema the program does not make, that passes integrity_check; an index it lacks is made. What is checked
// is what gets put in place, however the chosen file changes afterwards.
class StagedRestore
{
public:
    // Throws StoreError saying why the file cannot be restored from; nothing in any data folder is touched.
    static std::unique_ptr<StagedRestore> stage(const QString &file);

    QString source() const { return m_source; }
    QString copyPath() const;

private:
    explicit StagedRestore(const QString &source);
    QString m_source;
    QTemporaryDir m_dir;
    QLockFile m_lock; // held while this program may still use the copy; goes before the folder
};

// Removes the copies that restores killed mid-way left in the system's temporary folder (none that a running
// program holds), and in the data folder the unfinished files of a restore killed while writing; the caller
// holds the data folder's lock. Returns the paths removed.
QStringList removeAbandonedRestoreFiles(const QString &dataFolder);

struct RestoreResult
{
    QString database; // the data folder's database, now the restored one
    QString kept;     // the before-restore backup of what it replaced; empty when the folder held none
};

// Makes the staged copy the data folder's database; the caller holds the folder's lock. Once no other
// program has the database open and the disk has room for both copies, the database there is kept as a
// before-restore backup; the copy is then written beside it, synced and renamed over it, so that a crash at
// any moment leaves a whole database in the folder; the old WAL and shared-memory files go. Throws
// StoreError; the database in place is then the one that was there, and a refusal keeps no copy.
RestoreResult putInPlace(const QString &dataFolder, const StagedRestore &staged, const QDateTime &moment);

} // namespace ktv
