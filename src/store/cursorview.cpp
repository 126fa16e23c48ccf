#include "cursor.h"

#include "cursorsql.h"
#include "database.h"
#include "fieldvalue.h"
#include "storeerror.h"

#include <QMetaMethod>
#include <QScopedValueRollback>
#include <QSqlQuery>

#include <algorithm>

namespace ktv {

namespace {
constexpr int kFetchBefore = 16;
constexpr int kFetchAfter = 48;
constexpr int kCacheLimit = 4096;
} // namespace

// --- the view: keys, order, filter, link -----------------------------------------------------------

QString Cursor::viewCondition(QVariantList &binds) const
{
    QStringList conditions;
    if (m_filtered && m_filter.field >= 0) {
        // Written as a literal, not bound, so that the engine can match it to a partial index when it plans.
        QString literal = m_filter.value;
        literal.replace(QLatin1Char('\''), QStringLiteral("''"));
        const QString column = sqlName(m_table.fields[m_filter.field].name);
        literal = QLatin1Char('\'') + literal + QLatin1Char('\'');
        conditions << (m_filter.notEqual ? m_db.dialect().notSame(column, literal)
                                         : m_db.dialect().same(column, literal));
    }
    if (m_master) {
        if (m_linkEmpty)
            return Dialect::never();
        for (int i = 0; i < m_detailFields.size(); ++i) {
            const FieldDef &f = m_table.field(m_detailFields[i]);
            const QVariant v = i < m_linkValues.size() ? m_linkValues[i] : QVariant();
            if (v.isNull()) {
                conditions << sqlName(f.name) + QStringLiteral(" IS NULL");
            } else {
                conditions << sqlName(f.name) + QStringLiteral(" = ?");
                binds << fieldvalue::toSql(f, v);
            }
        }
    }
    if (m_range.field >= 0) {
        const QString column = sqlName(m_table.fields[m_range.field].name);
        conditions << column + QStringLiteral(" >= ? AND ") + column + QStringLiteral(" < ?");
        binds << m_range.from << m_range.to;
    }
    return conditions.join(QLatin1String(" AND "));
}

QStringList Cursor::orderFields() const
{
    if (const IndexDef *index = m_indexName.isEmpty() ? nullptr : m_table.index(m_indexName))
        return index->fields;
    return m_orderFields;
}

bool Cursor::orderDescending() const
{
    if (const IndexDef *index = m_indexName.isEmpty() ? nullptr : m_table.index(m_indexName))
        return index->descending;
    return m_descending;
}

QString Cursor::orderClause() const
{
    const Dialect &dialect = m_db.dialect();
    QStringList terms;
    for (const QString &f : orderFields()) {
        const QString column = sqlName(m_table.field(f).name);
        terms << dialect.orderTerm(column, orderDescending(), column == rowKey());
    }
    terms << dialect.orderTerm(rowKey(), orderDescending(), true);
    return QStringLiteral(" ORDER BY ") + terms.join(QLatin1String(", "));
}

QString Cursor::selectList() const
{
    QStringList cols{rowKey()};
    for (int i : m_columns)
        cols << sqlName(m_table.fields[i].name);
    return cols.join(QLatin1String(", "));
}

// Starts the view afresh; its keys are read when they are asked for.
void Cursor::startView()
{
    m_seenVersion = m_db.version(m_table.name);
    KeyWindow::View view;
    view.table = sqlName(m_table.name);
    view.key = rowKey();
    view.condition = viewCondition(view.binds);
    for (const QString &f : orderFields())
        view.orderBy << sqlName(m_table.field(f).name);
    view.descending = orderDescending();
    m_view.setView(view);
    m_cache.clear();
}

void Cursor::setCurrent(std::optional<qint64> pos, bool bof, bool eof)
{
    m_pos = pos;
    m_bof = bof || !pos;
    m_eof = eof || !pos;
    if (pos)
        m_view.pin(*pos);
}

std::optional<KeyEntry> Cursor::currentEntry() const
{
    if (!m_pos)
        return std::nullopt;
    KeyEntry e = m_view.entry(*m_pos);
    return e.key ? std::optional<KeyEntry>(std::move(e)) : std::nullopt;
}

// Makes the record `rowid` current; when it is no longer in view, the record that followed `near`, or the
// last one, past which the cursor then stands.
void Cursor::placeAt(qint64 rowid, const std::optional<KeyEntry> &near)
{
    std::optional<qint64> pos = rowid ? m_view.find(rowid) : std::nullopt;
    if (!pos && near)
        pos = m_view.find(near->key);
    if (!pos && near)
        pos = m_view.after(*near);
    if (pos)
        setCurrent(pos, false, false);
    else if (rowid || near)
        setCurrent(m_view.last(), false, true);
    else
        setCurrent(m_view.first(), true, false);
}

int Cursor::currentRow() const
{
    return m_pos ? int(m_view.rowOf(*m_pos)) : -1;
}

// --- freshness -------------------------------------------------------------------------------------

void Cursor::ensureFresh() const
{
    // A record being edited is served from its buffer; its view is read again once it is saved or dropped.
    if (!isOpen() || isEditing())
        return;
    if (!m_followsChanges && m_seenVersion != kNeverRead)
        return;
    auto *self = const_cast<Cursor *>(this);
    if (m_master) {
        m_master->ensureFresh();
        self->followMaster(false); // the link follows the master's record as stored now
    }
    if (m_db.version(m_table.name) != m_seenVersion)
        self->reread();
}

void Cursor::reread(bool ownWrite)
{
    const std::optional<KeyEntry> current = m_seenVersion == kNeverRead ? std::nullopt : currentEntry();
    QVector<QVariant> shown;
    if (current && !m_table.identity.isEmpty())
        shown = m_cache.value(current->key);
    rereadAround(current, shown, ownWrite);
}

// Reads the view again and stands on `current` as stored now. A record that is gone, that left the view or
// whose row was given to another record is lost: the cursor stands on its neighbour until one is chosen.
void Cursor::rereadAround(const std::optional<KeyEntry> &current, const QVector<QVariant> &shown, bool ownWrite)
{
    const bool bof = m_bof;
    const bool eof = m_eof;
    bool lost = false;
    startView();
    if (!current) {
        setCurrent(m_view.first(), true, false); // first read, or rows came to an empty view
    } else if (const std::optional<qint64> pos = m_view.find(current->key)) {
        setCurrent(pos, bof && !m_view.neighbour(*pos, -1), eof && !m_view.neighbour(*pos, 1));
        if (!shown.isEmpty()) {
            const std::optional<QVector<QVariant>> stored = storedRow(current->key);
            lost = !stored || !sameIdentity(shown, *stored);
        }
    } else if (const std::optional<qint64> next = m_view.after(*current)) {
        setCurrent(next, false, false);
        lost = true;
    } else {
        setCurrent(m_view.last(), false, true);
        lost = true;
    }
    if (lost && !ownWrite)
        markLost();
    const QScopedValueRollback<bool> telling(m_rereading, true);
    emit rowsReset();
    emit currentChanged();
}

void Cursor::followOwnWrite()
{
    if (!isOpen() || isEditing())
        return;
    const std::optional<KeyEntry> current = currentEntry();
    // The step may have taken the record out of the filter, as a post through this cursor would.
    if (current && m_filtered && m_filter.field >= 0)
        m_view.setKept(current->key);
    if (m_db.version(m_table.name) != m_seenVersion)
        rereadAround(current, {}, true);
}

bool Cursor::isLost() const
{
    ensureFresh();
    return m_lost || (m_master && m_master->isLost());
}

void Cursor::readAgain()
{
    requireOpen();
    checkBrowseMode();
    if (m_master) {
        m_master->ensureFresh();
        followMaster(false);
    }
    reread();
}

void Cursor::markLost()
{
    m_lost = true;
    m_lostWhy.clear();
}

void Cursor::dropChoice(const QString &why)
{
    m_lost = true;
    m_lostWhy = why;
}

QString Cursor::lostMessage() const
{
    if (m_master && !m_lost && m_master->isLost())
        return m_master->lostMessage();
    if (!m_lostWhy.isEmpty())
        return m_lostWhy;
    return QStringLiteral("%1 中选中的记录已在别处被删除或修改，请重新选择").arg(m_table.fileName);
}

void Cursor::requireChosen() const
{
    if (isLost())
        throw StoreError(lostMessage());
}

bool Cursor::sameIdentity(const QVector<QVariant> &a, const QVector<QVariant> &b) const
{
    for (const QString &name : m_table.identity) {
        const int i = m_table.fieldIndex(name);
        if (a.value(i) != b.value(i))
            return false;
    }
    return true;
}

bool Cursor::isShown() const
{
    static const QMetaMethod shown = QMetaMethod::fromSignal(&Cursor::rowsReset);
    return isSignalConnected(shown);
}

void Cursor::onDatabaseChanged()
{
    // Shown lists follow soon, once the event loop runs; a cursor nobody shows waits until it is asked.
    if (m_rereadQueued || !isOpen() || !isShown())
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

std::optional<QVector<QVariant>> Cursor::storedRow(qint64 rowid) const
{
    QSqlQuery query = m_db.run(QStringLiteral("SELECT ") + selectList() + QStringLiteral(" FROM ") +
                                   sqlName(m_table.name) + QStringLiteral(" WHERE ") + rowKey() +
                                   QStringLiteral(" = ?") + (m_db.inTransaction() ? m_db.dialect().lockRows() : QString()),
                               {rowid});
    if (!query.next())
        return std::nullopt;
    QVector<QVariant> row(m_table.fields.size());
    for (int c = 0; c < m_columns.size(); ++c)
        row[m_columns[c]] = fieldvalue::fromSql(m_table.fields[m_columns[c]], query.value(c + 1));
    return row;
}

QVector<QVariant> Cursor::fetchOne(qint64 rowid) const
{
    return storedRow(rowid).value_or(QVector<QVariant>(m_table.fields.size()));
}

const QVector<QVariant> &Cursor::rowAt(qint64 pos) const
{
    const qint64 key = m_view.keyAt(pos);
    auto it = m_cache.constFind(key);
    if (it != m_cache.constEnd())
        return *it;
    if (m_cache.size() > kCacheLimit)
        m_cache.clear();

    // Fetch a page around the row, so that a grid scrolling through the view asks once per page.
    QStringList ids;
    for (qint64 near : m_view.keysNear(pos, kFetchBefore, kFetchAfter)) {
        if (near && !m_cache.contains(near))
            ids << QString::number(near);
    }
    if (!ids.isEmpty()) {
        QSqlQuery query = m_db.run(QStringLiteral("SELECT ") + selectList() + QStringLiteral(" FROM ") +
                                   sqlName(m_table.name) + QStringLiteral(" WHERE ") + rowKey() + QStringLiteral(" IN (") +
                                   ids.join(QLatin1Char(',')) + QLatin1Char(')'));
        while (query.next()) {
            QVector<QVariant> values(m_table.fields.size());
            for (int c = 0; c < m_columns.size(); ++c)
                values[m_columns[c]] = fieldvalue::fromSql(m_table.fields[m_columns[c]], query.value(c + 1));
            m_cache.insert(query.value(0).toLongLong(), values);
        }
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
    if (!m_pos)
        return QVector<QVariant>(m_table.fields.size());
    return rowAt(*m_pos);
}

int Cursor::insertRow() const
{
    return m_insertAtEnd || !m_pos ? int(m_view.count()) : int(m_view.rowOf(*m_pos));
}

// A grid asks these from its paint and its selection, where nothing may throw: a count or a row number
// that cannot be read now shows as none, and the next action on the cursor reports what is wrong.
int Cursor::displayRowCount() const
{
    if (!isOpen())
        return 0;
    try {
        return int(m_view.count()) + (m_state == CursorState::Insert ? 1 : 0);
    } catch (const StoreError &) {
        return 0;
    }
}

int Cursor::currentDisplayRow() const
{
    try {
        if (m_state == CursorState::Insert)
            return insertRow();
        return m_pos ? int(m_view.rowOf(*m_pos)) : -1;
    } catch (const StoreError &) {
        return -1;
    }
}

QVariant Cursor::displayValue(int row, int column) const
{
    const int fieldIndex = m_columns.at(column);
    if (m_state == CursorState::Insert) {
        const int insertAt = insertRow();
        if (row == insertAt)
            return m_buffer.at(fieldIndex);
        if (row > insertAt)
            --row;
    } else if (m_state == CursorState::Edit && m_pos && row == m_view.rowOf(*m_pos)) {
        return m_buffer.at(fieldIndex);
    }
    const std::optional<qint64> pos = m_view.atRow(row);
    if (!pos)
        return {};
    return rowAt(*pos).at(fieldIndex);
}

void Cursor::moveToDisplayRow(int row)
{
    if (row == currentDisplayRow())
        return;
    if (m_state == CursorState::Insert && row > insertRow())
        --row;
    const std::optional<qint64> at = m_view.atRow(row);
    const qint64 target = at ? m_view.keyAt(*at) : 0;
    checkBrowseMode();
    std::optional<qint64> pos = target ? m_view.find(target) : std::nullopt;
    if (!pos)
        pos = m_view.atRow(row);
    if (pos)
        setCurrent(pos, false, false);
    else
        setCurrent(m_view.last(), false, true);
    m_lost = false;
    emit currentChanged();
}

} // namespace ktv
