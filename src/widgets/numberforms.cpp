#include "numberforms.h"

#include <cmath>
#include <optional>
#include <utility>

namespace ktv::numberform {

namespace {

// A finite value by its decimal digits: ±0.d1d2d3… × 10^point, at most 15 significant digits, without
// leading or trailing zero digits. Zero has no digits.
struct Decimal
{
    bool negative = false;
    QString digits;
    int point = 0;
};

void dropTrailingZeros(QString &digits)
{
    while (digits.endsWith(u'0'))
        digits.chop(1);
}

Decimal decimalOf(double value)
{
    Decimal d;
    if (value == 0.0)
        return d;
    d.negative = value < 0;
    const QString scientific = QString::number(std::abs(value), 'e', 14); // d.dddddddddddddde+XX
    const qsizetype e = scientific.indexOf(u'e');
    d.digits = scientific.left(e).remove(u'.');
    d.point = scientific.mid(e + 1).toInt() + 1;
    dropTrailingZeros(d.digits);
    return d;
}

// Rounded half away from zero to the given number of decimals, on the decimal digits: 2.675 is 2.68, as
// the cashier reads it, not 2.67 as its nearest double would give.
Decimal rounded(Decimal d, int decimals)
{
    const qsizetype keep = qsizetype(d.point) + decimals;
    if (keep >= d.digits.size())
        return d;
    if (keep < 0) {
        d.digits.clear();
        return d;
    }
    const bool up = d.digits[keep] >= u'5';
    d.digits.truncate(keep);
    if (up) {
        qsizetype i = keep - 1;
        while (i >= 0 && d.digits[i] == u'9')
            d.digits[i--] = u'0';
        if (i < 0) {
            d.digits.prepend(u'1');
            ++d.point;
        } else {
            d.digits[i] = QChar(d.digits[i].unicode() + 1);
        }
    }
    dropTrailingZeros(d.digits);
    return d;
}

// The integer part (empty when it is 0) and the decimals.
std::pair<QString, QString> positional(const Decimal &d)
{
    if (d.point <= 0)
        return {QString(), QString(-d.point, u'0') + d.digits};
    if (d.point >= d.digits.size())
        return {d.digits + QString(d.point - d.digits.size(), u'0'), QString()};
    return {d.digits.left(d.point), d.digits.mid(d.point)};
}

QString joined(bool negative, const QString &whole, const QString &decimals, QChar decimalPoint)
{
    QString text = negative ? QStringLiteral("-") : QString();
    text += whole;
    if (!decimals.isEmpty())
        text += decimalPoint + decimals;
    return text;
}

// The number a field's value holds; nothing for an empty value.
std::optional<double> numberOf(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return std::nullopt;
    if (value.typeId() == QMetaType::QString && value.toString().trimmed().isEmpty())
        return std::nullopt;
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return number;
}

QString positionalText(const Decimal &d, QChar decimalPoint)
{
    if (d.digits.isEmpty())
        return QStringLiteral("0");
    auto [whole, decimals] = positional(d);
    return joined(d.negative, whole.isEmpty() ? QStringLiteral("0") : whole, decimals, decimalPoint);
}

} // namespace

QString hashPattern(const QVariant &value, QChar decimalPoint)
{
    const std::optional<double> number = numberOf(value);
    if (!number)
        return {};
    if (!std::isfinite(*number))
        return QString::number(*number);
    const Decimal d = rounded(decimalOf(*number), 2);
    if (d.digits.isEmpty())
        return {};
    const auto [whole, decimals] = positional(d);
    return joined(d.negative, whole, decimals, decimalPoint);
}

QString general(const QVariant &value, QChar decimalPoint)
{
    const std::optional<double> number = numberOf(value);
    if (!number)
        return {};
    if (!std::isfinite(*number))
        return QString::number(*number);
    const Decimal d = decimalOf(*number);
    const int exponent = d.point - 1;
    if (d.digits.isEmpty() || (exponent >= -4 && exponent < 15))
        return positionalText(d, decimalPoint);
    QString text = d.negative ? QStringLiteral("-") : QString();
    text += d.digits.left(1);
    if (d.digits.size() > 1)
        text += decimalPoint + d.digits.mid(1);
    return text + u'E' + QString::number(exponent);
}

QString plainDecimal(const QVariant &value)
{
    const std::optional<double> number = numberOf(value);
    if (!number)
        return {};
    if (!std::isfinite(*number))
        return QString::number(*number);
    return positionalText(decimalOf(*number), u'.');
}

QString twoDecimals(double value)
{
    if (!std::isfinite(value))
        return QString::number(value);
    const Decimal d = rounded(decimalOf(value), 2);
    if (d.digits.isEmpty())
        return QStringLiteral("0.00");
    const auto [whole, decimals] = positional(d);
    return joined(d.negative, whole.isEmpty() ? QStringLiteral("0") : whole, decimals.leftJustified(2, u'0'), u'.');
}

} // namespace ktv::numberform
