#pragma once

#include <QVariant>

// Rooms whose hourly charge standard is not worth charging get a default price when the room fee screen opens.
namespace ktv::roomfees {

constexpr double defaultHourlyPrice = 100.0;

// An amount read as money: the decimal it was entered as, rounded to four places with halves going to the
// even neighbour (0.00015 -> 0.0002, 0.00025 -> 0.0002). Amounts too large to carry four decimals, and
// values that are no number, come back as they are.
double readAsMoney(double amount);

// True for a charge standard that, read as money, is below 0.01: empty (read as 0), zero, negative or a
// fraction of a cent.
bool needsDefaultPrice(const QVariant &hourlyPrice);

} // namespace ktv::roomfees
