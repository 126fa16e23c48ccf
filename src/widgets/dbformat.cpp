#include "dbformat.h"

#include "numberforms.h"
#include "store/fieldvalue.h"

namespace ktv {

QString displayText(const FieldDef &field, const QVariant &value)
{
    if (value.isNull() || !value.isValid())
        return {};
    // One stored amount reads the same on every screen, the board, the receipt and the reports.
    if (field.kind == FieldKind::Money)
        return numberform::twoDecimals(value.toDouble());
    return fieldvalue::toText(field, value);
}

QString editText(const FieldDef &field, const QVariant &value)
{
    return fieldvalue::toText(field, value);
}

} // namespace ktv
