#include "venuesettings.h"

#include "database.h"
#include "storedrecord.h"
#include "tables.h"

namespace ktv::venuesettings {

namespace {

const QString keyField = QStringLiteral("Settings_key");
const QString valueField = QStringLiteral("Settings_value");

} // namespace

QString value(Database &db, const QString &key, const QString &fallback)
{
    const std::optional<StoredRecord> stored = StoredRecord::find(db, tables::settings(), keyField, key);
    return stored ? stored->text(valueField) : fallback;
}

bool isOn(Database &db, const QString &key) { return tables::isYes(value(db, key, tables::no)); }

int number(Database &db, const QString &key, int fallback)
{
    bool ok = false;
    const int n = value(db, key).toInt(&ok);
    return ok ? n : fallback;
}

void set(Database &db, const QString &key, const QString &value)
{
    Transaction tx(db);
    std::optional<StoredRecord> stored = StoredRecord::find(db, tables::settings(), keyField, key);
    if (stored) {
        stored->set(valueField, value);
        stored->write(db);
    } else {
        StoredRecord::insert(db, tables::settings(), {{keyField, key}, {valueField, value}});
    }
    tx.commit();
}

} // namespace ktv::venuesettings
