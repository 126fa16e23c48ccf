#include "reservationtimes.h"

namespace ktv::reservationtimes {

namespace {
constexpr qint64 kMsPerMinute = 60'000;
} // namespace

bool isState(const QString &state)
{
    return state == booked || state == arrived || state == cancelled || state == expired;
}

bool isLate(const QDateTime &from, const QDateTime &now)
{
    return now >= from.addMSecs(kGraceMinutes * kMsPerMinute);
}

QString shownState(const QString &stored, const QDateTime &from, const QDateTime &now)
{
    return stored == booked && from.isValid() && isLate(from, now) ? expired : stored;
}

bool marksBoard(const QString &stored, const QDateTime &from, const QDateTime &now, int leadMinutes)
{
    return stored == booked && from.isValid() && from > boardWindowStart(now) &&
           from <= boardWindowEnd(now, leadMinutes);
}

QDateTime boardWindowStart(const QDateTime &now)
{
    return now.addMSecs(-kGraceMinutes * kMsPerMinute);
}

QDateTime boardWindowEnd(const QDateTime &now, int leadMinutes)
{
    return now.addMSecs(leadMinutes * kMsPerMinute);
}

bool overlaps(const QDateTime &aFrom, const QDateTime &aTo, const QDateTime &bFrom, const QDateTime &bTo)
{
    return aFrom < bTo && bFrom < aTo;
}

bool holdsRoom(const QString &state)
{
    return state == booked || state == arrived;
}

} // namespace ktv::reservationtimes
