#include "formopenroom.h"

#include "checkin.h"
#include "checkinstep.h"
#include "checkoutsteps.h"

#include "store/database.h"
#include "store/datamodule.h"
#include "store/reservations.h"
#include "store/storeerror.h"
#include "store/tables.h"
#include "widgets/dbgrid.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace ktv {

namespace {
const QString kRoomId = QStringLiteral("Room_id");
const QString kRoomUsed = QStringLiteral("Room_used");
const QString kMemberId = QStringLiteral("Customers_id");
} // namespace

TFormOpenroom::TFormOpenroom(TDataModule1 &data, const Platform &platform, QWidget *parent)
    : ScreenWindow(parent), m_data(data), m_platform(platform),
      m_rooms(new Cursor(data.database(), tables::room(), this)),
      m_visits(new Cursor(data.database(), tables::openroom(), this)), m_roomSource(new DataSource(m_rooms, this)),
      m_visitSource(new DataSource(m_visits, this))
{
    setObjectName(QStringLiteral("FormOpenroom"));
    setWindowTitle(QStringLiteral("开房登记"));
    m_rooms->setObjectName(QStringLiteral("Table1"));
    m_rooms->setFilter(QStringLiteral("Room_used<>'是'"));
    m_rooms->setFiltered(true);
    m_visits->setObjectName(QStringLiteral("Table2"));
    m_visits->setIndexName(QStringLiteral("room_cust_id"));
    m_visits->setMasterLink(m_data.TableCustomers, {kMemberId}, {QStringLiteral("Openroom_Customers_id")});
    m_visits->setBeforeInsert([this](Cursor &) { Table2BeforeInsert(); });
    m_visits->setBeforePost([this](Cursor &c) { m_postingNewVisit = c.state() == CursorState::Insert; });
    m_visits->setAfterPost([this](Cursor &) { Table2AfterPost(); });
    buildScreen();
    FormCreate();
}

void TFormOpenroom::buildScreen()
{
    Dialogs &dialogs = m_platform.dialogs;
    const QList<NavButton> buttons{NavButton::First, NavButton::Prior, NavButton::Next,   NavButton::Last,
                                   NavButton::Edit,  NavButton::Post,  NavButton::Cancel, NavButton::Refresh};
    auto *navigator = new DBNavigator(dialogs, m_visitSource, buttons, standardHints(buttons), this);
    navigator->setObjectName(QStringLiteral("DBNavigator1"));
    m_open = new QPushButton(QStringLiteral("开房"), this);
    m_open->setObjectName(QStringLiteral("BitBtnKaifang"));
    connect(m_open, &QPushButton::clicked, this, [this] { runGuarded(m_platform.dialogs, [this] { BitBtnKaifangClick(); }); });

    DBGrid *rooms = makeGrid(dialogs, m_roomSource,
                             {{kRoomId, QStringLiteral("房间编号")},
                              {QStringLiteral("Room_sheshi"), QStringLiteral("房间设施")},
                              {QStringLiteral("Room_sfbiaozhun"), QStringLiteral("收费标准")},
                              {kRoomUsed, QStringLiteral("是否在使用中"), true},
                              {QStringLiteral("Room_beizhu"), QStringLiteral("备注")}},
                             QStringLiteral("DBGrid1"), this);
    rooms->setToolTip(QStringLiteral("房间信息"));
    DBGrid *members = makeGrid(dialogs, m_data.DataSourceCustomers,
                               {{kMemberId, QStringLiteral("会员编号"), true},
                                {QStringLiteral("Customers_name"), QStringLiteral("会员姓名"), true},
                                {QStringLiteral("Customers_sfzh"), QStringLiteral("身份证号")},
                                {QStringLiteral("Customers_phone"), QStringLiteral("会员电话")},
                                {QStringLiteral("Customers_zcsj"), QStringLiteral("注册时间"), true},
                                {QStringLiteral("Customers_zjxfsj"), QStringLiteral("最近消费时间")},
                                {QStringLiteral("Customers_ljxf"), QStringLiteral("累计消费")},
                                {QStringLiteral("Customers_zkl"), QStringLiteral("折扣率")},
                                {QStringLiteral("Customers_dizhi"), QStringLiteral("地址")},
                                {QStringLiteral("Customers_hyjb"), QStringLiteral("会员级别")},
                                {QStringLiteral("Customers_bz"), QStringLiteral("备注")}},
                               QStringLiteral("DBGrid2"), this);
    members->setToolTip(QStringLiteral("会员信息"));

    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("EditHybh"));
    connect(m_search, &QLineEdit::textChanged, this, [this] { runGuarded(m_platform.dialogs, [this] { EditHybhChange(); }); });
    // EditHybhKeyPress: Enter presses the search button.
    connect(m_search, &QLineEdit::returnPressed, this, [this] { m_find->click(); });
    m_find = new QPushButton(QStringLiteral("&L定位会员"), this);
    m_find->setObjectName(QStringLiteral("BitBtnDingweiHY"));
    connect(m_find, &QPushButton::clicked, this, [this] { runGuarded(m_platform.dialogs, [this] { BitBtnDingweiHYClick(); }); });

    DBGrid *visits = makeGrid(dialogs, m_visitSource,
                              {{QStringLiteral("Openroom_Lishui"), QStringLiteral("开房流水号")},
                               {QStringLiteral("Openroom_Customers_id"), QStringLiteral("开房客户号")},
                               {QStringLiteral("Openroom_room_id"), QStringLiteral("开房房间号")},
                               {QStringLiteral("Openroom_begintime"), QStringLiteral("开房开始时间")},
                               {QStringLiteral("Openroom_endtime"), QStringLiteral("开房结束时间")},
                               {QStringLiteral("Openroom_usedminute"), QStringLiteral("开房所用分钟数")},
                               {QStringLiteral("Openroom_youhuminute"), QStringLiteral("开房优惠分钟数")},
                               {QStringLiteral("Openroom_room_zhelu"), QStringLiteral("开房房间折扣率")},
                               {QStringLiteral("Openroom_customer_zhelu"), QStringLiteral("开房客户折扣率")},
                               {QStringLiteral("Openroom_beizhu"), QStringLiteral("备注")}},
                              QStringLiteral("DBGrid3"), this);

    auto *tools = new QHBoxLayout;
    tools->addWidget(navigator);
    tools->addWidget(m_open);
    tools->addStretch(1);
    auto *search = new QHBoxLayout;
    search->addWidget(new QLabel(QStringLiteral("请输入会员编号或姓名："), this));
    search->addWidget(m_search);
    search->addWidget(m_find);
    search->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(rooms, 1);
    layout->addWidget(members, 1);
    layout->addLayout(search);
    layout->addWidget(visits, 1);
}

void TFormOpenroom::FormCreate()
{
    m_rooms->open();
    m_visits->open();
}

void TFormOpenroom::EditHybhChange()
{
    const QString number = m_search->text().trimmed();
    if (!number.isEmpty())
        m_data.TableCustomers->locate(kMemberId, number, LocateOption::PartialKey);
}

void TFormOpenroom::BitBtnDingweiHYClick()
{
    const QString text = m_search->text().trimmed();
    if (text != m_search->text())
        m_search->setText(text); // runs the number lookup first
    if (text.isEmpty())
        return;
    const QString field = checkin::searchesByName(text) ? QStringLiteral("Customers_name") : kMemberId;
    m_data.TableCustomers->locate(field, text, LocateOption::PartialKey);
}

void TFormOpenroom::Table2BeforeInsert()
{
    if (!m_rooms->isEmpty() && tables::isYes(m_rooms->text(kRoomUsed))) {
        m_platform.dialogs.showMessage(checkin::roomInUseMessage(m_rooms->text(kRoomId)));
        throw AbortAction();
    }
}

void TFormOpenroom::Table2AfterPost()
{
    // Only a newly stored visit takes the room: editing an old visit leaves every room as it was.
    if (!m_postingNewVisit || m_rooms->isEmpty())
        return;
    m_rooms->edit();
    m_rooms->setValue(kRoomUsed, tables::yes);
    m_rooms->post(); // never left pending for a later move to store
}

// The member the cashier chose, never the neighbour of one changed elsewhere since; false when there is none
// to let a room to (the cashier has been told).
bool TFormOpenroom::memberReady()
{
    Cursor &members = *m_data.TableCustomers;
    if (members.state() == CursorState::Insert) {
        m_platform.dialogs.showMessage(QStringLiteral("新会员的资料还没有保存，请先保存或取消后再开房！"));
        return false;
    }
    if (members.isEmpty()) {
        m_platform.dialogs.showMessage(QStringLiteral("没有客户信息，请首先添加客户！"));
        return false;
    }
    members.checkBrowseMode();
    members.requireChosen();
    return true;
}

void TFormOpenroom::BitBtnKaifangClick()
{
    if (!memberReady())
        return;
    if (m_rooms->isEmpty()) {
        m_platform.dialogs.showMessage(QStringLiteral("没有空房可开！"));
        return;
    }
    // The room the cashier chose, never the neighbour of one changed elsewhere since.
    m_rooms->checkBrowseMode();
    m_rooms->requireChosen();
    const QString room = m_rooms->text(kRoomId);
    if (tables::isYes(m_rooms->text(kRoomUsed))) {
        m_platform.dialogs.showMessage(checkin::roomInUseMessage(room));
        return;
    }
    if (!confirmBooked(room))
        return;
    letRoom(room, 0);
}

// A room whose booked party is due is let to another guest only when the cashier says so.
bool TFormOpenroom::confirmBooked(const QString &room)
{
    const auto due = reservations::dueIn(m_data.database(), room, m_platform.clock.now());
    return !due || m_platform.dialogs.confirm(checkin::bookedRoomQuestion(due->name, due->from));
}

void TFormOpenroom::checkInReservation(qint64 reservationId, const QString &room)
{
    if (!memberReady())
        return;
    m_rooms->locate(kRoomId, room, LocateOption::CaseInsensitive); // the room shows as it is let
    letRoom(room, reservationId);
}

void TFormOpenroom::letRoom(const QString &room, qint64 reservationId)
{
    const QString member = m_data.TableCustomers->text(kMemberId);
    try {
        const QDateTime now = m_platform.clock.now();
        const checkin::Opened opened = reservationId
                                           ? checkin::checkInReserved(m_data.database(), member, reservationId, now)
                                           : checkin::checkIn(m_data.database(), member, room, now);
        m_rooms->refresh(); // the room leaves the free-room list
        m_visits->locate(QStringLiteral("Openroom_Lishui"), opened.serial);
        m_platform.dialogs.showMessage(checkin::openedMessage(opened.room, opened.member));
    } catch (const checkout::Refused &refused) {
        m_platform.dialogs.showMessage(refused.message());
    }
}

} // namespace ktv
