#pragma once

#include "widgets/platform.h"

#include <QDialog>

class QPushButton;

namespace ktv {

class Cursor;
class DBGrid;
class DataSource;
class Database;

// "选择新房间": the free rooms, of which the cashier picks the one a party moves to.
class TFormPickRoom : public QDialog
{
    Q_OBJECT
public:
    TFormPickRoom(Database &db, const Platform &platform, QWidget *parent = nullptr);

    Cursor *Table1() const { return m_rooms; }
    DBGrid *DBGridRooms() const { return m_grid; }
    QPushButton *BitBtnOK() const { return m_ok; }
    QPushButton *BitBtnCancel() const { return m_cancel; }
    // The room picked, once the dialog was accepted.
    QString chosenRoom() const { return m_chosen; }

    void BitBtnOKClick();

private:
    Platform m_platform;
    Cursor *m_rooms;
    DataSource *m_source;
    DBGrid *m_grid = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
    QString m_chosen;
};

} // namespace ktv
