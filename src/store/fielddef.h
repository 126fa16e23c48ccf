#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace ktv {

enum class FieldKind {
    Text,     // GBK text of a fixed width in bytes
    Date,     // day only
    Time,     // time of day
    DateTime, // date and time to the millisecond
    Money,    // double, stored unrounded
    Float,    // double
    Int16,
    Int32,
    AutoInc, // 32-bit serial number assigned by the table, never reused
};

struct FieldDef
{
    QString name;
    FieldKind kind = FieldKind::Text;
    int width = 0;   // bytes, text fields only
    QString label{}; // display label where the field has one of its own
    bool whole = false; // text that does not fit is refused, never cut: a cut address is another PC's

    bool isText() const { return kind == FieldKind::Text; }
    bool isNumber() const;
    bool isInteger() const;
    QString displayLabel() const { return label.isEmpty() ? name : label; }
};

struct IndexDef
{
    QString name;
    QStringList fields;
    bool descending = false;
};

// One record format: a table, its fields in record order, its key and its named indexes.
struct TableDef
{
    QString name;     // SQL table name
    QString fileName; // the table's traditional file name, used in messages
    QList<FieldDef> fields;
    QString uniqueKey{}; // text field that must be present and unique
    QList<IndexDef> indexes{};
    // Fields that tell one record from another where the row number may be given again to a new record
    // after the last one was deleted; empty where the table numbers its records itself and never reuses one.
    QStringList identity{};

    int fieldIndex(const QString &fieldName) const;
    const FieldDef &field(const QString &fieldName) const;
    const IndexDef *index(const QString &indexName) const;
    QString autoIncField() const;
};

} // namespace ktv
