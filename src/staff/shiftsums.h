#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace ktv::staff {

// A shift's cash: the float it opened with plus the cash kept by its payments is what the drawer should
// hold; the difference is what was counted less that (negative: missing).
struct ShiftCash
{
    double expected = 0;
    double difference = 0;
};
ShiftCash shiftCash(double cashFloat, const QList<double> &cashKept, double counted);

} // namespace ktv::staff
