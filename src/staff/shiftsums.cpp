#include "shiftsums.h"

#include "visits/charge.h"

namespace ktv::staff {

ShiftCash shiftCash(double cashFloat, const QList<double> &cashKept, double counted)
{
    // Summed in units of 1/10 000, as the drinks total is, so that many payments add up exactly.
    charge::DrinksTotal expected;
    expected.add(1, cashFloat);
    for (double kept : cashKept)
        expected.add(1, kept);
    ShiftCash c;
    c.expected = expected.value();
    charge::DrinksTotal difference;
    difference.add(1, counted);
    difference.add(-1, c.expected);
    c.difference = difference.value();
    return c;
}

} // namespace ktv::staff
