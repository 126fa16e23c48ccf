#include "cursor.h"

#include "cursorsql.h"
#include "database.h"
#include "fieldvalue.h"
#include "storeerror.h"

namespace ktv {

Cursor::Cursor(Database &db, const TableDef &table, QObject *parent)
    : QObject(parent), m_db(db), m_table(table), m_view(db)
{
    for (int i = 0; i < m_table.fields.size(); ++i)
        m_columns << i;
    connect(&m_db, &Database::changed, this, &Cursor::onDatabaseChanged);
}

Cursor::~Cursor() = default;

QString Cursor::rowKey() const { return m_db.dialect().rowKey(m_table); }

QList<FieldDef> Cursor::fields() const
{
    QList<FieldDef> list;
    for (int i : m_columns)
        list << m_table.fields[i];
    return list;
}

const FieldDef &Cursor::field(int column) const { return m_table.fields[m_columns.at(column)]; }

const FieldDef &Cursor::field(const QString &name) const
{
    const int column = columnOf(name);
    if (column < 0)
        throw StoreError(QStringLiteral("找不到字段 %1（%2）").arg(name, m_table.fileName));
    return field(column);
}

int Cursor::columnOf(const QString &name) const
{
    const int index = m_table.fieldIndex(name);
    return index < 0 ? -1 : int(m_columns.indexOf(index));
}

// --- configuration ---------------------------------------------------------------------------------

void Cursor::setIndexName(const QString &indexName)
{
    if (!indexName.isEmpty() && !m_table.index(indexName))
        throw StoreError(QStringLiteral("表 %1 没有索引 %2").arg(m_table.fileName, indexName));
    m_indexName = indexName;
    m_orderFields.clear();
    if (isOpen())
        refresh();
}

void Cursor::setOrderFields(const QStringList &fields, bool descending)
{
    for (const QString &f : fields)
        m_table.field(f);
    m_orderFields = fields;
    m_descending = descending;
    m_indexName.clear();
    if (isOpen())
        refresh();
}

void Cursor::setColumns(const QStringList &fieldNames)
{
    QVector<int> columns;
    for (const QString &name : fieldNames) {
        const int i = m_table.fieldIndex(name);
        if (i < 0)
            throw StoreError(QStringLiteral("表 %1 中没有字段 %2").arg(m_table.fileName, name));
        columns << i;
    }
    m_columns = columns;
    m_cache.clear();
}

// --- open and close --------------------------------------------------------------------------------

void Cursor::open()
{
    if (isOpen())
        return;
    m_state = CursorState::Browse;
    m_lost = false;
    m_linkValues.clear();
    if (m_master) {
        followMaster(true);
    } else {
        // The view is read when first asked for, so opening costs nothing however large the table.
        m_view.setView({});
        m_cache.clear();
        m_seenVersion = kNeverRead;
        setCurrent(std::nullopt, true, true);
    }
    emit stateChanged();
    emit rowsReset();
    emit currentChanged();
}

void Cursor::close()
{
    if (!isOpen())
        return;
    m_state = CursorState::Inactive;
    m_lost = false;
    m_buffer.clear();
    m_modified = false;
    m_view.clear();
    m_view.setKept(0);
    m_cache.clear();
    setCurrent(std::nullopt, true, true);
    emit stateChanged();
    emit rowsReset();
    emit currentChanged();
}

void Cursor::requireOpen() const
{
    if (!isOpen())
        throw StoreError(QStringLiteral("表 %1 尚未打开").arg(m_table.fileName));
}

void Cursor::requireWritable() const
{
    requireOpen();
    if (m_readOnly)
        throw StoreError(QStringLiteral("%1 的这份列表是只读的，不能修改").arg(m_table.fileName));
}

// --- field access ----------------------------------------------------------------------------------

QVariant Cursor::value(const QString &name) const
{
    const int column = columnOf(name);
    if (column < 0)
        throw StoreError(QStringLiteral("找不到字段 %1（%2）").arg(name, m_table.fileName));
    if (!isOpen())
        return {};
    ensureFresh();
    return currentValues().at(m_columns[column]);
}

QString Cursor::text(const QString &name) const { return fieldvalue::toText(field(name), value(name)); }

double Cursor::number(const QString &name) const
{
    const FieldDef &f = field(name);
    const QVariant v = value(name);
    if (v.isNull())
        return 0.0;
    if (!f.isNumber())
        return fieldvalue::normalize(FieldDef{f.name, FieldKind::Float}, v).toDouble();
    return v.toDouble();
}

qint64 Cursor::integer(const QString &name) const
{
    const FieldDef &f = field(name);
    const QVariant v = value(name);
    if (v.isNull())
        return 0;
    if (!f.isInteger())
        return fieldvalue::normalize(FieldDef{f.name, FieldKind::Int32}, v).toLongLong();
    return v.toLongLong();
}

QDateTime Cursor::dateTime(const QString &name) const
{
    const QVariant v = value(name);
    if (v.typeId() == QMetaType::QDate)
        return QDateTime(v.toDate(), QTime(0, 0));
    return v.toDateTime();
}

// --- read-only result sets -------------------------------------------------------------------------

Query::Query(Database &db, const TableDef &table, const QStringList &columns, const QString &descendingField,
             QObject *parent)
    : Cursor(db, table, parent)
{
    setColumns(columns);
    setReadOnly(true);
    if (!descendingField.isEmpty())
        setOrderFields({descendingField}, true);
}

} // namespace ktv
