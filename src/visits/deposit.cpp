#include "deposit.h"

#include "charge.h"
#include "widgets/numberforms.h"

namespace ktv::deposit {

QString text(double amount, QChar decimalPoint)
{
    if (charge::compareMoney(amount, 0) <= 0)
        return {};
    return QStringLiteral("订金：") + numberform::general(amount, decimalPoint);
}

QStringList onReceipt(QStringList lines, double amount, QChar decimalPoint)
{
    const QString line = text(amount, decimalPoint);
    if (!line.isEmpty())
        lines.insert(lines.isEmpty() ? 0 : lines.size() - 1, line);
    return lines;
}

} // namespace ktv::deposit
