#include "datamodule.h"

#include "clock.h"
#include "database.h"
#include "tables.h"

namespace ktv {

namespace {

Cursor *sharedCursor(Database &db, const TableDef &table, const char *name, QObject *parent)
{
    auto *cursor = new Cursor(db, table, parent);
    cursor->setObjectName(QLatin1String(name));
    return cursor;
}

DataSource *sourceOf(Cursor *cursor, const char *name, QObject *parent)
{
    auto *source = new DataSource(cursor, parent);
    source->setObjectName(QLatin1String(name));
    return source;
}

} // namespace

TDataModule1::TDataModule1(Database &db, const Clock &clock, QObject *parent)
    : QObject(parent),
      TableCustomers(sharedCursor(db, tables::customers(), "TableCustomers", this)),
      Tableroom(sharedCursor(db, tables::room(), "Tableroom", this)),
      TableClients(sharedCursor(db, tables::clients(), "TableClients", this)),
      TablePear(sharedCursor(db, tables::pear(), "TablePear", this)),
      TableOpenroom(sharedCursor(db, tables::openroom(), "TableOpenroom", this)),
      TableCallpear(sharedCursor(db, tables::callpear(), "TableCallpear", this)),
      DataSourceCustomers(sourceOf(TableCustomers, "DataSourceCustomers", this)),
      DataSourceroom(sourceOf(Tableroom, "DataSourceroom", this)),
      DataSourceClients(sourceOf(TableClients, "DataSourceClients", this)),
      DataSourcePear(sourceOf(TablePear, "DataSourcePear", this)),
      DataSourceOpenroom(sourceOf(TableOpenroom, "DataSourceOpenroom", this)),
      DataSourceCallpear(sourceOf(TableCallpear, "DataSourceCallpear", this)),
      m_db(db),
      m_clock(clock)
{
    setObjectName(QStringLiteral("DataModule1"));
    TableCustomers->setBeforePost([this](Cursor &c) { TableCustomersBeforePost(c); });
    for (Cursor *cursor : {TableCustomers, Tableroom, TableClients, TablePear, TableOpenroom, TableCallpear})
        cursor->open();
}

void TDataModule1::dropPending()
{
    for (Cursor *cursor : {TableCustomers, Tableroom, TableClients, TablePear, TableOpenroom, TableCallpear})
        cursor->cancel();
}

void TDataModule1::TableCustomersBeforePost(Cursor &cursor)
{
    if (cursor.isNull(QStringLiteral("Customers_zcsj")))
        cursor.setValue(QStringLiteral("Customers_zcsj"), m_clock.now().date());
}

} // namespace ktv
