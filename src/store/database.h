#pragma once

#include <QHash>
#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <memory>

namespace ktv {

// The venue database: one SQLite file, ktv.db, in the data folder.
class Database : public QObject
{
    Q_OBJECT
public:
    static constexpr int schemaVersion = 1;
    static QString fileNameIn(const QString &folder);
    static QString defaultFolder();

    // Opens an existing venue database; never creates or alters one. Throws StoreError naming what is wrong.
    // Reads only the header, the schema and the ends of each table, so that it costs the same on any size of
    // history; the whole file is read by checkDatabaseFile (integritycheck.h).
    static std::unique_ptr<Database> open(const QString &folder);
    // The same refusals as open, changing nothing: for checking a data folder.
    static void verify(const QString &folder);
    // Creates a new, empty venue database in folder (made if missing); refuses to overwrite one.
    static std::unique_ptr<Database> create(const QString &folder);

    ~Database() override;

    QString folder() const { return m_folder; }
    QSqlDatabase connection() const;

    // Prepares and runs a statement; a failure throws StoreError with the database's reason.
    QSqlQuery run(const QString &sql, const QVariantList &binds = {});
    QSqlQuery prepare(const QString &sql);
    void exec(QSqlQuery &query, const QString &what = {});

    bool inTransaction() const { return m_depth > 0; }

    // What is stored is the truth: every table has a version that moves with each write to it through this
    // connection, and every table's moves when another connection (another program on the file) commits or
    // a transaction is rolled back. A cursor whose view was read at an older version reads it again.
    quint64 version(const QString &table);
    void noteWrite(const QString &table);
    // Asks SQLite whether another connection committed since the last look; cheap, reads no table.
    void pollOtherWriters();
    // Looks for other connections' commits every interval, so that shown lists follow them.
    void watchOtherWriters(int intervalMs);

signals:
    // A table's version moved; cursors that are shown re-read soon, the others when next asked.
    void changed();

private:
    friend class Transaction;
    Database(const QString &folder, const QString &connectionName);
    static std::unique_ptr<Database> openValidated(const QString &folder);
    void configure();
    void validate();
    void createSchema();

    void begin();
    void commit();
    void rollback() noexcept;

    void bumpAll();

    QString m_folder;
    QString m_connectionName;
    int m_depth = 0;
    bool m_failed = false;
    QHash<QString, quint64> m_versions;
    quint64 m_epoch = 0;                     // moves for every table at once
    qint64 m_dataVersion = -1;               // SQLite's count of other connections' commits, as last seen
    std::unique_ptr<QSqlQuery> m_dataVersionQuery;
};

class Cursor;

// Writes inside one scope commit together or not at all. Scopes nest; the outermost one commits.
// The cursors named are the action's: when it fails, their pending records are dropped, so that nothing
// of it is stored later by a cursor's next move.
class Transaction
{
public:
    explicit Transaction(Database &db, std::initializer_list<Cursor *> cursors = {});
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;
    void commit();

private:
    Database &m_db;
    QList<Cursor *> m_cursors;
    bool m_done = false;
};

} // namespace ktv
