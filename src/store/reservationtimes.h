#pragma once

#include <QDateTime>
#include <QString>

// The time rules of reservations, as computations: which reservation a room's button shows, when one is too
// late to be kept, and when two of one room collide.
namespace ktv::reservationtimes {

inline const QString booked = QStringLiteral("预订");
inline const QString arrived = QStringLiteral("已到");
inline const QString cancelled = QStringLiteral("取消");
inline const QString expired = QStringLiteral("过期");

bool isState(const QString &state); // one of the four above

// How long a party may be late before its reservation lapses, and how far ahead the board shows one by default.
constexpr int kGraceMinutes = 30;
constexpr int kDefaultLeadMinutes = 60;
// The longest reservation: bounds how far back a collision is looked for.
constexpr int kLongestHours = 24;

// 30 minutes or more past the expected arrival.
bool isLate(const QDateTime &from, const QDateTime &now);
// What the reservation shows as now: a booking that is late lapses, every other state stays as stored.
QString shownState(const QString &stored, const QDateTime &from, const QDateTime &now);
// A booking marks its room on the board from leadMinutes before its arrival time until it is late.
bool marksBoard(const QString &stored, const QDateTime &from, const QDateTime &now, int leadMinutes);
// The window of arrival times that marksBoard can accept at now: (earliest, latest].
QDateTime boardWindowStart(const QDateTime &now);
QDateTime boardWindowEnd(const QDateTime &now, int leadMinutes);

// Two stays of one room collide when each starts before the other ends: one ending as the next starts does not.
bool overlaps(const QDateTime &aFrom, const QDateTime &aTo, const QDateTime &bFrom, const QDateTime &bTo);
// A reservation in this state holds its room for its times; a cancelled or lapsed one holds nothing.
bool holdsRoom(const QString &state);

} // namespace ktv::reservationtimes
