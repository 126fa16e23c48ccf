#pragma once

#include <QString>

namespace ktv {

class Database;

// Open visits are those whose end time lies before their begin time (check-in writes begin minus one day).
namespace openvisits {

// The serial number of an open visit of room other than exceptVisit, read as stored now; 0 when none.
// Read through the index of unsettled visits, so its cost does not grow with the venue's history.
qint64 holding(Database &db, const QString &room, qint64 exceptVisit = 0);

} // namespace openvisits
} // namespace ktv
