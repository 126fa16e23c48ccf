#include "dbformat.h"

#include "store/fieldvalue.h"

namespace ktv {

QString displayText(const FieldDef &field, const QVariant &value)
{
    if (value.isNull() || !value.isValid())
        return {};
    if (field.kind == FieldKind::Money) {
        const QString text = QString::number(value.toDouble(), 'f', 2);
        // A tiny negative remainder of a computation is no debt.
        return text == QLatin1String("-0.00") ? QStringLiteral("0.00") : text;
    }
    return fieldvalue::toText(field, value);
}

QString editText(const FieldDef &field, const QVariant &value)
{
    return fieldvalue::toText(field, value);
}

} // namespace ktv
