#pragma once

#include <QDateTime>
#include <QTemporaryDir>

#include <memory>

namespace ktv {

// A file chosen to restore from, copied outside the data folder and checked there: a venue database of a
// schema version this program knows, with every table, that passes integrity_check. What is checked is
// what gets put in place, however the chosen file changes afterwards.
class StagedRestore
{
public:
    // Throws StoreError saying why the file cannot be restored from; nothing in any data folder is touched.
    static std::unique_ptr<StagedRestore> stage(const QString &file);

    QString source() const { return m_source; }
    QString copyPath() const;

private:
    explicit StagedRestore(const QString &source) : m_source(source) {}
    QString m_source;
    QTemporaryDir m_dir;
};

struct RestoreResult
{
    QString database; // the data folder's database, now the restored one
    QString kept;     // the before-restore backup of what it replaced; empty when the folder held none
};

// Makes the staged copy the data folder's database; the caller holds the folder's lock. The database there
// is first kept as a before-restore backup; the copy is then written beside it, synced and renamed over it,
// so that a crash at any moment leaves a whole database in the folder; the old WAL and shared-memory files
// go. Throws StoreError; the database in place is then the one that was there.
RestoreResult putInPlace(const QString &dataFolder, const StagedRestore &staged, const QDateTime &moment);

} // namespace ktv
