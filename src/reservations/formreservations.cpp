#include "formreservations.h"

#include "store/cursor.h"
#include "store/database.h"
#include "store/datamodule.h"
#include "store/datasource.h"
#include "store/reservations.h"
#include "store/reservationtimes.h"
#include "store/storeerror.h"
#include "store/tables.h"
#include "widgets/dbgrid.h"
#include "widgets/dbnavigator.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace ktv {

namespace {
const QString kId = QStringLiteral("Reservation_id");
const QString kName = QStringLiteral("Reservation_name");
const QString kRoom = QStringLiteral("Reservation_room");
const QString kFrom = QStringLiteral("Reservation_from");
const QString kTo = QStringLiteral("Reservation_to");
const QString kDeposit = QStringLiteral("Reservation_deposit");
const QString kState = QStringLiteral("Reservation_state");
constexpr int kDefaultStayHours = 2;
} // namespace

TFormReservations::TFormReservations(TDataModule1 &data, const Platform &platform, QWidget *parent)
    : ScreenWindow(parent), m_data(data), m_platform(platform),
      m_bookings(new Cursor(data.database(), tables::reservation(), this)), m_source(new DataSource(m_bookings, this))
{
    setObjectName(QStringLiteral("FormReservations"));
    setWindowTitle(QStringLiteral("客房预订"));
    m_bookings->setObjectName(QStringLiteral("TableReservations"));
    m_bookings->setIndexName(QStringLiteral("reservation_from"));
    m_bookings->setAfterInsert([this](Cursor &) { TableReservationsAfterInsert(); });
    m_source->setObjectName(QStringLiteral("DataSourceReservations"));
    buildScreen();
    runGuarded(m_platform.dialogs, [this] {
        m_bookings->open();
        DateEditDayChange();
    });
}

void TFormReservations::buildScreen()
{
    Dialogs &dialogs = m_platform.dialogs;
    m_day = new QDateEdit(m_platform.clock.now().date(), this);
    m_day->setObjectName(QStringLiteral("DateEditDay"));
    m_day->setCalendarPopup(true);
    m_day->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    connect(m_day, &QDateEdit::dateChanged, this,
            [this] { runGuarded(m_platform.dialogs, [this] { DateEditDayChange(); }); });

    const QList<NavButton> buttons{NavButton::Insert, NavButton::Delete, NavButton::Edit,
                                   NavButton::Post,   NavButton::Cancel, NavButton::Refresh};
    m_navigator = new DBNavigator(dialogs, m_source, buttons, standardHints(buttons), this);
    m_navigator->setObjectName(QStringLiteral("DBNavigator1"));
    // A refresh also lapses the bookings that have become late since the day was listed.
    connect(m_navigator->button(NavButton::Refresh), &QToolButton::clicked, this,
            [this] { runGuarded(m_platform.dialogs, [this] { DateEditDayChange(); }); });

    m_cancel = new QPushButton(QStringLiteral("取消预订"), this);
    m_cancel->setObjectName(QStringLiteral("BitBtnCancelReservation"));
    m_cancel->setAutoDefault(false);
    connect(m_cancel, &QPushButton::clicked, this,
            [this] { runGuarded(m_platform.dialogs, [this] { BitBtnCancelReservationClick(); }); });
    m_arrive = new QPushButton(QStringLiteral("到店开房"), this);
    m_arrive->setObjectName(QStringLiteral("BitBtnDaodian"));
    m_arrive->setAutoDefault(false);
    connect(m_arrive, &QPushButton::clicked, this, [this] {
        if (settleFocusedInput(true))
            runGuarded(m_platform.dialogs, [this] { BitBtnDaodianClick(); });
    });

    m_grid = makeGrid(dialogs, m_source,
                      {{kName, QStringLiteral("姓名")},
                       {QStringLiteral("Reservation_phone"), QStringLiteral("电话")},
                       {kRoom, QStringLiteral("房间")},
                       {kFrom, QStringLiteral("预计到店")},
                       {kTo, QStringLiteral("预计离店")},
                       {kDeposit, QStringLiteral("订金")},
                       {QStringLiteral("Reservation_note"), QStringLiteral("备注")},
                       // Changed only by the steps: cancelling, arriving and lapsing.
                       {kState, QStringLiteral("状态"), true}},
                      QStringLiteral("DBGridReservations"), this);

    auto *bar = new QHBoxLayout;
    bar->addWidget(new QLabel(QStringLiteral("日期："), this));
    bar->addWidget(m_day);
    bar->addWidget(m_navigator);
    bar->addWidget(m_cancel);
    bar->addWidget(m_arrive);
    bar->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_grid, 1);
}

void TFormReservations::DateEditDayChange()
{
    const QDateTime start(m_day->date(), QTime(0, 0));
    const QDateTime end = start.addDays(1);
    reservations::expireLate(m_data.database(), start, end, m_platform.clock.now());
    m_bookings->setRange(kFrom, start, end);
}

// A new booking of the day shown starts at the next whole hour, for the usual stay, with no deposit.
void TFormReservations::TableReservationsAfterInsert()
{
    const QDateTime now = m_platform.clock.now();
    const int hour = m_day->date() == now.date() ? now.time().hour() + 1 : 20;
    const QDateTime from = QDateTime(m_day->date(), QTime(0, 0)).addSecs(qint64(hour) * 3600);
    m_bookings->setValue(kFrom, from);
    m_bookings->setValue(kTo, from.addSecs(kDefaultStayHours * 3600));
    m_bookings->setValue(kDeposit, 0);
    m_bookings->setValue(kState, reservationtimes::booked);
}

// The booking the cashier chose, with what was typed into it stored first; 0, the cashier told, when none.
qint64 TFormReservations::chosenBooking(const QString &none)
{
    m_bookings->checkBrowseMode();
    m_bookings->requireChosen();
    if (m_bookings->isEmpty()) {
        m_platform.dialogs.showMessage(none);
        return 0;
    }
    return m_bookings->integer(kId);
}

void TFormReservations::BitBtnCancelReservationClick()
{
    const qint64 id = chosenBooking(QStringLiteral("这一天没有预订可以取消"));
    if (!id)
        return;
    if (!m_platform.dialogs.confirm(QStringLiteral("确定取消“%1”的预订吗?").arg(m_bookings->text(kName))))
        return;
    try {
        reservations::cancel(m_data.database(), id);
    } catch (const Refused &refused) {
        m_platform.dialogs.showMessage(refused.message());
    }
    m_bookings->followOwnWrite();
}

void TFormReservations::BitBtnDaodianClick()
{
    const qint64 id = chosenBooking(QStringLiteral("这一天没有预订可以到店开房"));
    if (!id || !m_arrival)
        return;
    m_arrival(id, m_bookings->text(kRoom));
    m_bookings->followOwnWrite();
}

} // namespace ktv
