#include "roomfees.h"

#include <QLocale>
#include <QString>

#include <cmath>

namespace ktv::roomfees {

namespace {

// Beyond this a double no longer carries four decimals, and money has no room for more digits anyway.
constexpr double kLargestMoney = 922337203685477.0;

} // namespace

double readAsMoney(double amount)
{
    if (!std::isfinite(amount) || std::fabs(amount) >= kLargestMoney)
        return amount;
    // The shortest text that reads back as the same double is the decimal the amount was entered as, so
    // 0.00015 counts as a half and not as the 0.000149999… the double holds.
    const QString text = QString::number(std::fabs(amount), 'f', QLocale::FloatingPointShortest);
    const qsizetype point = text.indexOf(u'.');
    const QString whole = point < 0 ? text : text.left(point);
    const QString fraction = point < 0 ? QString() : text.mid(point + 1);

    qint64 units = whole.toLongLong() * 10000 + fraction.left(4).leftJustified(4, u'0').toLongLong();
    const QString rest = fraction.mid(4);
    if (!rest.isEmpty()) {
        const bool aboveHalf = rest.at(0) > u'5' || (rest.at(0) == u'5' && rest.size() > 1);
        const bool half = rest == QStringLiteral("5");
        if (aboveHalf || (half && units % 2 != 0))
            ++units;
    }
    const double money = double(units) / 10000.0;
    return amount < 0 ? -money : money;
}

bool needsDefaultPrice(const QVariant &hourlyPrice)
{
    if (hourlyPrice.isNull())
        return true;
    return readAsMoney(hourlyPrice.toDouble()) < 0.01;
}

} // namespace ktv::roomfees
