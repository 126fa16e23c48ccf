#include "roomflags.h"

#include "database.h"
#include "tables.h"

#include <QSqlQuery>

namespace ktv::roomflags {

QHash<QString, bool> all(Database &db)
{
    QHash<QString, bool> flags;
    QSqlQuery query = db.run(QStringLiteral("SELECT Room_id, Room_used FROM room WHERE Room_id IS NOT NULL"));
    while (query.next()) {
        const QString room = query.value(0).toString().toLower();
        // The first record of a number counts, as a locate would find it.
        if (!flags.contains(room))
            flags.insert(room, tables::isYes(query.value(1).toString()));
    }
    return flags;
}

std::optional<bool> inUse(Database &db, const QString &room)
{
    QSqlQuery query = db.run(QStringLiteral("SELECT Room_used FROM room WHERE lower(Room_id) = lower(?) "
                                            "ORDER BY Room_id LIMIT 1"),
                             {room});
    if (!query.next())
        return std::nullopt;
    return tables::isYes(query.value(0).toString());
}

} // namespace ktv::roomflags
