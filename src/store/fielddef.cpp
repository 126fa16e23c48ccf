#include "fielddef.h"

#include "storeerror.h"

namespace ktv {

bool FieldDef::isNumber() const
{
    switch (kind) {
    case FieldKind::Money:
    case FieldKind::Float:
    case FieldKind::Int16:
    case FieldKind::Int32:
    case FieldKind::AutoInc:
        return true;
    default:
        return false;
    }
}

bool FieldDef::isInteger() const
{
    return kind == FieldKind::Int16 || kind == FieldKind::Int32 || kind == FieldKind::AutoInc;
}

int TableDef::fieldIndex(const QString &fieldName) const
{
    for (int i = 0; i < fields.size(); ++i) {
        if (fields[i].name.compare(fieldName, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

const FieldDef &TableDef::field(const QString &fieldName) const
{
    const int i = fieldIndex(fieldName);
    if (i < 0)
        throw StoreError(QStringLiteral("表 %1 中没有字段 %2").arg(fileName, fieldName));
    return fields[i];
}

const IndexDef *TableDef::index(const QString &indexName) const
{
    for (const IndexDef &ix : indexes) {
        if (ix.name.compare(indexName, Qt::CaseInsensitive) == 0)
            return &ix;
    }
    return nullptr;
}

QString TableDef::autoIncField() const
{
    for (const FieldDef &f : fields) {
        if (f.kind == FieldKind::AutoInc)
            return f.name;
    }
    return {};
}

} // namespace ktv
