#pragma once

#include "store/cursor.h"
#include "store/database.h"
#include "store/storeerror.h"
#include "store/tables.h"

#include <QTemporaryDir>

#include <memory>

// A fresh, empty venue database in a temporary folder, with small helpers to put records in it.
struct StoreFixture
{
    QTemporaryDir dir;
    std::unique_ptr<ktv::Database> db;

    StoreFixture() { db = ktv::Database::create(dir.path()); }

    QString folder() const { return dir.path(); }

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
        QSqlQuery q = db->run(QStringLiteral("SELECT COUNT(*) FROM \"%1\"").arg(table));
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
