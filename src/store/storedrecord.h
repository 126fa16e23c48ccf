#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>
#include <QVector>

#include <optional>

namespace ktv {

class Database;
struct TableDef;

// One record read as stored now, inside the caller's transaction, changed field by field and written back
// by its row: what a step acts on, read where it acts, whatever a screen's list showed a moment before.
class StoredRecord
{
public:
    // The first record, in stored order, whose field equals value; text compared without regard to case
    // when asked. Nothing when there is none.
    static std::optional<StoredRecord> find(Database &db, const TableDef &table, const QString &field,
                                            const QVariant &value, bool ignoreCase = false);
    // Every such record, in stored order.
    static QList<StoredRecord> findAll(Database &db, const TableDef &table, const QString &field,
                                       const QVariant &value, bool ignoreCase = false);

    // Stores a new record under the rules every write keeps, inside the caller's transaction; returns its row.
    static qint64 insert(Database &db, const TableDef &table, const QVariantMap &values);

    qint64 rowid() const { return m_rowid; }
    const TableDef &table() const { return *m_table; }
    QVariant value(const QString &field) const;
    bool isNull(const QString &field) const { return value(field).isNull(); }
    QString text(const QString &field) const;
    double number(const QString &field) const; // empty reads as 0
    qint64 integer(const QString &field) const; // empty reads as 0
    QDateTime dateTime(const QString &field) const;

    // Converts the value to the field's kind, as a cursor does.
    void set(const QString &field, const QVariant &value);
    // Stores the changed fields, under the rules every write keeps. Needs the caller's transaction.
    void write(Database &db);
    void remove(Database &db);

private:
    StoredRecord(const TableDef &table, qint64 rowid, QVector<QVariant> values);
    static QList<StoredRecord> select(Database &db, const TableDef &table, const QString &field,
                                      const QVariant &value, bool ignoreCase, bool firstOnly);

    const TableDef *m_table;
    qint64 m_rowid;
    QVector<QVariant> m_values;
    QVector<bool> m_changed;
};

} // namespace ktv
