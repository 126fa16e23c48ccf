#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include <utility>

namespace ktv {

// Keeps a flood out of the log: an event of one kind from one address is told at once, then at most once a
// minute with how many there were. Time is what the caller says it is (milliseconds on a steady clock).
class LogThrottle
{
public:
    static constexpr qint64 kIntervalMs = 60'000;

    // An event now: how many events to tell of (this one and those held back), or 0 to stay quiet.
    qint64 note(const QString &key, qint64 nowMs);

    // The events held back for which a line is due by now, each key with its count; a key quiet for a whole
    // interval is forgotten, so that many addresses do not pile up.
    QList<std::pair<QString, qint64>> due(qint64 nowMs);

private:
    struct Entry
    {
        qint64 toldAt = 0;
        qint64 heldBack = 0;
    };
    QHash<QString, Entry> m_entries;
};

} // namespace ktv
