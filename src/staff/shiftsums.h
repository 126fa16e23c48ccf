#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace ktv::staff {

// The journal row of one payment ("&5收费"): "欠帐" when paid short, else "抹零" when the amount due is
// below the total, else "收费"; its amount is the cash kept (paid less change, or what was paid when
// short), before is the total and after the amount due.
struct PaymentEntry
{
    QString action;
    double amount = 0;
    double before = 0;
    double after = 0;
};
PaymentEntry paymentEntry(double total, double amountDue, double paid, std::optional<double> change);

// A shift's cash: the float it opened with plus the cash kept by its payments is what the drawer should
// hold; the difference is what was counted less that (negative: missing).
struct ShiftCash
{
    double expected = 0;
    double difference = 0;
};
ShiftCash shiftCash(double cashFloat, const QList<double> &cashKept, double counted);

} // namespace ktv::staff
