#include "cursor.h"

#include "cursorsql.h"
#include "database.h"
#include "fieldvalue.h"
#include "storeerror.h"

#include <QRegularExpression>
#include <QSqlQuery>

#include <algorithm>

namespace ktv {

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

void Cursor::setRange(const QString &field, const QVariant &from, const QVariant &to)
{
    Range range;
    if (!field.isEmpty()) {
        range.field = m_table.fieldIndex(field);
        if (range.field < 0)
            throw StoreError(QStringLiteral("表 %1 中没有字段 %2").arg(m_table.fileName, field));
        const FieldDef &f = m_table.fields[range.field];
        range.from = fieldvalue::toSql(f, fieldvalue::normalize(f, from));
        range.to = fieldvalue::toSql(f, fieldvalue::normalize(f, to));
    }
    if (isOpen())
        checkBrowseMode();
    m_range = range;
    if (isOpen())
        refresh();
}

void Cursor::setFiltered(bool on)
{
    if (m_filtered == on)
        return;
    if (isOpen())
        checkBrowseMode();
    m_filtered = on;
    m_view.setKept(0);
    if (isOpen()) {
        startView();
        setCurrent(m_view.first(), true, false);
        m_lost = false;
        emit rowsReset();
        emit currentChanged();
    }
}

// --- navigation ------------------------------------------------------------------------------------

void Cursor::first()
{
    requireOpen();
    checkBrowseMode();
    ensureFresh();
    setCurrent(m_view.first(), true, false);
    m_lost = false;
    emit currentChanged();
}

void Cursor::last()
{
    requireOpen();
    checkBrowseMode();
    ensureFresh();
    setCurrent(m_view.last(), false, true);
    m_lost = false;
    emit currentChanged();
}

void Cursor::next()
{
    requireOpen();
    checkBrowseMode();
    ensureFresh();
    m_lost = false;
    if (const std::optional<qint64> next = m_pos ? m_view.neighbour(*m_pos, 1) : std::nullopt) {
        setCurrent(next, false, false);
        emit currentChanged();
    } else {
        m_eof = true;
    }
}

void Cursor::prior()
{
    requireOpen();
    checkBrowseMode();
    ensureFresh();
    m_lost = false;
    if (const std::optional<qint64> prior = m_pos ? m_view.neighbour(*m_pos, -1) : std::nullopt) {
        setCurrent(prior, false, false);
        emit currentChanged();
    } else {
        m_bof = true;
    }
}

void Cursor::moveTo(int row)
{
    requireOpen();
    checkBrowseMode();
    ensureFresh();
    std::optional<qint64> pos = row <= 0 ? m_view.first() : m_view.atRow(row);
    if (!pos)
        pos = m_view.last();
    setCurrent(pos, false, false);
    m_lost = false;
    emit currentChanged();
}

Bookmark Cursor::bookmark() const
{
    ensureFresh();
    return m_pos ? m_view.keyAt(*m_pos) : 0;
}

bool Cursor::bof() const
{
    ensureFresh();
    return m_bof;
}

bool Cursor::eof() const
{
    ensureFresh();
    return m_eof;
}

int Cursor::recordCount() const
{
    ensureFresh();
    return int(m_view.count());
}

bool Cursor::isEmpty() const
{
    ensureFresh();
    return !m_pos && m_state != CursorState::Insert;
}

void Cursor::gotoBookmark(Bookmark mark)
{
    requireOpen();
    checkBrowseMode();
    ensureFresh();
    const std::optional<qint64> pos = mark ? m_view.find(mark) : std::nullopt;
    if (!pos)
        throw StoreError(QStringLiteral("要返回的记录已不存在（%1）").arg(m_table.fileName));
    // A return to a record kept aside is no choice of the cashier's: a lost record stays lost.
    setCurrent(pos, false, false);
    emit currentChanged();
}

bool Cursor::locate(const QString &fieldName, const QVariant &value, LocateOptions options)
{
    requireOpen();
    checkBrowseMode();
    ensureFresh();
    const FieldDef &f = m_table.field(fieldName);

    QVariantList binds;
    const QString condition = viewCondition(binds);
    QString where = condition.isEmpty() ? QStringLiteral(" WHERE ")
                                        : QStringLiteral(" WHERE (") + condition + QStringLiteral(") AND ");
    const QString column = sqlName(f.name);
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
        QStringLiteral("SELECT ") + rowKey() + QStringLiteral(" FROM ") + sqlName(m_table.name) + where + orderClause() + QStringLiteral(" LIMIT 1");
    QSqlQuery query = m_db.run(sql, binds);
    if (!query.next())
        return false;
    const qint64 found = query.value(0).toLongLong();
    query.finish();

    const std::optional<qint64> pos = m_view.find(found);
    if (!pos)
        return false;
    // A located record is read as it is stored now, whoever changed it since this view was read.
    m_cache.remove(found);
    setCurrent(pos, false, false);
    m_lost = false;
    emit currentChanged();
    return true;
}

void Cursor::refresh()
{
    requireOpen();
    checkBrowseMode();
    const std::optional<KeyEntry> current = currentEntry();
    m_view.setKept(0);
    startView();
    placeAt(current ? current->key : 0, current);
    m_lost = false;
    emit rowsReset();
    emit currentChanged();
}

} // namespace ktv
