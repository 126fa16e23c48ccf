#pragma once

#include "reportsums.h"

#include <functional>

namespace ktv {
class Database;
class Dialect;
}

// Reading what the reports sum: the visits checked out in a range, with their order lines, read through
// the index on the check-out time, so that the cost follows the range and not the venue's history.
namespace ktv::reports {

// The index on Openroom_endtime the reports read by. Databases made before the reports existed lack it: it
// is made the first time a report is asked for. It changes no record and no format, so the schema version
// stays what it is and an older program opens the file as before.
extern const QString kCheckoutIndex;
void ensureReportIndexes(Database &db);

// The statements the readers run, each with the range's two bounds to bind, for showing their plans.
QString visitsStatement();
QString linesStatement(const Dialect &dialect);

// Hands each visit whose end time lies in the range's window to take, open ones included (the sums leave them
// out), as the rows are read: nothing is gathered.
void readVisits(Database &db, const DateRange &range, const std::function<void(const VisitRow &)> &take);

// Hands each order line of those visits to take, with its visit's begin and end (its other fields empty).
void readOrderLines(Database &db, const DateRange &range,
                    const std::function<void(const VisitRow &, const OrderLine &)> &take);

QStringList readRoomList(Database &db);
QHash<QString, QString> readDrinkNames(Database &db);

struct ReportSet
{
    DateRange range;
    Takings takings;
    QList<RoomRow> rooms;
    QList<DrinkRow> drinks;
    QList<StaffRow> staff;
};

// Which reports to read: the takings and rooms come from the visits alone, the drinks from the order lines.
struct ReportParts
{
    bool takings = true;
    bool rooms = true;
    bool drinks = true;
    bool staff = false; // from the journal
};

// The reports of a range, the visits read once for the takings and rooms together; the parts not asked for
// are left empty.
ReportSet readReports(Database &db, const DateRange &range, ReportParts parts = {});

} // namespace ktv::reports
