#pragma once

#include <QString>

namespace ktv {

class Database;

// The venue's settings that every station shares, kept in the database rather than on one PC.
namespace venuesettings {

inline const QString timeBands = QStringLiteral("时段计费");
inline const QString reservationLead = QStringLiteral("预订提前分钟");

// The stored value, or fallback when the key was never set.
QString value(Database &db, const QString &key, const QString &fallback = {});
bool isOn(Database &db, const QString &key); // "是"; missing reads "否"
int number(Database &db, const QString &key, int fallback); // a value that is no whole number reads fallback

// Stores the value, in its own transaction when the caller has none.
void set(Database &db, const QString &key, const QString &value);

} // namespace venuesettings
} // namespace ktv
