#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <utility>

namespace ktv {

class Database;

// Open visits are those whose end time lies before their begin time (check-in writes begin minus one day).
namespace openvisits {

// The serial number of an open visit of room other than exceptVisit, read as stored now; 0 when none.
// Read through the index of unsettled visits, so its cost does not grow with the venue's history.
qint64 holding(Database &db, const QString &room, qint64 exceptVisit = 0);

// The serial number of a visit of room other than exceptVisit that is not checked out, paid or not (a party
// may pay before it leaves): such a visit holds its room. 0 when none. Read through an index of the visits
// not checked out, made when missing; it holds no data of its own.
qint64 notCheckedOut(Database &db, const QString &room, qint64 exceptVisit = 0);
// Makes that index when it is missing.
void ensureIndex(Database &db);

// An open visit with what its charge so far is computed from, read as stored now; the prices of its rooms
// are read with its stays.
struct OpenVisit
{
    qint64 serial = 0;
    QString room;
    QDateTime begin;
    int discountMinutes = 0; // stored on the visit; 0 when missing
    double roomRate = 0;    // the visit's room rate; 0 when missing
    double memberRate = 0;  // the member's rate, or the visit's own when the member is gone; 0 when missing
    QList<std::pair<int, double>> lines; // quantity and unit price of each order line, in order
};

// Every open visit, newest first. Reads only the unsettled visits and their own order lines.
QList<OpenVisit> listOpen(Database &db);

} // namespace openvisits
} // namespace ktv
