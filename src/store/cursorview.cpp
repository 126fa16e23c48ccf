#include "cursor.h"

#include "cursorsql.h"
#include "database.h"
#include "fieldvalue.h"
#include "storeerror.h"

#include <QMetaMethod>
#include <QSqlQuery>

#include <algorithm>

namespace ktv {

namespace {
constexpr int kFetchBefore = 16;
constexpr int kFetchAfter = 48;
constexpr int kCacheLimit = 4096;
} // namespace

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
    m_seenVersion = m_db.version(m_table.name);
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

// --- freshness -------------------------------------------------------------------------------------

void Cursor::ensureFresh() const
{
    // A record being edited is served from its buffer; its view is read again once it is saved or dropped.
    if (!isOpen() || isEditing())
        return;
    auto *self = const_cast<Cursor *>(this);
    if (m_master) {
        m_master->ensureFresh();
        self->followMaster(false); // the link follows the master's record as stored now
    }
    if (m_db.version(m_table.name) != m_seenVersion)
        self->reread();
}

void Cursor::reread()
{
    const qint64 key = m_pos >= 0 ? m_keys[m_pos] : 0;
    const int row = m_pos;
    const bool bof = m_bof;
    const bool eof = m_eof;
    loadKeys();
    // The record this cursor itself saved out of its filter stays current until the cashier refreshes.
    if (key && key == m_keptKey && std::find(m_keys.begin(), m_keys.end(), key) == m_keys.end())
        m_keys.insert(m_keys.begin() + std::clamp(row, 0, int(m_keys.size())), key);
    const auto it = std::find(m_keys.begin(), m_keys.end(), key);
    if (key && it != m_keys.end()) {
        const int found = int(it - m_keys.begin());
        setCurrent(found, bof && found == 0, eof && found == int(m_keys.size()) - 1);
    } else if (row < 0) {
        setCurrent(0, true, m_keys.empty()); // first read, or rows came to an empty view
    } else {
        setCurrent(row, false, row >= int(m_keys.size()));
    }
    emit rowsReset();
    emit currentChanged();
}

void Cursor::onDatabaseChanged()
{
    // Shown lists follow soon, once the event loop runs; a cursor nobody shows waits until it is asked.
    static const QMetaMethod shown = QMetaMethod::fromSignal(&Cursor::rowsReset);
    if (m_rereadQueued || !isOpen() || !isSignalConnected(shown))
        return;
    m_rereadQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_rereadQueued = false;
            try {
                ensureFresh();
            } catch (const StoreError &) {
                // Reported by the next action that reads this cursor.
            }
        },
        Qt::QueuedConnection);
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

} // namespace ktv
