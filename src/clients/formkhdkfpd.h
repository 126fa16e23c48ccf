#pragma once

#include "widgets/platform.h"

#include <QDialog>

class QPushButton;

namespace ktv {

class Cursor;
class DBEdit;
class DBGrid;
class DBNavigator;
class DataSource;
class TDataModule1;

// Pairing of client PCs with rooms, on cursors of its own: the selected room's number goes into the
// current client PC's Clients_room_id, to be saved by post or by moving to another client PC.
class Tformkhdkfpd : public QDialog
{
    Q_OBJECT
public:
    Tformkhdkfpd(TDataModule1 &data, const Platform &platform, QWidget *parent = nullptr);

    Cursor *Table1() const { return m_clients; } // client PCs by room
    Cursor *Table2() const { return m_rooms; }   // rooms by number
    DBNavigator *navigator() const { return m_navigator; }
    DBGrid *DBGridroom() const { return m_roomGrid; }
    QPushButton *BitBtn1() const { return m_pair; }

    void FormCreate();
    void BitBtn1Click();

private:
    DBEdit *addBox(const QString &label, const QString &field, const QString &objectName);

    Platform m_platform;
    Cursor *m_clients;
    Cursor *m_rooms;
    DataSource *m_clientSource;
    DataSource *m_roomSource;
    DBNavigator *m_navigator = nullptr;
    DBGrid *m_roomGrid = nullptr;
    QPushButton *m_pair = nullptr;
};

} // namespace ktv
