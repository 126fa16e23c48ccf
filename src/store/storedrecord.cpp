#include "storedrecord.h"

#include "cursorsql.h"
#include "database.h"
#include "fielddef.h"
#include "fieldvalue.h"
#include "storeerror.h"
#include "writerules.h"

#include <QSqlQuery>

namespace ktv {

StoredRecord::StoredRecord(const TableDef &table, qint64 rowid, QVector<QVariant> values)
    : m_table(&table), m_rowid(rowid), m_values(std::move(values)), m_changed(m_table->fields.size(), false)
{
}

QList<StoredRecord> StoredRecord::select(Database &db, const TableDef &table, const QString &field,
                                         const QVariant &value, bool ignoreCase, bool firstOnly)
{
    const FieldDef &f = table.field(field);
    const QString key = db.dialect().rowKey(table);
    QStringList columns{key};
    for (const FieldDef &each : table.fields)
        columns << sqlName(each.name);
    QString condition;
    QVariantList binds;
    if (value.isNull() || (f.isText() && value.toString().isEmpty())) {
        condition = sqlName(f.name) + QStringLiteral(" IS NULL");
    } else if (f.isText() && ignoreCase) {
        condition = QStringLiteral("lower(%1) = lower(?)").arg(sqlName(f.name));
        binds << value.toString();
    } else {
        condition = sqlName(f.name) + QStringLiteral(" = ?");
        binds << fieldvalue::toSql(f, fieldvalue::normalize(f, value));
    }
    QSqlQuery query = db.run(QStringLiteral("SELECT ") + columns.join(QLatin1String(", ")) + QStringLiteral(" FROM ") +
                                 sqlName(table.name) + QStringLiteral(" WHERE ") + condition +
                                 QStringLiteral(" ORDER BY ") + key + (firstOnly ? QStringLiteral(" LIMIT 1") : QString()) +
                                 // A step acts on what it read: no other station changes it before the step ends.
                                 (db.inTransaction() ? db.dialect().lockRows() : QString()),
                             binds);
    QList<StoredRecord> found;
    while (query.next()) {
        QVector<QVariant> values(table.fields.size());
        for (int i = 0; i < table.fields.size(); ++i)
            values[i] = fieldvalue::fromSql(table.fields[i], query.value(i + 1));
        found << StoredRecord(table, query.value(0).toLongLong(), std::move(values));
    }
    return found;
}

std::optional<StoredRecord> StoredRecord::find(Database &db, const TableDef &table, const QString &field,
                                               const QVariant &value, bool ignoreCase)
{
    QList<StoredRecord> found = select(db, table, field, value, ignoreCase, true);
    if (found.isEmpty())
        return std::nullopt;
    return found.takeFirst();
}

QList<StoredRecord> StoredRecord::findAll(Database &db, const TableDef &table, const QString &field,
                                          const QVariant &value, bool ignoreCase)
{
    return select(db, table, field, value, ignoreCase, false);
}

qint64 StoredRecord::insert(Database &db, const TableDef &table, const QVariantMap &values)
{
    if (!db.inTransaction())
        throw StoreError(QStringLiteral("程序出错：%1 的记录须在事务中保存").arg(table.fileName));
    QVector<QVariant> record(table.fields.size());
    QVector<bool> changed(table.fields.size(), false);
    QStringList names;
    QVariantList binds;
    for (auto it = values.begin(); it != values.end(); ++it) {
        const int i = table.fieldIndex(it.key());
        const FieldDef &f = table.field(it.key());
        record[i] = fieldvalue::normalize(f, it.value());
        changed[i] = true;
        names << sqlName(f.name);
        binds << fieldvalue::toSql(f, record[i]);
    }
    writerules::check(db, table, 0, record, changed);
    return db.insert(table, names, binds);
}

QVariant StoredRecord::value(const QString &field) const { return m_values.at(m_table->fieldIndex(field)); }

QString StoredRecord::text(const QString &field) const
{
    return fieldvalue::toText(m_table->field(field), value(field));
}

double StoredRecord::number(const QString &field) const
{
    const QVariant v = value(field);
    return v.isNull() ? 0.0 : v.toDouble();
}

qint64 StoredRecord::integer(const QString &field) const
{
    const QVariant v = value(field);
    return v.isNull() ? 0 : v.toLongLong();
}

QDateTime StoredRecord::dateTime(const QString &field) const
{
    const QVariant v = value(field);
    if (v.typeId() == QMetaType::QDate)
        return QDateTime(v.toDate(), QTime(0, 0));
    return v.toDateTime();
}

void StoredRecord::set(const QString &field, const QVariant &value)
{
    const int i = m_table->fieldIndex(field);
    m_values[i] = fieldvalue::normalize(m_table->field(field), value);
    m_changed[i] = true;
}

void StoredRecord::write(Database &db)
{
    if (!db.inTransaction())
        throw StoreError(QStringLiteral("程序出错：%1 的记录须在事务中保存").arg(m_table->fileName));
    QStringList names;
    QVariantList binds;
    for (int i = 0; i < m_table->fields.size(); ++i) {
        if (!m_changed[i])
            continue;
        names << sqlName(m_table->fields[i].name) + QStringLiteral(" = ?");
        binds << fieldvalue::toSql(m_table->fields[i], m_values[i]);
    }
    if (names.isEmpty())
        return;
    writerules::check(db, *m_table, m_rowid, m_values, m_changed);
    binds << m_rowid;
    db.run(QStringLiteral("UPDATE ") + sqlName(m_table->name) + QStringLiteral(" SET ") +
               names.join(QLatin1String(", ")) + QStringLiteral(" WHERE ") + db.dialect().rowKey(*m_table) +
               QStringLiteral(" = ?"),
           binds);
    db.noteWrite(m_table->name);
    m_changed.fill(false);
}

void StoredRecord::remove(Database &db)
{
    if (!db.inTransaction())
        throw StoreError(QStringLiteral("程序出错：%1 的记录须在事务中删除").arg(m_table->fileName));
    db.run(QStringLiteral("DELETE FROM ") + sqlName(m_table->name) + QStringLiteral(" WHERE ") +
               db.dialect().rowKey(*m_table) + QStringLiteral(" = ?"),
           {m_rowid});
    db.noteWrite(m_table->name);
}

} // namespace ktv
