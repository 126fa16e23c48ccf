#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>

namespace ktv::staff {

// Five wrong passwords in a row for one staff number lock that number for one minute; a right one, or the
// end of the lock, starts the count again. What a station keeps for the run.
class LoginGuard
{
public:
    static constexpr int kTries = 5;
    static constexpr qint64 kLockMs = 60'000;

    // Milliseconds the number stays locked from now; 0 when it may try.
    qint64 lockedFor(const QString &staffId, const QDateTime &now) const;
    void failed(const QString &staffId, const QDateTime &now);
    void succeeded(const QString &staffId);

private:
    struct Tries
    {
        int wrong = 0;
        QDateTime lockedUntil;
    };
    QHash<QString, Tries> m_tries;
};

} // namespace ktv::staff
