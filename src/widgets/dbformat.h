#pragma once

#include "store/fielddef.h"

#include <QString>
#include <QVariant>

namespace ktv {

// How the bound controls show a field's value: money with exactly two decimals, everything else in its
// plain text form (numbers in general form, yyyy-MM-dd, HH:mm:ss); an empty field shows nothing.
QString displayText(const FieldDef &field, const QVariant &value);

// What a cell or box offers for editing: the value unrounded, so that leaving it unchanged writes nothing.
QString editText(const FieldDef &field, const QVariant &value);

} // namespace ktv
