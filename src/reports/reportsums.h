#pragma once

#include "businessday.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The report sums: pure functions over the visits a query read. A visit counts when it is checked out
// (its end time is not before its begin time) and its check-out falls in a business day of the range;
// missing amounts read as 0. Sums are kept unrounded: rounding is for printing.
namespace ktv::reports {

struct OrderLine
{
    QString code;                  // Pear_id
    std::optional<qint64> quantity; // Pear_shuliang
    std::optional<double> price;    // Pear_price
};

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
    QList<OrderLine> lines;
};

// Checked out, in a business day of the range.
bool counted(const VisitRow &visit, const DateRange &range);

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

Takings takings(const QList<VisitRow> &visits, const DateRange &range);

struct RoomRow
{
    QString room;
    qint64 visits = 0;
    double roomCharge = 0;
    double hours = 0;     // used time from begin to end
    double occupancy = 0; // hours as a percentage of the range's hours
};

// Every room of the room list, and any other room a counted visit was in, by room number.
QList<RoomRow> roomUsage(const QList<VisitRow> &visits, const QStringList &roomList, const DateRange &range);

struct DrinkRow
{
    QString code;
    QString name; // from the drinks list; empty when the code is no longer in it
    qint64 quantity = 0;
    double revenue = 0; // quantity times the line's own price
};

// The drinks codes the counted visits' order lines name, best-selling first (quantity, then revenue, then
// code). names maps the code an order line keeps to the drink's name.
QList<DrinkRow> drinkSales(const QList<VisitRow> &visits, const QHash<QString, QString> &names,
                           const DateRange &range);

// The name of each drink by the code its order lines keep: its first 5 GBK bytes. A drink whose whole code
// is that short wins over one whose longer code merely begins with it.
QHash<QString, QString> namesByLineCode(const QList<std::pair<QString, QString>> &drinksList);

} // namespace ktv::reports
