#pragma once

#include "cursor.h"
#include "datasource.h"

#include <QObject>

namespace ktv {

class Clock;
class Database;

// The shared data: one open cursor on each of the six tables, with the data source screens bind to.
// Moving a shared cursor moves the current record of every screen bound to it.
class TDataModule1 : public QObject
{
    Q_OBJECT
public:
    TDataModule1(Database &db, const Clock &clock, QObject *parent = nullptr);

    Database &database() const { return m_db; }
    const Clock &clock() const { return m_clock; }

    Cursor *const TableCustomers;
    Cursor *const Tableroom;
    Cursor *const TableClients;
    Cursor *const TablePear;
    Cursor *const TableOpenroom;
    Cursor *const TableCallpear;

    DataSource *const DataSourceCustomers;
    DataSource *const DataSourceroom;
    DataSource *const DataSourceClients;
    DataSource *const DataSourcePear;
    DataSource *const DataSourceOpenroom;
    DataSource *const DataSourceCallpear;

    // Drops what a closed screen left half-edited on the shared cursors: destroying a screen drops its
    // pending records, so none is stored later by another screen's move.
    void dropPending();

    // A member posted through the shared cursor without a registration date is registered today.
    void TableCustomersBeforePost(Cursor &cursor);

private:
    Database &m_db;
    const Clock &m_clock;
};

} // namespace ktv
