#pragma once

#include "businessday.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>

// The report sums: pure functions folded over the visits a query reads, one row at a time, so that what
// they hold follows the number of days, rooms and drinks, never the number of visits. A visit counts when it
// is checked out (its end time is not before its begin time) and its check-out falls in a business day of
// the range; missing amounts read as 0. Sums are kept unrounded: rounding is for printing.
namespace ktv::reports {

struct OrderLine
{
    QString code;                  // Pear_id
    std::optional<qint64> quantity; // Pear_shuliang
    std::optional<double> price;    // Pear_price
};

// Times are read as the wall clock shows them: only their dates and times of day count, not their time zone.
struct VisitRow
{
    QDateTime begin; // Openroom_begintime
    QDateTime end;   // Openroom_endtime
    QString room;    // Openroom_room_id
    std::optional<double> roomCharge; // Openroom_jbxf
    std::optional<double> drinks;     // Openroom_jiushui
    std::optional<double> due;        // Openroom_yingfu
    std::optional<double> paid;       // Openroom_shifu
    std::optional<double> change;     // Openroom_zhaoling
};

// Checked out, in a business day of the range.
bool counted(const VisitRow &visit, const DateRange &range);

// The hours of a visit that lie within the range, from its first 06:00 to the 06:00 after its last day, as the
// wall clock reads them: a visit that began before the range or ran on past it counts only its part inside.
double hoursWithin(const VisitRow &visit, const DateRange &range);

struct TakingsRow
{
    QDate day; // invalid on the total row
    qint64 visits = 0;
    double room = 0;
    double drinks = 0;
    double waived = 0; // room + drinks - due, where a due amount below that was granted
    double owed = 0;   // the negative changes, as positive amounts
    double due = 0;
    double paid = 0;
    double change = 0; // the positive changes

    void add(const VisitRow &visit);
    void add(const TakingsRow &other);
};

struct Takings
{
    QList<TakingsRow> days; // one for every day of the range, in order
    TakingsRow total;
};

// The takings per business day, each counted visit on the day of its check-out.
class TakingsSum
{
public:
    explicit TakingsSum(const DateRange &range);
    void add(const VisitRow &visit);
    Takings result() const;

private:
    DateRange m_range;
    QList<TakingsRow> m_days;
};

struct RoomRow
{
    QString room; // empty for visits that name no room
    qint64 visits = 0;
    double roomCharge = 0;
    double hours = 0;     // the counted visits' time within the range
    double occupancy = 0; // hours as a percentage of the range's hours
};

// Every room of the room list, and any other room a counted visit was in, by room number.
class RoomUsageSum
{
public:
    RoomUsageSum(const QStringList &roomList, const DateRange &range);
    void add(const VisitRow &visit);
    QList<RoomRow> result() const;

private:
    DateRange m_range;
    std::map<QString, RoomRow> m_rooms;
};

struct DrinkRow
{
    QString code;
    QString name; // from the drinks list; empty when the code is no longer in it
    qint64 quantity = 0;
    double revenue = 0; // quantity times the line's own price
};

// The drinks codes the counted visits' order lines name, best-selling first (quantity, then revenue, then
// code).
class DrinkSalesSum
{
public:
    explicit DrinkSalesSum(const DateRange &range);
    // One line of a visit's order; only the visit's times are needed to tell whether it counts.
    void add(const VisitRow &visit, const OrderLine &line);
    // names maps the code an order line keeps to the drink's name.
    QList<DrinkRow> result(const QHash<QString, QString> &names) const;

private:
    DateRange m_range;
    QHash<QString, DrinkRow> m_byCode;
};

// One row of the journal, as the staff report reads it.
struct JournalRow
{
    QString staff;
    QString action;
    double amount = 0; // missing reads as 0
    double before = 0;
    double after = 0;
};

struct StaffRow
{
    QString staff;
    QString name;
    int checkedIn = 0;      // "开房" rows
    int payments = 0;       // "收费", "抹零" and "欠帐" rows
    double takings = 0;     // the cash those payments kept
    double waived = 0;      // before less after, of "抹零" rows
    double owed = 0;        // after less the cash kept, of "欠帐" rows
    int removedLines = 0;   // "删除酒水" rows
    double removedValue = 0;
};

// What each member of staff did over the journal rows of a range, by staff number; a last row "total".
class StaffSum
{
public:
    void add(const JournalRow &row);
    // names maps staff numbers to names; the rows come in the order of the numbers, the total last.
    QList<StaffRow> result(const QHash<QString, QString> &names) const;

private:
    std::map<QString, StaffRow> m_byStaff;
};

// The name of each drink by the code its order lines keep: its first 5 GBK bytes. A drink whose whole code
// is that short wins over one whose longer code merely begins with it.
QHash<QString, QString> namesByLineCode(const QList<std::pair<QString, QString>> &drinksList);

} // namespace ktv::reports
