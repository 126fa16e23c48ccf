#pragma once

#include "widgets/platform.h"
#include "widgets/screenparts.h"

class QLineEdit;
class QPushButton;

namespace ktv {

class Cursor;
class DBGrid;
class DBNavigator;
class DataSource;
class TDataModule1;

// Check-in: opens a free room for the member current in the shared member cursor.
class TFormOpenroom : public ScreenWindow
{
    Q_OBJECT
public:
    TFormOpenroom(TDataModule1 &data, const Platform &platform, QWidget *parent = nullptr);

    Cursor *Table1() const { return m_rooms; }  // the free rooms
    Cursor *Table2() const { return m_visits; } // the current member's visits
    QLineEdit *EditHybh() const { return m_search; }
    QPushButton *BitBtnKaifang() const { return m_open; }
    QPushButton *BitBtnDingweiHY() const { return m_find; }

    void FormCreate();
    void EditHybhChange();
    void BitBtnDingweiHYClick();
    void BitBtnKaifangClick();
    // Checks in the party of a reservation for the member current in the shared member cursor, as the
    // button does for the room it names, without asking about the booking: it is the booking.
    void checkInReservation(qint64 reservationId, const QString &room);
    void Table2BeforeInsert();
    void Table2AfterPost();

private:
    void buildScreen();
    bool memberReady();
    bool confirmBooked(const QString &room);
    void letRoom(const QString &room, qint64 reservationId);

    TDataModule1 &m_data;
    Platform m_platform;
    Cursor *m_rooms;
    Cursor *m_visits;
    DataSource *m_roomSource;
    DataSource *m_visitSource;
    QLineEdit *m_search = nullptr;
    QPushButton *m_open = nullptr;
    QPushButton *m_find = nullptr;
    bool m_postingNewVisit = false;
};

} // namespace ktv
