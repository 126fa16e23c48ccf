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

// Venue operations (from schema version 3): shared settings, room changes and reservations.
const TableDef &settings();
const TableDef &roomMove();
const TableDef &reservation();
const QList<const TableDef *> &operationsTables();

// The tables a database of the given schema version holds, and those a version added to the one before.
QList<const TableDef *> inVersion(int version);
const QList<const TableDef *> &addedIn(int version);

const TableDef &byName(const QString &name);

inline const QString yes = QStringLiteral("是");
inline const QString no = QStringLiteral("否");
inline bool isYes(const QString &flag) { return flag == yes; }

} // namespace ktv::tables
