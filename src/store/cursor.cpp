#include "cursor.h"

#include "database.h"
#include "fieldvalue.h"
#include "storeerror.h"

#include <QRegularExpression>
#include <QSqlQuery>

#include <algorithm>

namespace ktv {

namespace {

QString quoted(const QString &name) { return QLatin1Char('"') + name + QLatin1Char('"'); }

constexpr int kFetchBefore = 16;
constexpr int kFetchAfter = 48;
constexpr int kCacheLimit = 4096;

} // namespace

Cursor::Cursor(Database &db, const TableDef &table, QObject *parent) : QObject(parent), m_db(db), m_table(table)
{
    for (int i = 0; i < m_table.fields.size(); ++i)
        m_columns << i;
    connect(&m_db, &Database::rolledBack, this, &Cursor::resync);
}

Cursor::~Cursor() = default;

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

void Cursor::setFilter(const QString &expression)
{
    static const QRegularExpression form(QStringLiteral("^\\s*(\\w+)\\s*(<>|=)\\s*'([^']*)'\\s*$"));
    Filter filter;
    if (!expression.trimmed().isEmpty()) {
        const QRegularExpressionMatch m = form.match(expression);
        if (!m.hasMatch())
            throw StoreError(QStringLiteral("无法理解的过滤条件：%1").arg(expression));
        filter.field = m_table.fieldIndex(m.captured(1));
        if (filter.field < 0)
            throw StoreError(QStringLiteral("过滤条件中的字段 %1 不存在").arg(m.captured(1)));
        filter.notEqual = m.captured(2) == QLatin1String("<>");
        filter.value = m.captured(3);
    }
    m_filter = filter;
    if (isOpen() && m_filtered)
        refresh();
}

void Cursor::setFiltered(bool on)
{
    if (m_filtered == on)
        return;
    if (isOpen())
        checkBrowseMode();
    m_filtered = on;
    if (isOpen()) {
        loadKeys();
        setCurrent(m_keys.empty() ? -1 : 0, true, m_keys.empty());
        emit rowsReset();
        emit currentChanged();
    }
}

void Cursor::setMasterLink(Cursor *master, const QStringList &masterFields, const QStringList &detailFields)
{
    if (m_master)
        disconnect(m_master, nullptr, this, nullptr);
    m_master = master;
    m_masterFields = masterFields;
    m_detailFields = detailFields;
    if (!m_master)
        return;
    for (const QString &f : detailFields)
        m_table.field(f);
    connect(m_master, &Cursor::currentChanged, this, [this] { followMaster(false); });
    connect(m_master, &Cursor::rowsReset, this, [this] { followMaster(true); });
    connect(m_master, &Cursor::stateChanged, this, [this] { followMaster(false); });
    if (isOpen())
        followMaster(true);
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
    m_linkValues.clear();
    if (m_master)
        followMaster(true);
    else
        loadKeys();
    setCurrent(m_keys.empty() ? -1 : 0, true, m_keys.empty());
    emit stateChanged();
    emit rowsReset();
    emit currentChanged();
}

void Cursor::close()
{
    if (!isOpen())
        return;
    m_state = CursorState::Inactive;
    m_buffer.clear();
    m_modified = false;
    m_keys.clear();
    m_cache.clear();
    setCurrent(-1, true, true);
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

// --- the view: keys, order, filter, link -----------------------------------------------------------

QString Cursor::whereClause(QVariantList &binds) const
{
    QStringList conditions;
    if (m_filtered && m_filter.field >= 0) {
        // Written as a literal, not bound, so that SQLite can match it to a partial index when it plans.
        QString literal = m_filter.value;
        literal.replace(QLatin1Char('\''), QStringLiteral("''"));
        conditions << quoted(m_table.fields[m_filter.field].name) +
                          (m_filter.notEqual ? QStringLiteral(" IS NOT '") : QStringLiteral(" IS '")) + literal +
                          QLatin1Char('\'');
    }
    if (m_master) {
        if (m_linkEmpty)
            return QStringLiteral(" WHERE 0");
        for (int i = 0; i < m_detailFields.size(); ++i) {
            const FieldDef &f = m_table.field(m_detailFields[i]);
            const QVariant v = i < m_linkValues.size() ? m_linkValues[i] : QVariant();
            if (v.isNull()) {
                conditions << quoted(f.name) + QStringLiteral(" IS NULL");
            } else {
                conditions << quoted(f.name) + QStringLiteral(" = ?");
                binds << fieldvalue::toSql(f, v);
            }
        }
    }
    return conditions.isEmpty() ? QString() : QStringLiteral(" WHERE ") + conditions.join(QLatin1String(" AND "));
}

QString Cursor::orderClause() const
{
    QStringList fields = m_orderFields;
    bool descending = m_descending;
    if (const IndexDef *index = m_indexName.isEmpty() ? nullptr : m_table.index(m_indexName)) {
        fields = index->fields;
        descending = index->descending;
    }
    const QString dir = descending ? QStringLiteral(" DESC") : QString();
    QStringList terms;
    for (const QString &f : fields)
        terms << quoted(m_table.field(f).name) + dir;
    terms << QStringLiteral("rowid") + dir;
    return QStringLiteral(" ORDER BY ") + terms.join(QLatin1String(", "));
}

QString Cursor::selectList() const
{
    QStringList cols{QStringLiteral("rowid")};
    for (int i : m_columns)
        cols << quoted(m_table.fields[i].name);
    return cols.join(QLatin1String(", "));
}

void Cursor::loadKeys()
{
    QVariantList binds;
    const QString sql = QStringLiteral("SELECT rowid FROM ") + quoted(m_table.name) + whereClause(binds) + orderClause();
    QSqlQuery query = m_db.run(sql, binds);
    std::vector<qint64> keys;
    while (query.next())
        keys.push_back(query.value(0).toLongLong());
    m_keys.swap(keys);
    m_cache.clear();
}

void Cursor::setCurrent(int pos, bool bof, bool eof)
{
    m_pos = m_keys.empty() ? -1 : std::clamp(pos, 0, int(m_keys.size()) - 1);
    m_bof = bof || m_keys.empty();
    m_eof = eof || m_keys.empty();
}

void Cursor::placeAt(qint64 rowid, int fallbackRow)
{
    const auto it = std::find(m_keys.begin(), m_keys.end(), rowid);
    if (it != m_keys.end())
        setCurrent(int(it - m_keys.begin()), false, false);
    else
        setCurrent(fallbackRow, false, fallbackRow >= int(m_keys.size()));
}

void Cursor::followMaster(bool force)
{
    if (!isOpen() || !m_master)
        return;
    QVariantList values;
    const bool empty = !m_master->isOpen() || m_master->state() == CursorState::Insert || m_master->isEmpty();
    if (!empty) {
        for (const QString &f : m_masterFields)
            values << m_master->value(f);
    }
    if (!force && empty == m_linkEmpty && values == m_linkValues)
        return;
    if (isEditing()) {
        if (m_modified)
            post();
        else
            cancel();
    }
    m_linkEmpty = empty;
    m_linkValues = values;
    loadKeys();
    setCurrent(m_keys.empty() ? -1 : 0, true, m_keys.empty());
    emit rowsReset();
    emit currentChanged();
}

void Cursor::resync() noexcept
{
    if (!isOpen())
        return;
    try {
        const qint64 key = m_pos >= 0 ? m_keys[m_pos] : 0;
        const int row = m_pos;
        loadKeys();
        placeAt(key, row);
        emit rowsReset();
        emit currentChanged();
    } catch (...) {
        m_keys.clear();
        setCurrent(-1, true, true);
    }
}

// --- rows ------------------------------------------------------------------------------------------

QVector<QVariant> Cursor::fetchOne(qint64 rowid) const
{
    QSqlQuery query = m_db.run(QStringLiteral("SELECT ") + selectList() + QStringLiteral(" FROM ") +
                                   quoted(m_table.name) + QStringLiteral(" WHERE rowid = ?"),
                               {rowid});
    QVector<QVariant> row(m_table.fields.size());
    if (query.next()) {
        for (int c = 0; c < m_columns.size(); ++c)
            row[m_columns[c]] = fieldvalue::fromSql(m_table.fields[m_columns[c]], query.value(c + 1));
    }
    return row;
}

const QVector<QVariant> &Cursor::rowAt(int row) const
{
    const qint64 key = m_keys.at(row);
    auto it = m_cache.constFind(key);
    if (it != m_cache.constEnd())
        return *it;
    if (m_cache.size() > kCacheLimit)
        m_cache.clear();

    // Fetch a page around the row, so that a grid scrolling through the view asks once per page.
    const int from = std::max(0, row - kFetchBefore);
    const int to = std::min(int(m_keys.size()), row + kFetchAfter);
    QStringList ids;
    for (int i = from; i < to; ++i) {
        if (!m_cache.contains(m_keys[i]))
            ids << QString::number(m_keys[i]);
    }
    QSqlQuery query = m_db.run(QStringLiteral("SELECT ") + selectList() + QStringLiteral(" FROM ") +
                               quoted(m_table.name) + QStringLiteral(" WHERE rowid IN (") +
                               ids.join(QLatin1Char(',')) + QLatin1Char(')'));
    while (query.next()) {
        QVector<QVariant> values(m_table.fields.size());
        for (int c = 0; c < m_columns.size(); ++c)
            values[m_columns[c]] = fieldvalue::fromSql(m_table.fields[m_columns[c]], query.value(c + 1));
        m_cache.insert(query.value(0).toLongLong(), values);
    }
    // A row another cursor deleted since the view was read shows as empty until the next refresh.
    it = m_cache.constFind(key);
    if (it == m_cache.constEnd())
        it = m_cache.insert(key, QVector<QVariant>(m_table.fields.size()));
    return *it;
}

QVector<QVariant> Cursor::currentValues() const
{
    if (isEditing())
        return m_buffer;
    if (m_pos < 0)
        return QVector<QVariant>(m_table.fields.size());
    return rowAt(m_pos);
}

int Cursor::displayRowCount() const
{
    return int(m_keys.size()) + (m_state == CursorState::Insert ? 1 : 0);
}

int Cursor::currentDisplayRow() const
{
    if (m_state == CursorState::Insert)
        return m_insertRow;
    return m_pos;
}

QVariant Cursor::displayValue(int row, int column) const
{
    const int fieldIndex = m_columns.at(column);
    if (m_state == CursorState::Insert) {
        if (row == m_insertRow)
            return m_buffer.at(fieldIndex);
        if (row > m_insertRow)
            --row;
    } else if (m_state == CursorState::Edit && row == m_pos) {
        return m_buffer.at(fieldIndex);
    }
    if (row < 0 || row >= int(m_keys.size()))
        return {};
    return rowAt(row).at(fieldIndex);
}

void Cursor::moveToDisplayRow(int row)
{
    if (row == currentDisplayRow())
        return;
    if (m_state == CursorState::Insert && row > m_insertRow)
        --row;
    const qint64 target = row >= 0 && row < int(m_keys.size()) ? m_keys[row] : 0;
    checkBrowseMode();
    if (target)
        placeAt(target, row);
    else
        setCurrent(row, false, false);
    emit currentChanged();
}

// --- navigation ------------------------------------------------------------------------------------

void Cursor::checkBrowseMode()
{
    if (!isEditing())
        return;
    if (m_modified)
        post();
    else
        cancel();
}

void Cursor::first()
{
    requireOpen();
    checkBrowseMode();
    setCurrent(0, true, false);
    emit currentChanged();
}

void Cursor::last()
{
    requireOpen();
    checkBrowseMode();
    setCurrent(int(m_keys.size()) - 1, false, true);
    emit currentChanged();
}

void Cursor::next()
{
    requireOpen();
    checkBrowseMode();
    if (m_pos + 1 < int(m_keys.size())) {
        setCurrent(m_pos + 1, false, false);
        emit currentChanged();
    } else {
        m_eof = true;
    }
}

void Cursor::prior()
{
    requireOpen();
    checkBrowseMode();
    if (m_pos > 0) {
        setCurrent(m_pos - 1, false, false);
        emit currentChanged();
    } else {
        m_bof = true;
    }
}

void Cursor::moveTo(int row)
{
    requireOpen();
    checkBrowseMode();
    setCurrent(row, false, false);
    emit currentChanged();
}

Bookmark Cursor::bookmark() const { return m_pos >= 0 ? m_keys[m_pos] : 0; }

void Cursor::gotoBookmark(Bookmark mark)
{
    requireOpen();
    checkBrowseMode();
    const auto it = std::find(m_keys.begin(), m_keys.end(), mark);
    if (it == m_keys.end())
        throw StoreError(QStringLiteral("要返回的记录已不存在（%1）").arg(m_table.fileName));
    setCurrent(int(it - m_keys.begin()), false, false);
    emit currentChanged();
}

bool Cursor::locate(const QString &fieldName, const QVariant &value, LocateOptions options)
{
    requireOpen();
    checkBrowseMode();
    const FieldDef &f = m_table.field(fieldName);

    QVariantList binds;
    QString where = whereClause(binds);
    where += where.isEmpty() ? QStringLiteral(" WHERE ") : QStringLiteral(" AND ");
    const QString column = quoted(f.name);
    const bool partial = options.testFlag(LocateOption::PartialKey) && f.isText();
    const bool nocase = options.testFlag(LocateOption::CaseInsensitive) && f.isText();
    const QString text = value.toString();

    if (value.isNull() || text.isEmpty()) {
        if (partial) {
            where += QStringLiteral("1");
        } else {
            where += column + QStringLiteral(" IS NULL");
        }
    } else if (f.isText()) {
        const QString lhs = partial ? QStringLiteral("substr(%1, 1, %2)").arg(column).arg(text.size()) : column;
        where += nocase ? QStringLiteral("lower(%1) = lower(?)").arg(lhs) : lhs + QStringLiteral(" = ?");
        binds << text;
    } else {
        QVariant normalized;
        try {
            normalized = fieldvalue::normalize(f, value);
        } catch (const ConversionError &) {
            return false; // a text that is no number matches no number
        }
        where += column + QStringLiteral(" = ?");
        binds << fieldvalue::toSql(f, normalized);
    }

    const QString sql =
        QStringLiteral("SELECT rowid FROM ") + quoted(m_table.name) + where + orderClause() + QStringLiteral(" LIMIT 1");
    QSqlQuery query = m_db.run(sql, binds);
    if (!query.next())
        return false;
    const qint64 found = query.value(0).toLongLong();
    query.finish();

    auto it = std::find(m_keys.begin(), m_keys.end(), found);
    if (it == m_keys.end()) {
        // Posted through another cursor since this view was read: read the view again.
        loadKeys();
        emit rowsReset();
        it = std::find(m_keys.begin(), m_keys.end(), found);
        if (it == m_keys.end())
            return false;
    }
    // A located record is read as it is stored now, whoever changed it since this view was read.
    m_cache.remove(found);
    setCurrent(int(it - m_keys.begin()), false, false);
    emit currentChanged();
    return true;
}

void Cursor::refresh()
{
    requireOpen();
    checkBrowseMode();
    const qint64 key = bookmark();
    const int row = m_pos;
    loadKeys();
    placeAt(key, row);
    emit rowsReset();
    emit currentChanged();
}

// --- editing ---------------------------------------------------------------------------------------

void Cursor::edit()
{
    requireWritable();
    if (isEditing())
        return;
    if (m_keys.empty()) {
        insert();
        return;
    }
    m_editKey = m_keys[m_pos];
    m_cache.remove(m_editKey);
    m_buffer = fetchOne(m_editKey); // the record as stored now, not as last read
    m_changed.fill(false, m_table.fields.size());
    m_modified = false;
    m_state = CursorState::Edit;
    emit stateChanged();
    emit currentChanged();
}

void Cursor::insert() { startInsert(false); }

void Cursor::append() { startInsert(true); }

void Cursor::startInsert(bool atEnd)
{
    requireWritable();
    checkBrowseMode();
    if (m_beforeInsert)
        m_beforeInsert(*this);
    m_buffer = QVector<QVariant>(m_table.fields.size());
    m_changed.fill(false, m_table.fields.size());
    m_modified = false;
    if (m_master && !m_linkEmpty) {
        for (int i = 0; i < m_detailFields.size() && i < m_linkValues.size(); ++i) {
            const int index = m_table.fieldIndex(m_detailFields[i]);
            m_buffer[index] = fieldvalue::normalize(m_table.fields[index], m_linkValues[i]);
            m_changed[index] = true;
        }
    }
    m_insertRow = atEnd || m_pos < 0 ? int(m_keys.size()) : m_pos;
    m_state = CursorState::Insert;
    emit stateChanged();
    emit rowsReset();
    emit currentChanged();
    if (m_afterInsert)
        m_afterInsert(*this);
}

void Cursor::setValue(const QString &name, const QVariant &input)
{
    requireWritable();
    const FieldDef &f = field(name);
    if (!isEditing())
        throw StoreError(QStringLiteral("记录不在编辑状态，不能修改字段 %1").arg(f.displayLabel()));
    if (f.kind == FieldKind::AutoInc)
        throw StoreError(QStringLiteral("字段 %1 由系统自动编号，不能修改").arg(f.displayLabel()));
    const int index = m_table.fieldIndex(name);
    m_buffer[index] = fieldvalue::normalize(f, input);
    m_changed[index] = true;
    m_modified = true;
    emit fieldChanged(columnOf(name));
    emit currentChanged();
}

bool Cursor::affectsView(int fieldIndex) const
{
    // A record that stops passing the filter stays in view until the next refresh, so that the steps
    // that follow its post still find it current.
    const QString &name = m_table.fields[fieldIndex].name;
    if (m_detailFields.contains(name, Qt::CaseInsensitive) || m_orderFields.contains(name, Qt::CaseInsensitive))
        return true;
    const IndexDef *index = m_indexName.isEmpty() ? nullptr : m_table.index(m_indexName);
    return index && index->fields.contains(name, Qt::CaseInsensitive);
}

void Cursor::writeBuffer()
{
    const QString &key = m_table.uniqueKey;
    if (!key.isEmpty()) {
        const int k = m_table.fieldIndex(key);
        const QVariant v = m_buffer[k];
        if (v.isNull())
            throw StoreError(QStringLiteral("字段 %1 不能为空").arg(key));
        QSqlQuery dup = m_db.run(QStringLiteral("SELECT 1 FROM ") + quoted(m_table.name) + QStringLiteral(" WHERE ") +
                                     quoted(key) + QStringLiteral(" = ? AND rowid IS NOT ?"),
                                 {v, m_state == CursorState::Edit ? QVariant(m_editKey) : QVariant()});
        if (dup.next())
            throw StoreError(QStringLiteral("字段 %1 的值“%2”已被使用，不能重复").arg(key, v.toString()));
    }

    QStringList names;
    QVariantList binds;
    for (int i = 0; i < m_table.fields.size(); ++i) {
        const FieldDef &f = m_table.fields[i];
        if (f.kind == FieldKind::AutoInc || !m_changed[i])
            continue;
        names << quoted(f.name);
        binds << fieldvalue::toSql(f, m_buffer[i]);
    }

    if (m_state == CursorState::Insert) {
        QString sql;
        if (names.isEmpty()) {
            sql = QStringLiteral("INSERT INTO ") + quoted(m_table.name) + QStringLiteral(" DEFAULT VALUES");
        } else {
            QStringList marks;
            for (qsizetype i = 0; i < names.size(); ++i)
                marks << QStringLiteral("?");
            sql = QStringLiteral("INSERT INTO ") + quoted(m_table.name) + QStringLiteral(" (") +
                  names.join(QLatin1String(", ")) + QStringLiteral(") VALUES (") + marks.join(QLatin1String(", ")) +
                  QLatin1Char(')');
        }
        QSqlQuery query = m_db.run(sql, binds);
        m_editKey = query.lastInsertId().toLongLong();
    } else if (!names.isEmpty()) {
        binds << m_editKey;
        QSqlQuery query = m_db.run(QStringLiteral("UPDATE ") + quoted(m_table.name) + QStringLiteral(" SET ") +
                                       names.join(QLatin1String(" = ?, ")) + QStringLiteral(" = ? WHERE rowid = ?"),
                                   binds);
        if (query.numRowsAffected() == 0)
            throw StoreError(QStringLiteral("这条记录已被删除，无法保存（%1），请刷新").arg(m_table.fileName));
    }
}

void Cursor::post()
{
    requireWritable();
    if (!isEditing())
        return;
    if (m_beforePost)
        m_beforePost(*this);

    const bool inserting = m_state == CursorState::Insert;
    bool viewChanges = inserting;
    for (int i = 0; i < m_changed.size() && !viewChanges; ++i)
        viewChanges = m_changed[i] && affectsView(i);

    {
        Transaction tx(m_db);
        writeBuffer();
        tx.commit();
    }

    const qint64 key = m_editKey;
    const int row = inserting ? m_insertRow : m_pos;
    m_state = CursorState::Browse;
    m_buffer.clear();
    m_modified = false;
    if (viewChanges) {
        loadKeys();
        placeAt(key, row);
        emit rowsReset();
    } else {
        m_cache.remove(key);
    }
    emit stateChanged();
    emit currentChanged();
    if (m_afterPost)
        m_afterPost(*this);
}

void Cursor::cancel()
{
    if (!isEditing())
        return;
    const bool inserting = m_state == CursorState::Insert;
    m_state = CursorState::Browse;
    m_buffer.clear();
    m_modified = false;
    emit stateChanged();
    if (inserting)
        emit rowsReset();
    emit currentChanged();
}

void Cursor::remove()
{
    if (m_state == CursorState::Insert) {
        cancel();
        return;
    }
    requireWritable();
    if (m_keys.empty())
        throw StoreError(QStringLiteral("%1 中没有可删除的记录").arg(m_table.fileName));
    if (m_state == CursorState::Edit)
        cancel();
    const qint64 key = m_keys[m_pos];
    {
        Transaction tx(m_db);
        m_db.run(QStringLiteral("DELETE FROM ") + quoted(m_table.name) + QStringLiteral(" WHERE rowid = ?"), {key});
        tx.commit();
    }
    m_keys.erase(m_keys.begin() + m_pos);
    m_cache.remove(key);
    // The record after the deleted one becomes current; past the last one the cursor stands at its end.
    const bool pastEnd = m_pos >= int(m_keys.size());
    setCurrent(m_pos, false, pastEnd);
    emit rowsReset();
    emit currentChanged();
}

// --- field access ----------------------------------------------------------------------------------

QVariant Cursor::value(const QString &name) const
{
    const int column = columnOf(name);
    if (column < 0)
        throw StoreError(QStringLiteral("找不到字段 %1（%2）").arg(name, m_table.fileName));
    if (!isOpen())
        return {};
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
