#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

#include <optional>

// The venue's business day: guests sing past midnight, so a day runs from 06:00 to 06:00 the next morning.
namespace ktv::reports {

constexpr int kDayStartHour = 6;

// The business day a moment belongs to: before 06:00 it is still the day before.
QDate businessDay(const QDateTime &moment);

// Business days from one to another, both included.
struct DateRange
{
    QDate from;
    QDate to;

    qint64 days() const { return from.daysTo(to) + 1; }
    double hours() const { return double(days()) * 24.0; }
    QDateTime start() const; // 06:00 of the first day
    QDateTime end() const;   // 06:00 after the last day, not included
    bool contains(const QDate &day) const { return day >= from && day <= to; }
    bool operator==(const DateRange &) const = default;
};

// The presets of the report window, for the business day the moment falls in: that day alone, its week
// from Monday, its month from the first, each up to that day.
DateRange thisBusinessDay(const QDateTime &now);
DateRange thisWeek(const QDateTime &now);
DateRange thisMonth(const QDateTime &now);

// A range of at most ten years with the first day not after the last; an empty message when it is one.
QString rangeProblem(const DateRange &range);

// Reads two dates written YYYY-MM-DD into a range; nothing, with the reason in *problem, when either is no
// such date or the range is refused.
std::optional<DateRange> parseRange(const QString &from, const QString &to, QString *problem);

} // namespace ktv::reports
