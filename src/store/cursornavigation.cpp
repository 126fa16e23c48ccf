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

void Cursor::setFiltered(bool on)
{
    if (m_filtered == on)
        return;
    if (isOpen())
        checkBrowseMode();
    m_filtered = on;
    m_keptKey = 0;
    if (isOpen()) {
        loadKeys();
        setCurrent(m_keys.empty() ? -1 : 0, true, m_keys.empty());
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
    setCurrent(0, true, false);
    emit currentChanged();
}

void Cursor::last()
{
    requireOpen();
    checkBrowseMode();
    ensureFresh();
    setCurrent(int(m_keys.size()) - 1, false, true);
    emit currentChanged();
}

void Cursor::next()
{
    requireOpen();
    checkBrowseMode();
    ensureFresh();
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
    ensureFresh();
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
    ensureFresh();
    setCurrent(row, false, false);
    emit currentChanged();
}

Bookmark Cursor::bookmark() const
{
    ensureFresh();
    return m_pos >= 0 ? m_keys[m_pos] : 0;
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
    return int(m_keys.size());
}

bool Cursor::isEmpty() const
{
    ensureFresh();
    return m_keys.empty() && m_state != CursorState::Insert;
}

void Cursor::gotoBookmark(Bookmark mark)
{
    requireOpen();
    checkBrowseMode();
    ensureFresh();
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
    ensureFresh();
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
    m_keptKey = 0;
    const qint64 key = m_pos >= 0 ? m_keys[m_pos] : 0;
    const int row = m_pos;
    loadKeys();
    placeAt(key, row);
    emit rowsReset();
    emit currentChanged();
}

} // namespace ktv
