#pragma once

#include "reportsums.h"

namespace ktv {
class Database;
}

// Reading what the reports sum: the visits checked out in a range, with their order lines, read through
// the index on the check-out time, so that the cost follows the range and not the venue's history.
namespace ktv::reports {

// The index on Openroom_endtime the reports read by. Databases made before the reports existed lack it: it
// is made the first time a report is asked for. It changes no record and no format, so the schema version
// stays what it is and an older program opens the file as before.
extern const QString kCheckoutIndex;
void ensureReportIndexes(Database &db);

// The statement readVisits runs, with its two bounds to bind, for showing its plan.
QString visitsStatement();

// The visits whose end time lies in the range's window, open ones included (the sums leave them out), each
// with its order lines.
QList<VisitRow> readVisits(Database &db, const DateRange &range);

QStringList readRoomList(Database &db);
QHash<QString, QString> readDrinkNames(Database &db);

struct ReportSet
{
    DateRange range;
    Takings takings;
    QList<RoomRow> rooms;
    QList<DrinkRow> drinks;
};

// The three reports of a range, from one reading of its visits.
ReportSet readReports(Database &db, const DateRange &range);

} // namespace ktv::reports
