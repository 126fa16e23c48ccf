#pragma once

#include "store/cursor.h"
#include "store/database.h"
#include "store/storeerror.h"
#include "store/tables.h"
#include "testserver.h"

#include <QTemporaryDir>

#include <memory>
#include <optional>

// A fresh, empty venue database in a temporary folder, with small helpers to put records in it. Where the
// store tests run on a PostgreSQL server (testserver.h), the database is a fresh one on the server instead,
// and the folder stays empty.
struct StoreFixture
{
    QTemporaryDir dir;
    std::optional<testserver::Database> server;
    std::unique_ptr<ktv::Database> db;

    StoreFixture()
    {
        if (testserver::wanted())
            server.emplace();
        db = ktv::Database::create(location());
    }

    QString folder() const { return dir.path(); }
    // Where the venue database is: the folder, or the server database's address.
    QString location() const { return server ? server->address() : dir.path(); }
    bool onServer() const { return server.has_value(); }
    // A second connection to the same database, as another station or program has.
    std::unique_ptr<ktv::Database> openAnother() const { return ktv::Database::open(location()); }

    // A visit given without its member or room gets member 001 and room 101: the store stores none without.
    void addRecord(const ktv::TableDef &table, QVariantMap values)
    {
        if (&table == &ktv::tables::openroom()) {
            values.insert(QStringLiteral("Openroom_Customers_id"),
                          values.value(QStringLiteral("Openroom_Customers_id"), QStringLiteral("001")));
            values.insert(QStringLiteral("Openroom_room_id"),
                          values.value(QStringLiteral("Openroom_room_id"), QStringLiteral("101")));
        }
        ktv::Cursor c(*db, table);
        c.open();
        c.append();
        for (auto it = values.begin(); it != values.end(); ++it)
            c.setValue(it.key(), it.value());
        c.post();
    }

    void addRoom(const QString &id, const QString &used = {}, double price = 50.0)
    {
        addRecord(ktv::tables::room(), {{QStringLiteral("Room_id"), id},
                                        {QStringLiteral("Room_used"), used},
                                        {QStringLiteral("Room_sfbiaozhun"), price}});
    }

    void addMember(const QString &id, const QString &name)
    {
        addRecord(ktv::tables::customers(), {{QStringLiteral("Customers_id"), id}, {QStringLiteral("Customers_name"), name}});
    }

    int count(const QString &table)
    {
        QSqlQuery q = db->run(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table));
        return q.next() ? q.value(0).toInt() : -1;
    }
};

// Why a start refuses the data folder, or an empty text when it opens it.
inline QString openError(const QString &folder)
{
    try {
        ktv::Database::open(folder);
    } catch (const ktv::StoreError &e) {
        return e.message();
    }
    return {};
}
