#pragma once

#include <QHash>
#include <QString>

#include <optional>

namespace ktv {

class Database;

// The rooms' in-use flags as stored now, read without moving or saving any cursor.
namespace roomflags {

// Room number (lower case) to "in use"; rooms are few, whatever the venue's history.
QHash<QString, bool> all(Database &db);
// Whether room is in use; nothing when the room has no record.
std::optional<bool> inUse(Database &db, const QString &room);

} // namespace roomflags
} // namespace ktv
