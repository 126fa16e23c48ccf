#include "reportsums.h"

#include "store/gbk.h"

#include <algorithm>
#include <cmath>

namespace ktv::reports {

namespace {

// Amounts are compared to 1/10 000, as everywhere money is.
constexpr double kMoneyEpsilon = 0.0001;
constexpr int kLineCodeBytes = 5;

// Milliseconds on the wall clock, as the cashier reads the times: no time zone or daylight saving applies.
qint64 wallMs(const QDate &day, const QTime &time)
{
    return day.toJulianDay() * 86'400'000 + time.msecsSinceStartOfDay();
}

qint64 wallMs(const QDateTime &moment)
{
    return wallMs(moment.date(), moment.time());
}

} // namespace

bool counted(const VisitRow &visit, const DateRange &range)
{
    if (!visit.end.isValid())
        return false;
    if (visit.begin.isValid() && visit.end < visit.begin)
        return false; // still open: check-in writes an end one day before the begin
    return range.contains(businessDay(visit.end));
}

void TakingsRow::add(const VisitRow &visit)
{
    const double roomCharge = visit.roomCharge.value_or(0);
    const double drinksTotal = visit.drinks.value_or(0);
    const double changeGiven = visit.change.value_or(0);
    ++visits;
    room += roomCharge;
    drinks += drinksTotal;
    if (visit.due && *visit.due < roomCharge + drinksTotal - kMoneyEpsilon)
        waived += roomCharge + drinksTotal - *visit.due;
    if (changeGiven < -kMoneyEpsilon)
        owed -= changeGiven;
    due += visit.due.value_or(0);
    paid += visit.paid.value_or(0);
    if (changeGiven > kMoneyEpsilon)
        change += changeGiven;
}

void TakingsRow::add(const TakingsRow &other)
{
    visits += other.visits;
    room += other.room;
    drinks += other.drinks;
    waived += other.waived;
    owed += other.owed;
    due += other.due;
    paid += other.paid;
    change += other.change;
}

double hoursWithin(const VisitRow &visit, const DateRange &range)
{
    if (!visit.begin.isValid() || !visit.end.isValid())
        return 0;
    // The range's ends as dates and a time of day: a date-time in local time would look the time zone up.
    const QTime dayStart(kDayStartHour, 0);
    const qint64 from = std::max(wallMs(visit.begin), wallMs(range.from, dayStart));
    const qint64 to = std::min(wallMs(visit.end), wallMs(range.to.addDays(1), dayStart));
    return to > from ? double(to - from) / 3'600'000.0 : 0.0;
}

TakingsSum::TakingsSum(const DateRange &range) : m_range(range)
{
    for (QDate day = range.from; day <= range.to; day = day.addDays(1)) {
        TakingsRow row;
        row.day = day;
        m_days.append(row);
    }
}

void TakingsSum::add(const VisitRow &visit)
{
    if (counted(visit, m_range))
        m_days[m_range.from.daysTo(businessDay(visit.end))].add(visit);
}

Takings TakingsSum::result() const
{
    Takings result;
    result.days = m_days;
    for (const TakingsRow &row : m_days)
        result.total.add(row);
    return result;
}

RoomUsageSum::RoomUsageSum(const QStringList &roomList, const DateRange &range) : m_range(range)
{
    for (const QString &id : roomList)
        m_rooms[id].room = id;
}

void RoomUsageSum::add(const VisitRow &visit)
{
    if (!counted(visit, m_range))
        return;
    RoomRow &row = m_rooms[visit.room];
    row.room = visit.room;
    ++row.visits;
    row.roomCharge += visit.roomCharge.value_or(0);
    row.hours += hoursWithin(visit, m_range);
}

QList<RoomRow> RoomUsageSum::result() const
{
    QList<RoomRow> result;
    for (const auto &[id, kept] : m_rooms) {
        RoomRow row = kept;
        row.occupancy = row.hours / m_range.hours() * 100.0;
        result.append(row);
    }
    return result;
}

DrinkSalesSum::DrinkSalesSum(const DateRange &range) : m_range(range) {}

void DrinkSalesSum::add(const VisitRow &visit, const OrderLine &line)
{
    if (!counted(visit, m_range))
        return;
    DrinkRow &row = m_byCode[line.code];
    row.code = line.code;
    const qint64 quantity = line.quantity.value_or(0);
    row.quantity += quantity;
    row.revenue += double(quantity) * line.price.value_or(0);
}

QList<DrinkRow> DrinkSalesSum::result(const QHash<QString, QString> &names) const
{
    QList<DrinkRow> result;
    for (DrinkRow row : m_byCode) {
        row.name = names.value(row.code);
        result.append(row);
    }
    std::sort(result.begin(), result.end(), [](const DrinkRow &a, const DrinkRow &b) {
        if (a.quantity != b.quantity)
            return a.quantity > b.quantity;
        if (std::abs(a.revenue - b.revenue) > kMoneyEpsilon)
            return a.revenue > b.revenue;
        return a.code < b.code;
    });
    return result;
}

QHash<QString, QString> namesByLineCode(const QList<std::pair<QString, QString>> &drinksList)
{
    QHash<QString, QString> names;
    for (const auto &[code, name] : drinksList) {
        const QString kept = gbk::cut(code, kLineCodeBytes);
        if (kept == code || !names.contains(kept))
            names.insert(kept, name);
    }
    return names;
}

void StaffSum::add(const JournalRow &row)
{
    StaffRow &staff = m_byStaff[row.staff];
    staff.staff = row.staff;
    if (row.action == QStringLiteral("开房")) {
        ++staff.checkedIn;
    } else if (row.action == QStringLiteral("收费") || row.action == QStringLiteral("抹零") ||
               row.action == QStringLiteral("欠帐")) {
        ++staff.payments;
        staff.takings += row.amount;
        if (row.action == QStringLiteral("抹零"))
            staff.waived += row.before - row.after;
        else if (row.action == QStringLiteral("欠帐"))
            staff.owed += row.after - row.amount;
    } else if (row.action == QStringLiteral("删除酒水")) {
        ++staff.removedLines;
        staff.removedValue += row.amount;
    }
}

QList<StaffRow> StaffSum::result(const QHash<QString, QString> &names) const
{
    QList<StaffRow> rows;
    StaffRow total;
    total.staff = QStringLiteral("total");
    for (const auto &[id, row] : m_byStaff) {
        StaffRow named = row;
        named.name = id.isEmpty() ? QStringLiteral("(未登录)") : names.value(id);
        rows << named;
        total.checkedIn += row.checkedIn;
        total.payments += row.payments;
        total.takings += row.takings;
        total.waived += row.waived;
        total.owed += row.owed;
        total.removedLines += row.removedLines;
        total.removedValue += row.removedValue;
    }
    rows << total;
    return rows;
}

} // namespace ktv::reports
