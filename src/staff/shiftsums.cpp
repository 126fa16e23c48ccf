#include "shiftsums.h"

#include "visits/charge.h"

namespace ktv::staff {

PaymentEntry paymentEntry(double total, double amountDue, double paid, std::optional<double> change)
{
    PaymentEntry e;
    e.before = total;
    e.after = amountDue;
    const bool shortPaid = change && charge::compareMoney(*change, 0) < 0;
    if (shortPaid) {
        e.action = QStringLiteral("欠帐");
        e.amount = paid;
    } else {
        e.action = charge::compareMoney(amountDue, total) < 0 ? QStringLiteral("抹零") : QStringLiteral("收费");
        e.amount = paid - change.value_or(0);
    }
    return e;
}

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
