#include "charge.h"

#include "staycharge.h"

#include "widgets/numberforms.h"

#include <cmath>

namespace ktv::charge {

namespace {
constexpr qint64 kMsPerDay = 86'400'000;
constexpr qint64 kMsPerHour = 3'600'000;
constexpr qint64 kMsPerMinute = 60'000;
} // namespace

int usedMinutes(const QDateTime &begin, const QDateTime &end)
{
    // Wall-clock difference, as the cashier reads the two times.
    qint64 ms = begin.date().daysTo(end.date()) * kMsPerDay + begin.time().msecsTo(end.time());
    ms = std::abs(ms);
    const qint64 days = ms / kMsPerDay;
    const qint64 rest = ms % kMsPerDay;
    const qint64 minutes = rest / kMsPerHour * 60 + rest % kMsPerHour / kMsPerMinute;
    return int(days < 3 ? days * 1440 + minutes : minutes);
}

double roomCharge(int usedMinutes, int discountMinutes, double hourlyPrice, double customerRate, double roomRate)
{
    const int billed = usedMinutes - discountMinutes;
    return billed * hourlyPrice / 60 * (customerRate * roomRate);
}

int compareMoney(double a, double b)
{
    // A whole unit counts even when the double holds it as 0.0000999…
    constexpr double kUnit = 0.0001 - 1e-9;
    const double d = a - b;
    return d >= kUnit ? 1 : d <= -kUnit ? -1 : 0;
}

double rateOrOne(double rate) { return rate < 0.0001 ? 1.0 : rate; }

void DrinksTotal::add(int quantity, double unitPrice)
{
    // nearbyint rounds half to even in the default rounding mode.
    m_units = qint64(std::nearbyint(double(m_units) + quantity * unitPrice * 10000.0));
}

RunningCharge runningCharge(const QList<Stay> &stays, const QDateTime &begin, const QDateTime &now, int discountMinutes,
                            double memberRate, double roomRate, const QList<std::pair<int, double>> &lines)
{
    RunningCharge c;
    c.minutes = usedMinutes(begin, now);
    DrinksTotal drinks;
    for (const auto &[quantity, price] : lines)
        drinks.add(quantity, price);
    c.amount = stayCharge(stays, begin, c.minutes, discountMinutes, rateOrOne(memberRate), rateOrOne(roomRate)).amount +
               drinks.value();
    return c;
}

QString runningText(const RunningCharge &charge)
{
    return QStringLiteral("%1:%2  ¥%3")
        .arg(charge.minutes / 60)
        .arg(charge.minutes % 60, 2, 10, QLatin1Char('0'))
        .arg(numberform::twoDecimals(charge.amount));
}

QString paidNote(const QString &memberId) { return QStringLiteral("已买单:") + memberId; }

Settlement settle(const Payment &p)
{
    Settlement s;
    s.change = p.change;
    s.mark = p.mark;
    const double total = p.roomCharge + p.drinks;
    s.amountDue = !p.amountDue || *p.amountDue > total ? total : *p.amountDue;
    const double paid = p.paid.value_or(0);
    if (paid > 0) {
        s.change = paid - s.amountDue;
    } else {
        s.mark = QStringLiteral("还没付费");
        s.askForPayment = true;
    }
    // 0.90 + 8.80 paid with 9.70 is an exact payment, though the double sum is 9.700000000000001.
    const bool waived = compareMoney(total, s.amountDue) > 0;
    if (waived)
        s.mark = QStringLiteral("抹零:") + numberform::plainDecimal(total - s.amountDue);
    if (compareMoney(s.change.value_or(0), 0) < 0)
        s.mark = QStringLiteral("欠帐:") + numberform::plainDecimal(std::abs(*s.change));
    else if (paid > 0 && !waived)
        s.mark = QStringLiteral("结清");
    return s;
}

PaymentEntry paymentEntry(double total, double amountDue, double paid, std::optional<double> change)
{
    PaymentEntry e;
    e.before = total;
    e.after = amountDue;
    const bool shortPaid = change && compareMoney(*change, 0) < 0;
    if (shortPaid) {
        e.action = QStringLiteral("欠帐");
        e.amount = paid;
    } else {
        e.action = compareMoney(amountDue, total) < 0 ? QStringLiteral("抹零") : QStringLiteral("收费");
        e.amount = paid - change.value_or(0);
    }
    return e;
}

QString changePanelText(std::optional<double> change)
{
    const double c = change.value_or(0);
    if (compareMoney(c, 0) > 0)
        return QStringLiteral("找零:") + numberform::plainDecimal(c);
    if (compareMoney(c, 0) < 0)
        return QStringLiteral("欠帐:") + numberform::plainDecimal(std::abs(c));
    return QStringLiteral("结清");
}

} // namespace ktv::charge
