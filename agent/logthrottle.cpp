#include "logthrottle.h"

namespace ktv {

qint64 LogThrottle::note(const QString &key, qint64 nowMs)
{
    const auto found = m_entries.find(key);
    if (found != m_entries.end() && nowMs - found->toldAt < kIntervalMs) {
        ++found->heldBack;
        return 0;
    }
    const qint64 count = found == m_entries.end() ? 1 : found->heldBack + 1;
    m_entries.insert(key, Entry{nowMs, 0});
    return count;
}

QList<std::pair<QString, qint64>> LogThrottle::due(qint64 nowMs)
{
    QList<std::pair<QString, qint64>> lines;
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (nowMs - it->toldAt < kIntervalMs) {
            ++it;
        } else if (it->heldBack > 0) {
            lines.append({it.key(), it->heldBack});
            *it = Entry{nowMs, 0};
            ++it;
        } else {
            it = m_entries.erase(it);
        }
    }
    return lines;
}

} // namespace ktv
