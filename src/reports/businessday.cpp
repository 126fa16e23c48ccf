#include "businessday.h"

#include <QRegularExpression>

namespace ktv::reports {

namespace {

constexpr qint64 kLongestRangeDays = 3660;

QDateTime dayStart(const QDate &day) { return QDateTime(day, QTime(kDayStartHour, 0)); }

std::optional<QDate> parseDay(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    if (!form.match(text).hasMatch())
        return std::nullopt;
    const QDate day = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (!day.isValid())
        return std::nullopt;
    return day;
}

} // namespace

QDate businessDay(const QDateTime &moment)
{
    const QDate date = moment.date();
    return moment.time().hour() < kDayStartHour ? date.addDays(-1) : date;
}

QDateTime DateRange::start() const { return dayStart(from); }

QDateTime DateRange::end() const { return dayStart(to.addDays(1)); }

DateRange thisBusinessDay(const QDateTime &now)
{
    const QDate today = businessDay(now);
    return {today, today};
}

DateRange thisWeek(const QDateTime &now)
{
    const QDate today = businessDay(now);
    return {today.addDays(1 - today.dayOfWeek()), today};
}

DateRange thisMonth(const QDateTime &now)
{
    const QDate today = businessDay(now);
    return {QDate(today.year(), today.month(), 1), today};
}

QString rangeProblem(const DateRange &range)
{
    if (!range.from.isValid() || !range.to.isValid())
        return QStringLiteral("日期无效");
    if (range.from > range.to)
        return QStringLiteral("开始日期 %1 晚于结束日期 %2")
            .arg(range.from.toString(Qt::ISODate), range.to.toString(Qt::ISODate));
    if (range.days() > kLongestRangeDays)
        return QStringLiteral("日期范围超过十年（%1 天），请分段查询").arg(range.days());
    return {};
}

std::optional<DateRange> parseRange(const QString &from, const QString &to, QString *problem)
{
    const std::optional<QDate> first = parseDay(from);
    const std::optional<QDate> last = parseDay(to);
    QString why;
    if (!first)
        why = QStringLiteral("开始日期“%1”不是 YYYY-MM-DD 格式的有效日期").arg(from);
    else if (!last)
        why = QStringLiteral("结束日期“%1”不是 YYYY-MM-DD 格式的有效日期").arg(to);
    else
        why = rangeProblem({*first, *last});
    if (!why.isEmpty()) {
        if (problem)
            *problem = why;
        return std::nullopt;
    }
    return DateRange{*first, *last};
}

} // namespace ktv::reports
