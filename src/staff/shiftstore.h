#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace ktv {

class Database;

// The shifts of staff at a station: opened at log-in with a cash float, closed at the hand-over.
namespace staff {

struct Shift
{
    qint64 id = 0;
    QString staff;
    QString station;
    QDateTime opened;
    double cashFloat = 0;
    QList<double> cashKept; // of each payment the staff took at this station since the shift opened
    double paidAhead = 0;   // reservations' deposits those payments counted: taken at booking, not here
    double expected = 0;    // the float plus the cash kept, less the deposits
};

// The shift of staff at this station that is still open, read as stored now; nothing when none is.
std::optional<Shift> openShift(Database &db, const QString &staff);

// Closes the shift with the cash counted in the drawer and journals the hand-over ("交班"), in one
// transaction; nobody is logged in at this station afterwards. Refuses a shift closed meanwhile.
void closeShift(Database &db, const Shift &shift, double counted, const QDateTime &now);

// The lines of the shift slip.
QStringList slipLines(const Shift &shift, double counted, const QDateTime &now);

} // namespace staff
} // namespace ktv
