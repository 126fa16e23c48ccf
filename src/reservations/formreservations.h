#pragma once

#include "widgets/platform.h"
#include "widgets/screenparts.h"

#include <functional>

class QDateEdit;
class QPushButton;

namespace ktv {

class Cursor;
class DBGrid;
class DBNavigator;
class DataSource;
class TDataModule1;

// "客房预订": the bookings of one day, entered and changed in place, cancelled, or checked in as their
// party arrives. Bookings of a room that overlap are refused by the store, whichever station saves them.
class TFormReservations : public ScreenWindow
{
    Q_OBJECT
public:
    TFormReservations(TDataModule1 &data, const Platform &platform, QWidget *parent = nullptr);

    Cursor *TableReservations() const { return m_bookings; }
    QDateEdit *DateEditDay() const { return m_day; }
    DBGrid *DBGridReservations() const { return m_grid; }
    DBNavigator *DBNavigator1() const { return m_navigator; }
    QPushButton *BitBtnCancelReservation() const { return m_cancel; }
    QPushButton *BitBtnDaodian() const { return m_arrive; }

    // What "到店开房" does with the chosen booking: the program checks its party in as the board does.
    using Arrival = std::function<void(qint64 reservation, const QString &room)>;
    void setArrival(Arrival arrival) { m_arrival = std::move(arrival); }

    // Lists the day chosen, its bookings that are late stored as lapsed first.
    void DateEditDayChange();
    void BitBtnCancelReservationClick();
    void BitBtnDaodianClick();
    void TableReservationsAfterInsert();

private:
    void buildScreen();
    qint64 chosenBooking(const QString &none);

    TDataModule1 &m_data;
    Platform m_platform;
    Cursor *m_bookings;
    DataSource *m_source;
    QDateEdit *m_day = nullptr;
    DBGrid *m_grid = nullptr;
    DBNavigator *m_navigator = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_arrive = nullptr;
    Arrival m_arrival;
};

} // namespace ktv
