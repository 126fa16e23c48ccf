#pragma once

#include "fielddef.h"

namespace ktv::tables {

// The six record formats of the venue database, in record order.
const TableDef &customers();
const TableDef &room();
const TableDef &clients();
const TableDef &pear();
const TableDef &openroom();
const TableDef &callpear();

// The venue's six tables, as every release has had them.
const QList<const TableDef *> &all();

// Staff accountability (from schema version 2): who works the program, what each did, and their shifts.
const TableDef &staff();
const TableDef &journal();
const TableDef &shift();
const QList<const TableDef *> &staffTables();

const TableDef &byName(const QString &name);

inline const QString yes = QStringLiteral("是");
inline const QString no = QStringLiteral("否");
inline bool isYes(const QString &flag) { return flag == yes; }

} // namespace ktv::tables
