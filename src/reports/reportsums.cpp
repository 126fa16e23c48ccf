#include "reportsums.h"

#include "store/gbk.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace ktv::reports {

namespace {

// Amounts are compared to 1/10 000, as everywhere money is.
constexpr double kMoneyEpsilon = 0.0001;
constexpr int kLineCodeBytes = 5;

double hoursBetween(const QDateTime &begin, const QDateTime &end)
{
    if (!begin.isValid() || !end.isValid())
        return 0;
    // Wall-clock difference, as the cashier reads the two times.
    const qint64 ms = begin.date().daysTo(end.date()) * 86'400'000 + begin.time().msecsTo(end.time());
    return double(ms) / 3'600'000.0;
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

Takings takings(const QList<VisitRow> &visits, const DateRange &range)
{
    Takings result;
    for (QDate day = range.from; day <= range.to; day = day.addDays(1)) {
        TakingsRow row;
        row.day = day;
        result.days.append(row);
    }
    for (const VisitRow &visit : visits) {
        if (counted(visit, range))
            result.days[range.from.daysTo(businessDay(visit.end))].add(visit);
    }
    for (const TakingsRow &row : std::as_const(result.days))
        result.total.add(row);
    return result;
}

QList<RoomRow> roomUsage(const QList<VisitRow> &visits, const QStringList &roomList, const DateRange &range)
{
    std::map<QString, RoomRow> rooms;
    for (const QString &id : roomList)
        rooms[id].room = id;
    for (const VisitRow &visit : visits) {
        if (!counted(visit, range))
            continue;
        RoomRow &row = rooms[visit.room];
        row.room = visit.room;
        ++row.visits;
        row.roomCharge += visit.roomCharge.value_or(0);
        row.hours += hoursBetween(visit.begin, visit.end);
    }
    QList<RoomRow> result;
    for (auto &[id, row] : rooms) {
        row.occupancy = row.hours / range.hours() * 100.0;
        result.append(row);
    }
    return result;
}

QList<DrinkRow> drinkSales(const QList<VisitRow> &visits, const QHash<QString, QString> &names,
                           const DateRange &range)
{
    QHash<QString, DrinkRow> byCode;
    for (const VisitRow &visit : visits) {
        if (!counted(visit, range))
            continue;
        for (const OrderLine &line : visit.lines) {
            DrinkRow &row = byCode[line.code];
            row.code = line.code;
            const qint64 quantity = line.quantity.value_or(0);
            row.quantity += quantity;
            row.revenue += double(quantity) * line.price.value_or(0);
        }
    }
    QList<DrinkRow> result;
    for (DrinkRow &row : byCode) {
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

} // namespace ktv::reports
