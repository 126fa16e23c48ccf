#pragma once

#include "dialect.h"

#include <QHash>
#include <QObject>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>

#include <functional>
#include <memory>

namespace ktv {

struct TableDef;

// The venue database: one SQLite file, ktv.db, in the data folder.
//
// Where several stations share one venue, the database lives on a PostgreSQL server instead, named by an
// address postgresql://USER@HOST:PORT/DBNAME; the password comes from libpq's own sources (PGPASSWORD, the
// password file), never from the address. Everything above the store works the same on either.
class Database : public QObject
{
    Q_OBJECT
public:
    // 1: the six venue tables; 2: the staff, journal and shift tables added; 3: settings, room moves, reservations.
    static constexpr int schemaVersion = 3;
    // The database file in a data folder; refuses the empty folder of a database on a server.
    static QString fileNameIn(const QString &folder);
    static QString defaultFolder();
    // Whether `where` names a database server rather than a data folder.
    static bool isServerAddress(const QString &where);

    // Opens an existing venue database in a data folder or on a server; never creates or alters one. Throws
    // StoreError naming what is wrong. Reads only the header, the schema and the ends of each table, so that
    // it costs the same on any size of history; the whole file is read by checkDatabaseFile (integritycheck.h).
    // On a server, password (when not empty) is used instead of libpq's own sources; PasswordNeeded says
    // that one is wanted or was wrong.
    static std::unique_ptr<Database> open(const QString &where, const QString &password = {});
    // A database on a server, for a program that may read and write these tables alone (a room PC's agent,
    // under a role granted nothing else): checks only their fields, and listens to no other station.
    static std::unique_ptr<Database> openTablesOnServer(const QString &address, const QList<const TableDef *> &tables);
    // The same refusals as open, changing nothing: for checking a data folder.
    static void verify(const QString &where);
    // Creates a new, empty venue database in a folder (made if missing), refusing to overwrite one; or in an
    // empty database on a server, refusing one that already holds tables. A fill given puts records in inside
    // the schema's own transaction: when it fails, the server's database is left without a table.
    using Fill = std::function<void(Database &)>;
    static std::unique_ptr<Database> create(const QString &where, const Fill &fill = {});
    // The same in one SQLite file of any name that is empty or missing, for a copy from another database; the
    // file keeps SQLite's plain journal, so that it is whole on its own once closed.
    static std::unique_ptr<Database> createFile(const QString &file, const Fill &fill = {});

    ~Database() override;

    // The data folder; empty for a database on a server.
    QString folder() const { return m_folder; }
    // Where this station keeps its settings and backups: the data folder, which a database on a server is
    // told by the start.
    QString stationFolder() const { return m_folder.isEmpty() ? m_stationFolder : m_folder; }
    void setStationFolder(const QString &folder) { m_stationFolder = folder; }
    // The data folder or the server's address, as given.
    QString location() const { return m_location; }
    const Dialect &dialect() const { return m_dialect; }

    // A database made by an earlier release opens as it is; before the program works on it, the tables
    // added since are made by upgrade (the caller backs it up first). Earlier releases refuse it then.
    bool needsUpgrade() const { return m_foundVersion < schemaVersion; }

    // The staff member logged in at this station, whom the journal names; empty while nobody logs in.
    void setStaff(const QString &staffId) { m_staff = staffId; }
    QString staff() const { return m_staff; }
    void upgrade();
    QSqlDatabase connection() const;

    // Prepares and runs a statement; a failure throws StoreError with the database's reason.
    QSqlQuery run(const QString &sql, const QVariantList &binds = {});
    QSqlQuery prepare(const QString &sql);
    void exec(QSqlQuery &query, const QString &what = {});
    // How many statements this connection has sent: what a step costs, whatever the engine's speed.
    quint64 statementsSent() const { return m_statementsSent; }
    // Inserts a record (its fields named bare, their values bound in the same order) and answers its row key.
    // Notes the write.
    qint64 insert(const TableDef &table, const QStringList &fields, const QVariantList &binds);
    bool hasIndex(const QString &name);

    bool inTransaction() const { return m_depth > 0; }

    // What is stored is the truth: every table has a version that moves with each write to it through this
    // connection, and every table's moves when another connection (another program on the file) commits or
    // a transaction is rolled back. A cursor whose view was read at an older version reads it again.
    quint64 version(const QString &table);
    void noteWrite(const QString &table);
    // Asks whether another connection committed since the last look; cheap, reads no table. SQLite counts
    // other connections' commits; PostgreSQL sends a notice naming the table from each commit (dialect.h),
    // which this takes in after one exchange with the server, so that all sent before it are seen.
    void pollOtherWriters();
    // Looks for other connections' commits every interval, so that shown lists follow them. A server's
    // notices arrive by themselves, as soon as the event loop runs.
    void watchOtherWriters(int intervalMs);

signals:
    // A table's version moved; cursors that are shown re-read soon, the others when next asked.
    void changed();

private:
    friend class Transaction;
    Database(Engine engine, const QString &location, const QString &connectionName);
    static std::unique_ptr<Database> openValidated(const QString &folder, const QString &password = {});
    static std::unique_ptr<Database> connectServer(const QString &address, const QString &password = {});
    void configure();
    void listenForChanges();
    void otherWrote(const QString &name, QSqlDriver::NotificationSource source, const QVariant &payload);
    // Throws the failure as a StoreError; a connection to the server found lost is opened again by the
    // next statement outside a transaction.
    [[noreturn]] void fail(const QSqlError &error, const QString &what = {});
    void openServer();
    void reconnectIfLost();
    void validate();
    void checkTables(const QList<const TableDef *> &tables);
    void createSchema(const Fill &fill = {});
    void createTable(const TableDef &table);

    void begin();
    void commit();
    void rollback() noexcept;

    void bumpAll();

    Dialect m_dialect;
    quint64 m_statementsSent = 0;
    QString m_location;
    QString m_folder;
    QString m_stationFolder;
    QString m_file; // the SQLite file; empty on a server
    QString m_staff;
    QString m_connectionName;
    int m_depth = 0;
    int m_foundVersion = schemaVersion;
    bool m_failed = false;
    bool m_connectionLost = false;
    QHash<QString, quint64> m_versions;
    quint64 m_epoch = 0;                     // moves for every table at once
    qint64 m_dataVersion = -1;               // SQLite's count of other connections' commits, as last seen
    std::unique_ptr<QSqlQuery> m_dataVersionQuery; // or, on a server, the exchange that brings its notices
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
