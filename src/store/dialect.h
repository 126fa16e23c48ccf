#pragma once

#include <QString>
#include <QStringList>

namespace ktv {

struct TableDef;

// The engines a venue database may live on: one SQLite file on this PC, or a PostgreSQL server that several
// stations share.
enum class Engine { Sqlite, Postgres };

// The SQL that differs between the engines, and only that: everything else in the store is written once and
// reads the same on both. Names of tables and fields are written bare everywhere, so that SQLite (which
// ignores their case) and PostgreSQL (which folds them to lower case) find the same ones.
class Dialect
{
public:
    explicit Dialect(Engine engine) : m_engine(engine) {}
    Engine engine() const { return m_engine; }
    bool isServer() const { return m_engine == Engine::Postgres; }

    // The key that tells a table's rows apart and is never given to another row: the table's own serial
    // number where it has one, else SQLite's rowid or PostgreSQL's identity column.
    QString rowKey(const TableDef &table) const;

    // NULL-safe equality, as SQLite's IS and IS NOT.
    QString same(const QString &lhs, const QString &rhs) const;
    QString notSame(const QString &lhs, const QString &rhs) const;
    // One term of an ORDER BY or of an index: empty values first going up, as SQLite sorts them.
    // A column that holds no empty values (a row's own key) is ordered plainly, so that the server walks its
    // key's index rather than sorting the table.
    QString orderTerm(const QString &column, bool descending, bool neverEmpty = false) const;
    // A condition no row passes.
    static QString never() { return QStringLiteral("1 = 0"); }

    // A table's, field's or index's name as the schema is made with it: quoted on SQLite, as venue files have
    // always been made; bare on PostgreSQL, which then keeps it in lower case like every bare name read.
    QString definedName(const QString &name) const;
    // The columns of a new table, its row key included.
    QStringList columnDefinitions(const TableDef &table) const;
    // Statements that make the table tell the other stations it changed (none on SQLite: they poll).
    QStringList changeNotices(const TableDef &table) const;
    QStringList changeNoticeFunction() const;
    static QString changeChannel() { return QStringLiteral("ktv_changes"); }

    // Starts a transaction that writes: on SQLite the write lock is taken at once; on PostgreSQL each step
    // locks the rows it reads to act on (lockRows).
    QString beginWriting() const;
    QString lockRows() const;
    // Appended to an INSERT so that it answers the new row's key (SQLite gives it as the last insert id).
    QString returningKey(const TableDef &table) const;
    QString indexedBy(const QString &index) const;
    // A join whose left table the engine reads first: SQLite's CROSS JOIN keeps that order, PostgreSQL plans
    // its own (and takes no ON after CROSS JOIN).
    QString joinInOrder() const;

    // Starts a transaction that only reads, all of it from one moment (REPEATABLE READ on the server), as a
    // copy of the whole database reads.
    QString beginSnapshot() const;
    // Answers one row: the highest serial number the table has issued, deleted rows' included (none or 0 when
    // it has issued none). The table must have a serial number.
    QString serialCounterQuery(const TableDef &table) const;
    // Makes the table's next serial number follow `highest`, whatever rows were put in with their own.
    QStringList continueSerial(const TableDef &table, qint64 highest) const;

    // Schema introspection: one bind, the index name; answers a count.
    QString indexCountQuery() const;
    // Answers the number of tables of any kind in the database.
    QString tableCountQuery() const;
    QString schemaVersionQuery() const;
    QStringList setSchemaVersion(int version) const;

private:
    Engine m_engine;
};

} // namespace ktv
