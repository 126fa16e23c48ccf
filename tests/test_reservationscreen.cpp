#include "appfixture.h"

#include "board/roomstate.h"
#include "reservations/formreservations.h"
#include "store/reservationtimes.h"
#include "store/storedrecord.h"
#include "store/venuesettings.h"
#include "visits/checkin.h"
#include "visits/checkinstep.h"
#include "visits/formcloseroomandpay.h"
#include "visits/formprintpaper.h"
#include "widgets/dbnavigator.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

using namespace ktv;

namespace {

const QString kState = QStringLiteral("Reservation_state");

QDateTime at(int hour, int minute = 0)
{
    return QDateTime(QDate(2026, 12, 8), QTime(0, 0)).addSecs(hour * 3600 + minute * 60);
}

// A venue with member 001, free rooms 101 and 102, and the program started at the moment given.
struct Venue : AppFixture
{
    explicit Venue(const QDateTime &now, const QList<std::pair<QString, QDateTime>> &bookings)
    {
        addMember(QStringLiteral("001"), QStringLiteral("甲"));
        addMember(QStringLiteral("002"), QStringLiteral("乙"));
        addRoom(QStringLiteral("101"), tables::no);
        addRoom(QStringLiteral("102"), tables::no);
        for (const auto &[room, from] : bookings) {
            Transaction tx(*db);
            StoredRecord::insert(*db, tables::reservation(),
                                 {{QStringLiteral("Reservation_name"), QString(QStringLiteral("张三") + room)},
                                  {QStringLiteral("Reservation_room"), room},
                                  {QStringLiteral("Reservation_from"), from},
                                  {QStringLiteral("Reservation_to"), from.addSecs(2 * 3600)},
                                  {QStringLiteral("Reservation_deposit"), 50},
                                  {kState, reservationtimes::booked}});
            tx.commit();
        }
        services.clock.set(now);
        start();
    }

    void refreshBoard() { program->main->SpeedButtonRefreshRoomStata()->click(); }
    TFormReservations &reservations()
    {
        program->main->menuEntry(QStringLiteral("Yuding"))->trigger();
        return *program->main->reservations();
    }
    QVariant booking(const QString &room, const QString &field)
    {
        // Today's booking of the room: the first stored.
        QSqlQuery q = db->run(
            QStringLiteral("SELECT %1 FROM Reservation WHERE Reservation_room = ? ORDER BY Reservation_id").arg(field),
            {room});
        return q.next() ? q.value(0) : QVariant();
    }
};

} // namespace

class ReservationScreenTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { KTV_REQUIRE_ENGINE(); }
    void boardShowsABookingFromItsLeadUntilItIsLate();
    void lateBookingLapsesOnTheScreen();
    void arrivalChecksThePartyInAndMarksTheBooking();
    void arrivalRefusedWhenAnotherStationLetTheRoom();
};

void ReservationScreenTest::boardShowsABookingFromItsLeadUntilItIsLate()
{
    Venue v(at(19, 59), {{QStringLiteral("101"), at(21)}});
    RoomButton *booked = v.button(QStringLiteral("101"));
    QCOMPARE(booked->captionColor(), roomstate::freeColor); // 61 minutes before
    QVERIFY(booked->runningLabel()->isHidden());

    v.services.clock.set(at(20, 1)); // 59 minutes before
    v.refreshBoard();
    QCOMPARE(booked->captionColor(), roomstate::reservedColor);
    QCOMPARE(booked->runningLabel()->text(), QStringLiteral("预 张三101 21:00"));
    QCOMPARE(v.button(QStringLiteral("102"))->captionColor(), roomstate::freeColor);

    // Let to another guest from the board, the cashier is asked first; No leaves the room free.
    v.services.dialogs.answerYes();
    v.services.dialogs.answerNo();
    booked->click();
    QVERIFY(v.services.dialogs.unexpected().isEmpty());
    QCOMPARE(v.services.dialogs.texts(ScriptedDialogs::Kind::Confirm).value(1),
             QStringLiteral("该房间已被预订：张三101 21:00，确定开房吗?"));
    QCOMPARE(v.count(QStringLiteral("Openroom")), 0);
    QCOMPARE(booked->captionColor(), roomstate::reservedColor);

    v.services.clock.set(at(21, 30)); // 30 minutes late
    v.refreshBoard();
    QCOMPARE(booked->captionColor(), roomstate::freeColor);
    QVERIFY(booked->runningLabel()->isHidden());

    // The venue's own lead, set at another station, counts from the next refresh.
    venuesettings::set(*v.openAnother(), venuesettings::reservationLead, QStringLiteral("120"));
    v.services.clock.set(at(19, 5));
    v.refreshBoard();
    QCOMPARE(booked->captionColor(), roomstate::reservedColor);
}

void ReservationScreenTest::lateBookingLapsesOnTheScreen()
{
    Venue v(at(20, 10), {{QStringLiteral("101"), at(20)},
                         {QStringLiteral("102"), at(20, 40)},
                         {QStringLiteral("101"), at(20).addDays(1)}});
    TFormReservations &screen = v.reservations();
    Cursor &bookings = *screen.TableReservations();
    QCOMPARE(bookings.recordCount(), 2); // today's only
    bookings.first();
    QCOMPARE(bookings.text(kState), reservationtimes::booked);

    v.services.clock.set(at(20, 31));
    screen.DBNavigator1()->button(NavButton::Refresh)->click();
    QCOMPARE(v.booking(QStringLiteral("101"), kState).toString(), reservationtimes::expired);
    QCOMPARE(v.booking(QStringLiteral("102"), kState).toString(), reservationtimes::booked);
    bookings.first();
    QCOMPARE(bookings.text(kState), reservationtimes::expired);
    QCOMPARE(bookings.recordCount(), 2); // nothing deleted

    v.refreshBoard();
    QCOMPARE(v.button(QStringLiteral("101"))->captionColor(), roomstate::freeColor);
    QCOMPARE(v.button(QStringLiteral("102"))->captionColor(), roomstate::reservedColor);
}

void ReservationScreenTest::arrivalChecksThePartyInAndMarksTheBooking()
{
    Venue v(at(20, 10), {{QStringLiteral("101"), at(20, 30)}});
    QVERIFY(v.data().TableCustomers->locate(QStringLiteral("Customers_id"), QStringLiteral("001")));
    TFormReservations &screen = v.reservations();
    screen.TableReservations()->first();
    screen.BitBtnDaodian()->click();
    QVERIFY(v.services.dialogs.unexpected().isEmpty()); // no question about its own booking
    QCOMPARE(v.services.dialogs.lastMessage(), checkin::openedMessage(QStringLiteral("101"), QStringLiteral("001")));
    QSqlQuery visit = v.db->run(QStringLiteral("SELECT Openroom_Lishui FROM Openroom"));
    QVERIFY(visit.next());
    QCOMPARE(v.booking(QStringLiteral("101"), kState).toString(), reservationtimes::arrived);
    QCOMPARE(v.booking(QStringLiteral("101"), QStringLiteral("Reservation_visit")).toLongLong(),
             visit.value(0).toLongLong());
    QCOMPARE(screen.TableReservations()->text(kState), reservationtimes::arrived);
    QCOMPARE(v.button(QStringLiteral("101"))->captionColor(), roomstate::inUseColor);

    // The deposit shows at check-out and on the receipt.
    TFormCloseroomandPay &checkOut = *v.program->main->checkOut();
    checkOut.Edit1()->setText(QStringLiteral("101"));
    checkOut.BitBtn2dwkffjh()->click();
    checkOut.Timer1Timer();
    QCOMPARE(checkOut.LabelDeposit()->text(), QStringLiteral("订金：50"));
    TFormPrintpaper receipts(v.data(), v.services.platform());
    receipts.BitBtnPrint()->click();
    QVERIFY(v.services.printer.documents().last().lines().contains(QStringLiteral("订金：50")));
}

void ReservationScreenTest::arrivalRefusedWhenAnotherStationLetTheRoom()
{
    Venue v(at(20, 10), {{QStringLiteral("101"), at(20, 30)}});
    TFormReservations &screen = v.reservations();
    screen.TableReservations()->first();
    const std::unique_ptr<Database> other = v.openAnother();
    checkin::checkIn(*other, QStringLiteral("002"), QStringLiteral("101"), at(20, 12));

    screen.BitBtnDaodian()->click();
    QCOMPARE(v.services.dialogs.lastMessage(), checkin::roomInUseMessage(QStringLiteral("101")));
    QCOMPARE(v.booking(QStringLiteral("101"), kState).toString(), reservationtimes::booked);
    QVERIFY(v.booking(QStringLiteral("101"), QStringLiteral("Reservation_visit")).isNull());
    QCOMPARE(v.count(QStringLiteral("Openroom")), 1);
}

QTEST_MAIN(ReservationScreenTest)
#include "test_reservationscreen.moc"
