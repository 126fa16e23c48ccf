#pragma once

#include <QVariant>

// The price a room's hourly charge standard takes when it has none worth charging.
namespace ktv::roomfees {

constexpr double defaultHourlyPrice = 100.0;

// A charge standard read as money (rounded to four places, halves to even; empty reads as 0) below 0.01.
bool needsDefaultPrice(const QVariant &hourlyPrice);

} // namespace ktv::roomfees
