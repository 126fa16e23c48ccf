#include "keywindow.h"

#include "database.h"

#include <QSqlQuery>

#include <algorithm>

namespace ktv {

namespace {
constexpr int kPage = 64;             // keys read at a time
constexpr qint64 kSeekReach = 1024;   // farther than this a row is read by its number, not by walking
constexpr size_t kKeepRead = 8192;    // keys kept read before those far from the current one are let go
constexpr qint64 kKeepAround = 1024;

int rank(const QVariant &v)
{
    if (v.isNull())
        return 0;
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Bool:
        return 1;
    case QMetaType::QByteArray:
        return 3;
    default:
        return 2;
    }
}

bool integral(const QVariant &v) { return v.typeId() != QMetaType::Double; }
} // namespace

int KeyWindow::compareStored(const QVariant &a, const QVariant &b)
{
    const int ra = rank(a);
    const int rb = rank(b);
    if (ra != rb)
        return ra < rb ? -1 : 1;
    switch (ra) {
    case 0:
        return 0;
    case 1:
        if (integral(a) && integral(b)) {
            const qint64 x = a.toLongLong();
            const qint64 y = b.toLongLong();
            return x < y ? -1 : (x > y ? 1 : 0);
        } else {
            const double x = a.toDouble();
            const double y = b.toDouble();
            return x < y ? -1 : (x > y ? 1 : 0);
        }
    case 3: {
        const int c = a.toByteArray().compare(b.toByteArray());
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    default: {
        // Text sorts by its UTF-8 bytes, as the default collation compares it.
        const int c = a.toString().toUtf8().compare(b.toString().toUtf8());
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    }
}

// --- the view --------------------------------------------------------------------------------------

void KeyWindow::setView(View view)
{
    m_view = std::move(view);
    clear();
}

void KeyWindow::clear()
{
    renumber();
    m_count.reset();
    m_sqlCount.reset();
    m_keptLooked = false;
    m_keptEntry.reset();
}

bool KeyWindow::setKept(qint64 key)
{
    // The same record saved again keeps its place, but whether it passes the condition may have changed.
    const bool read = !m_rows.empty() || m_count || m_sqlCount;
    const bool leaves = key != m_kept && read && keptExtra() != nullptr;
    m_kept = key;
    m_keptLooked = false;
    m_keptEntry.reset();
    // Counted before it was saved, the record may have been counted as passing the condition.
    m_count.reset();
    m_sqlCount.reset();
    if (leaves)
        renumber();
    return leaves;
}

void KeyWindow::renumber()
{
    m_rows.clear();
    m_posOfKey.clear();
    m_head.reset();
    m_tail.reset();
    m_origin.reset();
}

void KeyWindow::put(qint64 pos, const KeyEntry &e)
{
    auto old = m_rows.find(pos);
    if (old != m_rows.end())
        m_posOfKey.remove(old->second.key);
    m_rows[pos] = e;
    m_posOfKey.insert(e.key, pos);
}

void KeyWindow::trim()
{
    if (m_rows.size() <= kKeepRead)
        return;
    for (auto it = m_rows.begin(); it != m_rows.end();) {
        const qint64 pos = it->first;
        if (std::abs(pos - m_pin) > kKeepAround && std::abs(pos - m_lastAsked) > kKeepAround) {
            m_posOfKey.remove(it->second.key);
            it = m_rows.erase(it);
        } else {
            ++it;
        }
    }
}

// --- positions -------------------------------------------------------------------------------------

std::optional<qint64> KeyWindow::first()
{
    if (m_head)
        return ensure(*m_head) ? m_head : std::nullopt;
    renumber();
    const QList<KeyEntry> page = edge(true, kPage);
    m_origin = 0;
    m_head = 0;
    for (int i = 0; i < page.size(); ++i)
        put(i, page[i]);
    if (page.size() < kPage)
        m_tail = page.size() - 1;
    if (page.isEmpty())
        return std::nullopt;
    return 0;
}

std::optional<qint64> KeyWindow::last()
{
    if (m_tail)
        return ensure(*m_tail) ? m_tail : std::nullopt;
    renumber();
    const QList<KeyEntry> page = edge(false, kPage);
    m_tail = -1;
    for (int i = 0; i < page.size(); ++i)
        put(-1 - i, page[i]);
    if (page.size() < kPage) {
        m_head = -page.size();
        m_origin = page.size();
    }
    if (page.isEmpty())
        return std::nullopt;
    return -1;
}

std::optional<qint64> KeyWindow::neighbour(qint64 pos, int step)
{
    return ensure(pos + step) ? std::optional<qint64>(pos + step) : std::nullopt;
}

std::optional<qint64> KeyWindow::find(qint64 key)
{
    const auto known = m_posOfKey.constFind(key);
    if (known != m_posOfKey.constEnd())
        return *known;
    bool inView = false;
    const std::optional<KeyEntry> e = lookUp(key, &inView);
    if (!e || (!inView && key != m_kept))
        return std::nullopt;
    renumber();
    put(0, *e);
    readFrom(0, true, kPage / 2);
    readFrom(0, false, kPage / 2);
    return 0;
}

std::optional<qint64> KeyWindow::after(const KeyEntry &gone)
{
    const QList<KeyEntry> page = seek(gone, true, kPage / 2);
    if (page.isEmpty())
        return std::nullopt;
    renumber();
    for (int i = 0; i < page.size(); ++i)
        put(i, page[i]);
    if (page.size() < kPage / 2)
        m_tail = page.size() - 1;
    readFrom(0, false, kPage / 2);
    return 0;
}

std::optional<qint64> KeyWindow::atRow(qint64 row)
{
    if (row < 0)
        return std::nullopt;
    const qint64 pos = row - origin();
    return ensure(pos) ? std::optional<qint64>(pos) : std::nullopt;
}

KeyEntry KeyWindow::entry(qint64 pos)
{
    if (!ensure(pos))
        return {};
    return m_rows.at(pos);
}

qint64 KeyWindow::rowOf(qint64 pos) { return pos + origin(); }

qint64 KeyWindow::count()
{
    if (!m_count) {
        if (m_head && m_tail)
            m_count = *m_tail - *m_head + 1;
        else
            m_count = sqlCount() + (keptExtra() ? 1 : 0);
    }
    return *m_count;
}

std::optional<qint64> KeyWindow::erase(qint64 pos)
{
    const KeyEntry erased = entry(pos);
    const auto gone = m_rows.find(pos);
    if (gone != m_rows.end()) {
        if (gone->second.key == m_kept) {
            m_kept = 0;
            m_keptEntry.reset();
        }
        m_posOfKey.remove(gone->second.key);
        m_rows.erase(gone);
    }
    std::map<qint64, KeyEntry> moved;
    for (auto it = m_rows.begin(); it != m_rows.end();) {
        if (it->first > pos) {
            moved.emplace(it->first - 1, std::move(it->second));
            it = m_rows.erase(it);
        } else {
            ++it;
        }
    }
    for (auto &[p, e] : moved) {
        m_posOfKey.insert(e.key, p);
        m_rows.emplace(p, std::move(e));
    }
    if (m_tail)
        --*m_tail;
    if (m_count && *m_count > 0)
        --*m_count;
    m_sqlCount.reset();
    if (m_rows.empty()) {
        // Nothing read is left to number from: read on from where the record stood.
        renumber();
        return erased.key ? after(erased) : std::nullopt;
    }
    return ensure(pos) ? std::optional<qint64>(pos) : std::nullopt;
}

QList<qint64> KeyWindow::keysNear(qint64 pos, int before, int after)
{
    ensure(std::min(pos + after, m_tail.value_or(pos + after)));
    QList<qint64> keys;
    for (auto it = m_rows.lower_bound(pos - before); it != m_rows.end() && it->first <= pos + after; ++it)
        keys << it->second.key;
    return keys;
}

// Reads the page holding pos: from the nearest position already read when it is near, else by row number.
bool KeyWindow::ensure(qint64 pos)
{
    m_lastAsked = pos;
    if (m_rows.count(pos))
        return true;
    if ((m_head && pos < *m_head) || (m_tail && pos > *m_tail))
        return false;
    if (!m_rows.empty()) {
        const auto above = m_rows.lower_bound(pos);
        const qint64 up = above == m_rows.end() ? kSeekReach + 1 : above->first - pos;
        const qint64 down = above == m_rows.begin() ? kSeekReach + 1 : pos - std::prev(above)->first;
        if (std::min(up, down) <= kSeekReach) {
            if (down <= up)
                readFrom(std::prev(above)->first, true, int(down) + kPage / 2);
            else
                readFrom(above->first, false, int(up) + kPage / 2);
            trim();
            return m_rows.count(pos) > 0;
        }
    }
    const qint64 o = origin();
    const qint64 total = count();
    m_head = -o;
    m_tail = total - 1 - o;
    const qint64 row = pos + o;
    if (row < 0 || row >= total)
        return false;
    const qint64 start = std::max<qint64>(0, row - kPage / 2);
    const QList<KeyEntry> page = fromRow(start, kPage);
    for (int i = 0; i < page.size(); ++i)
        put(start + i - o, page[i]);
    trim();
    return m_rows.count(pos) > 0;
}

void KeyWindow::readFrom(qint64 pos, bool forward, int limit)
{
    const QList<KeyEntry> page = seek(m_rows.at(pos), forward, limit);
    const int step = forward ? 1 : -1;
    for (int i = 0; i < page.size(); ++i)
        put(pos + step * (i + 1), page[i]);
    if (page.size() < limit) {
        if (forward)
            m_tail = pos + page.size();
        else
            m_head = pos - page.size();
    }
}

std::optional<qint64> KeyWindow::knownOrigin() const
{
    if (m_origin)
        return m_origin;
    if (m_head)
        return -*m_head;
    if (m_tail && m_count)
        return *m_count - 1 - *m_tail;
    return std::nullopt;
}

qint64 KeyWindow::origin()
{
    if (!knownOrigin()) {
        if (m_rows.empty())
            m_origin = 0; // nothing read yet: the numbering starts at the head
        else if (m_tail)
            count();
        else
            m_origin = countBefore(m_rows.begin()->second) - m_rows.begin()->first;
    }
    m_origin = knownOrigin();
    return *m_origin;
}

// --- SQL -------------------------------------------------------------------------------------------

QString KeyWindow::walkOrder(bool forward) const
{
    const Dialect &dialect = m_db.dialect();
    QStringList terms;
    for (const QString &column : m_view.orderBy)
        terms << dialect.orderTerm(column, !ascendingWalk(forward), column == m_view.key);
    terms << dialect.orderTerm(m_view.key, !ascendingWalk(forward), true);
    return terms.join(QLatin1String(", "));
}

// The records after `from` in walk order, as disjoint ranges listed in walk order; each is a range of the
// order's index: equal on the leading columns, beyond `from` on the next one.
QList<KeyWindow::Part> KeyWindow::partsAfter(const KeyEntry &from, bool forward) const
{
    const bool up = ascendingWalk(forward);
    const int k = int(m_view.orderBy.size());
    QList<Part> parts;
    for (int i = k; i >= 0; --i) {
        QStringList prefix;
        QVariantList binds;
        for (int j = 0; j < i; ++j) {
            prefix << m_db.dialect().same(m_view.orderBy[j], QStringLiteral("?"));
            binds << from.order.value(j);
        }
        const auto add = [&](const QString &condition, const QVariantList &more) {
            parts << Part{(QStringList(prefix) << condition).join(QLatin1String(" AND ")), binds + more};
        };
        if (i == k) {
            add(m_view.key + (up ? QStringLiteral(" > ?") : QStringLiteral(" < ?")), {from.key});
            continue;
        }
        const QString &column = m_view.orderBy[i];
        const QVariant v = from.order.value(i);
        // NULL sorts first.
        if (up) {
            add(v.isNull() ? column + QStringLiteral(" IS NOT NULL") : column + QStringLiteral(" > ?"),
                v.isNull() ? QVariantList() : QVariantList{v});
        } else if (!v.isNull()) {
            add(column + QStringLiteral(" < ?"), {v});
            add(column + QStringLiteral(" IS NULL"), {});
        }
    }
    return parts;
}

int KeyWindow::compareInWalk(const KeyEntry &a, const KeyEntry &b, bool forward) const
{
    int c = 0;
    for (int j = 0; j < m_view.orderBy.size() && c == 0; ++j)
        c = compareStored(a.order.value(j), b.order.value(j));
    if (c == 0)
        c = a.key < b.key ? -1 : (a.key > b.key ? 1 : 0);
    return ascendingWalk(forward) ? c : -c;
}

QString KeyWindow::whereWith(const QString &condition) const
{
    QStringList conditions;
    if (!m_view.condition.isEmpty())
        conditions << QLatin1Char('(') + m_view.condition + QLatin1Char(')');
    if (!condition.isEmpty())
        conditions << condition;
    return conditions.isEmpty() ? QString() : QStringLiteral(" WHERE ") + conditions.join(QLatin1String(" AND "));
}

QList<KeyEntry> KeyWindow::select(const QString &condition, const QVariantList &binds, bool forward, qint64 limit,
                                  qint64 offset)
{
    if (m_view.table.isEmpty())
        return {}; // not read yet
    QString sql = QStringLiteral("SELECT ") + m_view.key;
    for (const QString &column : m_view.orderBy)
        sql += QStringLiteral(", ") + column;
    sql += QStringLiteral(" FROM ") + m_view.table + whereWith(condition);
    sql += QStringLiteral(" ORDER BY ") + walkOrder(forward) +
           QStringLiteral(" LIMIT %1 OFFSET %2").arg(limit).arg(offset);
    QSqlQuery query = m_db.run(sql, m_view.binds + binds);
    QList<KeyEntry> out;
    while (query.next()) {
        KeyEntry e{query.value(0).toLongLong(), {}};
        for (int j = 0; j < m_view.orderBy.size(); ++j)
            e.order << query.value(j + 1);
        out << e;
    }
    return out;
}

qint64 KeyWindow::countWhere(const QString &condition, const QVariantList &binds)
{
    if (m_view.table.isEmpty())
        return 0;
    const QString sql = QStringLiteral("SELECT count(*) FROM ") + m_view.table + whereWith(condition);
    QSqlQuery query = m_db.run(sql, m_view.binds + binds);
    return query.next() ? query.value(0).toLongLong() : 0;
}

qint64 KeyWindow::sqlCount()
{
    if (!m_sqlCount)
        m_sqlCount = countWhere({}, {});
    return *m_sqlCount;
}

QList<KeyEntry> KeyWindow::edge(bool head, int limit)
{
    QList<KeyEntry> page = select({}, {}, head, limit);
    mergeKept(page, head, limit, true);
    return page;
}

QList<KeyEntry> KeyWindow::seek(const KeyEntry &from, bool forward, int limit)
{
    QList<KeyEntry> page;
    for (const Part &part : partsAfter(from, forward)) {
        if (page.size() >= limit)
            break;
        page += select(part.condition, part.binds, forward, limit - page.size());
    }
    const KeyEntry *kept = keptExtra();
    mergeKept(page, forward, limit, kept && compareInWalk(*kept, from, forward) > 0);
    return page;
}

// `limit` records from row number `row` on, read by an offset from the nearer end.
QList<KeyEntry> KeyWindow::fromRow(qint64 row, int limit)
{
    const KeyEntry *kept = keptExtra();
    const qint64 keptRow = kept ? countBefore(*kept) : -1;
    const qint64 start = row - (kept && keptRow < row ? 1 : 0);
    const qint64 total = sqlCount();
    QList<KeyEntry> page;
    if (start > total / 2) {
        const qint64 end = std::min(total, start + limit);
        page = select({}, {}, false, end - start, total - end);
        std::reverse(page.begin(), page.end());
    } else {
        page = select({}, {}, true, limit, start);
    }
    if (kept && keptRow >= row && keptRow < row + limit) {
        page.insert(std::min<qint64>(keptRow - row, page.size()), *kept);
        if (page.size() > limit)
            page.removeLast();
    }
    return page;
}

qint64 KeyWindow::countBefore(const KeyEntry &e)
{
    qint64 n = 0;
    for (const Part &part : partsAfter(e, false))
        n += countWhere(part.condition, part.binds);
    const KeyEntry *kept = keptExtra();
    if (kept && kept->key != e.key && compareInWalk(*kept, e, true) < 0)
        ++n;
    return n;
}

std::optional<KeyEntry> KeyWindow::lookUp(qint64 key, bool *inView)
{
    if (m_view.table.isEmpty())
        return std::nullopt;
    QString sql = QStringLiteral("SELECT ") + m_view.key;
    for (const QString &column : m_view.orderBy)
        sql += QStringLiteral(", ") + column;
    sql += QStringLiteral(", ") + (m_view.condition.isEmpty() ? QStringLiteral("1 = 1") : m_view.condition);
    sql += QStringLiteral(" FROM ") + m_view.table + QStringLiteral(" WHERE ") + m_view.key + QStringLiteral(" = ?");
    QSqlQuery query = m_db.run(sql, m_view.binds + QVariantList{key});
    if (!query.next())
        return std::nullopt;
    KeyEntry e{key, {}};
    for (int j = 0; j < m_view.orderBy.size(); ++j)
        e.order << query.value(j + 1);
    *inView = query.value(int(m_view.orderBy.size()) + 1).toBool();
    return e;
}

const KeyEntry *KeyWindow::keptExtra()
{
    if (!m_kept)
        return nullptr;
    if (!m_keptLooked) {
        m_keptLooked = true;
        bool inView = false;
        m_keptEntry = lookUp(m_kept, &inView);
        if (inView)
            m_keptEntry.reset();
    }
    return m_keptEntry ? &*m_keptEntry : nullptr;
}

void KeyWindow::mergeKept(QList<KeyEntry> &list, bool forward, int limit, bool belongs)
{
    const KeyEntry *kept = keptExtra();
    if (!kept || !belongs)
        return;
    int at = 0;
    while (at < list.size() && compareInWalk(list[at], *kept, forward) < 0)
        ++at;
    if (at == list.size() && list.size() >= limit)
        return;
    list.insert(at, *kept);
    if (list.size() > limit)
        list.removeLast();
}

} // namespace ktv
