#include "loginguard.h"

namespace ktv::staff {

qint64 LoginGuard::lockedFor(const QString &staffId, const QDateTime &now) const
{
    const auto it = m_tries.constFind(staffId);
    if (it == m_tries.constEnd() || !it->lockedUntil.isValid() || it->lockedUntil <= now)
        return 0;
    return now.msecsTo(it->lockedUntil);
}

void LoginGuard::failed(const QString &staffId, const QDateTime &now)
{
    Tries &tries = m_tries[staffId];
    if (tries.lockedUntil.isValid() && tries.lockedUntil <= now)
        tries = {}; // the lock has run out: five more tries
    if (++tries.wrong >= kTries && !tries.lockedUntil.isValid())
        tries.lockedUntil = now.addMSecs(kLockMs);
}

void LoginGuard::succeeded(const QString &staffId) { m_tries.remove(staffId); }

} // namespace ktv::staff
