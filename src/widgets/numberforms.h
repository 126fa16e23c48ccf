#pragma once

#include <QChar>
#include <QString>
#include <QVariant>

// The text forms of numbers shared by the screens and the receipt. An empty value gives an empty text in
// every form. Where the caller chooses the decimal separator, the screens pass the system's.
namespace ktv::numberform {

// The pattern "#.##": rounded to at most two decimals, no trailing zeros, no digit before the separator when
// the integer part is 0, and nothing at all for a value that rounds to 0 (120, 120.5, 33.33, .5, "").
QString hashPattern(const QVariant &value, QChar decimalPoint = u'.');

// The general number form: the shortest text of the value with up to 15 significant digits (80, 12.5, -3.2,
// 0); a value too large or too small for that is written with an exponent (1E20, 1E-7).
QString general(const QVariant &value, QChar decimalPoint = u'.');

// The plain decimal text written into settlement marks: up to 15 significant digits, trailing zeros and a
// trailing separator dropped, never an exponent, always '.' (0.5, 12, 3.75, 0.833333333333333).
QString plainDecimal(const QVariant &value);

// An amount in reports: two decimals, always written, rounded half away from zero on the decimal digits
// (12.345 -> 12.35, -0.125 -> -0.13, 7 -> 7.00); a value that rounds to zero has no sign.
QString twoDecimals(double value);

} // namespace ktv::numberform
