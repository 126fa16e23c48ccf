#pragma once

#include "fielddef.h"

#include <QVariant>

// How a field's value looks in memory, in the database file and as plain text.
// In memory: QString, QDate, QTime, QDateTime, double or qint64; an empty field is a null QVariant.
namespace ktv::fieldvalue {

// Turns what a program or a cashier gives into the field's own kind: text cut to its width, numbers parsed.
// Throws ConversionError for a value that is no value of the kind, StoreError for text GBK cannot hold.
QVariant normalize(const FieldDef &field, const QVariant &input);

QVariant toSql(const FieldDef &field, const QVariant &value);
QVariant fromSql(const FieldDef &field, const QVariant &stored);

// Plain text of a value: numbers in general form, dates as yyyy-MM-dd, times as HH:mm:ss.
QString toText(const FieldDef &field, const QVariant &value);

QString dateTimeStorageForm(const QDateTime &moment);

} // namespace ktv::fieldvalue
