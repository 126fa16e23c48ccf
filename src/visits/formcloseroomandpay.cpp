#include "formcloseroomandpay.h"

#include "charge.h"
#include "checkin.h"
#include "checkoutsteps.h"
#include "deposit.h"
#include "formpickroom.h"
#include "roommove.h"

#include "store/database.h"
#include "store/openvisits.h"
#include "store/reservations.h"
#include "store/datamodule.h"
#include "store/storeerror.h"
#include "store/tables.h"
#include "widgets/dbedit.h"
#include "widgets/dbgrid.h"
#include "widgets/numberforms.h"
#include "widgets/statuspanels.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

namespace ktv {

namespace {
const QString kLishui = QStringLiteral("Openroom_Lishui");
const QString kVisitRoom = QStringLiteral("Openroom_room_id");
const QString kVisitMember = QStringLiteral("Openroom_Customers_id");
const QString kBegin = QStringLiteral("Openroom_begintime");
const QString kEnd = QStringLiteral("Openroom_endtime");
const QString kRoomRate = QStringLiteral("Openroom_room_zhelu");
const QString kCustomerRate = QStringLiteral("Openroom_customer_zhelu");
const QString kCharge = QStringLiteral("Openroom_jbxf");
const QString kDrinks = QStringLiteral("Openroom_jiushui");
const QString kDue = QStringLiteral("Openroom_yingfu");
const QString kPaid = QStringLiteral("Openroom_shifu");
const QString kChange = QStringLiteral("Openroom_zhaoling");
const QString kMark = QStringLiteral("Openroom_beizhu");
const QString kAccumulated = QStringLiteral("Openroom_leijifou");
const QString kMemberRate = QStringLiteral("Customers_zkl");
const QString kLastVisit = QStringLiteral("Customers_zjxfsj");
const QString kRoomId = QStringLiteral("Room_id");
const QString kRoomUsed = QStringLiteral("Room_used");
const QString kClientRoom = QStringLiteral("Clients_room_id");
const QString kClientUsed = QStringLiteral("Clients_used");
} // namespace

TFormCloseroomandPay::TFormCloseroomandPay(TDataModule1 &data, const Platform &platform, QWidget *parent)
    : ScreenWindow(parent), m_data(data), m_platform(platform),
      m_visits(new Cursor(data.database(), tables::openroom(), this)),
      m_lines(new Cursor(data.database(), tables::callpear(), this)),
      m_rooms(new Cursor(data.database(), tables::room(), this)),
      m_member(new Cursor(data.database(), tables::customers(), this)),
      m_clients(new Cursor(data.database(), tables::clients(), this)), m_visitSource(new DataSource(m_visits, this)),
      m_lineSource(new DataSource(m_lines, this)), m_roomSource(new DataSource(m_rooms, this)),
      m_memberSource(new DataSource(m_member, this)), m_clientSource(new DataSource(m_clients, this))
{
    setObjectName(QStringLiteral("FormCloseroomandPay"));
    setWindowTitle(QStringLiteral("退房结帐"));
    m_visits->setObjectName(QStringLiteral("Table1"));
    m_visits->setIndexName(QStringLiteral("openroom_id"));
    m_visits->setFilter(QStringLiteral("Openroom_beizhu<>'结清'"));
    m_visits->setFiltered(true);
    m_visits->setBeforePost([this](Cursor &c) { Table1BeforePost(c); });
    m_lines->setObjectName(QStringLiteral("Table2"));
    m_lines->setIndexName(QStringLiteral("openroomls"));
    m_lines->setMasterLink(m_visits, {kLishui}, {QStringLiteral("Openroom_lishu")});
    m_rooms->setObjectName(QStringLiteral("Table3"));
    m_rooms->setOrderFields({kRoomId});
    m_rooms->setBeforePost([this](Cursor &c) { Table3BeforePost(c); });
    m_member->setObjectName(QStringLiteral("Table4"));
    m_member->setOrderFields({QStringLiteral("Customers_id")});
    m_member->setMasterLink(m_visits, {kVisitMember}, {QStringLiteral("Customers_id")});
    m_member->setBeforePost([this](Cursor &c) { Table4BeforePost(c); });
    m_clients->setObjectName(QStringLiteral("Table5"));
    m_clients->setIndexName(QStringLiteral("client_room_id"));

    buildScreen();
    addDepositLabel();
    FormCreate();

    // The status bar follows the current visit every second, also while the screen is hidden.
    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, guardedTick(m_platform.dialogs, [this] { Timer1Timer(); }));
    m_timer->start();
}

// --- layout ---------------------------------------------------------------------------------------

void TFormCloseroomandPay::buildScreen()
{
    m_status = new StatusPanels({150, 150, 150, 150, 150, 150, 50}, this);
    m_status->setObjectName(QStringLiteral("StatusBar1"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(buildTopBar());
    auto *middle = new QHBoxLayout;
    middle->addWidget(buildVisitBoxes(), 1);
    middle->addWidget(buildSteps());
    layout->addLayout(middle);
    layout->addWidget(makeGrid(m_platform.dialogs, m_visitSource,
                               {{kAccumulated, QStringLiteral("消费是否累计"), true},
                                {kLishui, QStringLiteral("开房流水号")},
                                {kVisitMember, QStringLiteral("开房客户号"), true},
                                {kVisitRoom, QStringLiteral("开房房间号"), true},
                                {kBegin, QStringLiteral("开房开始时间"), true},
                                {kEnd, QStringLiteral("开房结束时间"), true},
                                {QStringLiteral("Openroom_usedminute"), QStringLiteral("开房所用分钟数")},
                                {QStringLiteral("Openroom_youhuminute"), QStringLiteral("开房优惠分钟数")},
                                {kRoomRate, QStringLiteral("房间折率")},
                                {kCustomerRate, QStringLiteral("开房客户折率")},
                                {kCharge, QStringLiteral("基本消费")},
                                {kDrinks, QStringLiteral("酒水消费")},
                                {kDue, QStringLiteral("应付金额")},
                                {kPaid, QStringLiteral("实付金额")},
                                {kChange, QStringLiteral("找零")},
                                {kMark, QStringLiteral("备注")}},
                               QStringLiteral("DBGrid5"), this),
                      1);
    layout->addWidget(buildLowerArea(), 1);
    layout->addWidget(m_status);
}

QWidget *TFormCloseroomandPay::buildTopBar()
{
    auto *bar = new QWidget(this);
    const QList<NavButton> buttons{NavButton::First,  NavButton::Prior, NavButton::Next,
                                   NavButton::Last,   NavButton::Insert, NavButton::Edit,
                                   NavButton::Post,   NavButton::Cancel, NavButton::Refresh};
    auto *navigator = new DBNavigator(m_platform.dialogs, m_visitSource, buttons, standardHints(buttons), bar);
    navigator->setObjectName(QStringLiteral("DBNavigator1"));
    m_search = new QLineEdit(bar);
    m_search->setObjectName(QStringLiteral("Edit1"));
    m_search->setToolTip(QStringLiteral("请输入要退房的开房流水号或房间号"));
    connect(m_search, &QLineEdit::textChanged, this, [this] { runGuarded(m_platform.dialogs, [this] { Edit1Change(); }); });
    m_onlyOpen = new QCheckBox(QStringLiteral("仅显示未退房的"), bar);
    m_onlyOpen->setObjectName(QStringLiteral("CheckBoxOnlyOpened"));
    m_onlyOpen->setChecked(true);
    connect(m_onlyOpen, &QCheckBox::clicked, this,
            [this] { runGuarded(m_platform.dialogs, [this] { CheckBoxOnlyOpenedClick(); }); });
    m_locate = new QPushButton(QStringLiteral("定位开房房间号"), bar);
    m_locate->setObjectName(QStringLiteral("BitBtn2dwkffjh"));
    connect(m_locate, &QPushButton::clicked, this,
            [this] { runGuarded(m_platform.dialogs, [this] { BitBtn2dwkffjhClick(); }); });
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(navigator);
    row->addWidget(m_search);
    row->addWidget(m_onlyOpen);
    row->addWidget(m_locate);
    row->addStretch(1);
    return bar;
}

QWidget *TFormCloseroomandPay::buildVisitBoxes()
{
    struct Box
    {
        const char *label;
        QString field;
        bool readOnly;
    };
    const Box boxes[] = {
        {"开房流水号", kLishui, false},         {"开房客户号", kVisitMember, true},
        {"开房房间号", kVisitRoom, true},       {"开房开始时间", kBegin, false},
        {"退房时间", kEnd, false},              {"开房所用分钟数", QStringLiteral("Openroom_usedminute"), true},
        {"开房优惠分钟数", QStringLiteral("Openroom_youhuminute"), false},
        {"开房房间折扣率", kRoomRate, false},   {"开房客户折扣率", kCustomerRate, false},
        {"基本消费", kCharge, true},            {"酒水", kDrinks, true},
        {"应付", kDue, false},                  {"实付", kPaid, false},
        {"找零", kChange, false},               {"备注", kMark, true},
    };
    auto *panel = new QWidget(this);
    auto *grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    int i = 0;
    for (const Box &b : boxes) {
        auto *box = new DBEdit(m_platform.dialogs, QString::fromUtf8(b.label), m_visitSource, b.field, panel);
        box->setObjectName(QStringLiteral("Edit") + b.field);
        box->setReadOnly(b.readOnly);
        grid->addWidget(box, i / 3, i % 3);
        if (b.field == kCharge)
            m_chargeBox = box;
        else if (b.field == kPaid)
            m_paidBox = box;
        else if (b.field == kMark)
            m_markBox = box;
        ++i;
    }
    return panel;
}

QWidget *TFormCloseroomandPay::buildSteps()
{
    struct Step
    {
        const char *name;
        const char *caption;
        void (TFormCloseroomandPay::*handler)();
    };
    static const Step steps[] = {
        {"BitBtnTuifang", "&1退房", &TFormCloseroomandPay::BitBtnTuifangClick},
        {"BitBtnJsys", "&2计算用时", &TFormCloseroomandPay::BitBtnJsysClick},
        {"BitBtnJsjbxf", "&3计算基本消费", &TFormCloseroomandPay::BitBtnJsjbxfClick},
        {"BitBtnJsjs", "&4计算酒水消费", &TFormCloseroomandPay::BitBtnJsjsClick},
        {"BitBtnShoufei", "&5收费", &TFormCloseroomandPay::BitBtnShoufeiClick},
        {"BitBtnPrintPaper", "&6打印小票", &TFormCloseroomandPay::BitBtnPrintPaperClick},
        {"BitBtn1", "&7更新最近消费时间", &TFormCloseroomandPay::BitBtn1Click},
        {"BitBtnljxf", "&8消费累计", &TFormCloseroomandPay::BitBtnljxfClick},
    };
    auto *group = new QGroupBox(QStringLiteral("计算打印"), this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    auto *column = new QVBoxLayout(group);
    for (const Step &s : steps) {
        auto *button = new QPushButton(QString::fromUtf8(s.caption), group);
        button->setObjectName(QLatin1String(s.name));
        const auto handler = s.handler;
        // An amount still being typed counts: a step started by its accelerator takes no focus first.
        connect(button, &QPushButton::clicked, this, [this, handler] {
            if (!settleFocusedInput(true))
                return;
            runGuarded(m_platform.dialogs, [this, handler] {
                try {
                    (this->*handler)();
                } catch (const checkout::Refused &refused) {
                    m_platform.dialogs.showMessage(refused.message());
                }
            });
        });
        column->addWidget(button);
        m_steps << button;
    }
    column->addWidget(buildRoomChange(group));
    return group;
}

QPushButton *TFormCloseroomandPay::buildRoomChange(QWidget *parent)
{
    m_changeRoom = new QPushButton(QStringLiteral("换房"), parent);
    m_changeRoom->setObjectName(QStringLiteral("BitBtnHuanfang"));
    connect(m_changeRoom, &QPushButton::clicked, this, [this] {
        runGuarded(m_platform.dialogs, [this] {
            try {
                BitBtnHuanfangClick();
            } catch (const Refused &refused) {
                m_platform.dialogs.showMessage(refused.message());
            }
        });
    });
    return m_changeRoom;
}

QWidget *TFormCloseroomandPay::buildLowerArea()
{
    Dialogs &dialogs = m_platform.dialogs;
    auto *area = new QSplitter(Qt::Horizontal, this);
    area->addWidget(makeGrid(dialogs, m_roomSource,
                             {{kRoomId, QStringLiteral("房间编号"), true},
                              {QStringLiteral("Room_sheshi"), QStringLiteral("房间设施"), true},
                              {QStringLiteral("Room_sfbiaozhun"), QStringLiteral("房间收费标准"), true},
                              {kRoomUsed, QStringLiteral("是否在使用中"), false, {tables::yes, tables::no}},
                              {QStringLiteral("Room_beizhu"), QStringLiteral("房间备注"), true}},
                             QStringLiteral("DBGrid3"), area));
    area->addWidget(makeGrid(dialogs, m_clientSource,
                             {{QStringLiteral("Clients_mac"), QStringLiteral("mac地址"), true},
                              {QStringLiteral("Clients_ip"), QStringLiteral("IP地址"), true},
                              {QStringLiteral("Clients_gateway"), QStringLiteral("网关"), true},
                              {QStringLiteral("Clients_hostname"), QStringLiteral("主机名"), true},
                              {kClientRoom, QStringLiteral("所在房间号"), true},
                              {kClientUsed, QStringLiteral("是否使用中")},
                              {QStringLiteral("Clients_lastopentime"), QStringLiteral("最近开机时间"), true},
                              {QStringLiteral("Clients_lastclosetime"), QStringLiteral("最近关机时间"), true},
                              {QStringLiteral("Clients_Running"), QStringLiteral("主机是否在运行中"), true}},
                             QStringLiteral("DBGrid4"), area));
    area->addWidget(makeGrid(dialogs, m_lineSource,
                             {{QStringLiteral("Openroom_lishu"), QStringLiteral("开房流水号"), true},
                              {QStringLiteral("Callpear_id"), QStringLiteral("叫酒流水")},
                              {QStringLiteral("Pear_id"), QStringLiteral("酒水编码"), true},
                              {QStringLiteral("Pear_price"), QStringLiteral("酒水单价"), true},
                              {QStringLiteral("Pear_shuliang"), QStringLiteral("酒水数量"), true},
                              {QStringLiteral("Pear_calltime"), QStringLiteral("叫酒时间"), true},
                              {QStringLiteral("Callpear_bz"), QStringLiteral("叫酒备注")}},
                             QStringLiteral("DBGrid2"), area));
    area->addWidget(makeGrid(dialogs, m_memberSource,
                             {{QStringLiteral("Customers_id"), QStringLiteral("会员编号")},
                              {QStringLiteral("Customers_name"), QStringLiteral("会员姓名"), true},
                              {QStringLiteral("Customers_sfzh"), QStringLiteral("身份证号")},
                              {QStringLiteral("Customers_phone"), QStringLiteral("会员电话")},
                              {QStringLiteral("Customers_zcsj"), QStringLiteral("注册时间")},
                              {kLastVisit, QStringLiteral("最近消费时间")},
                              {QStringLiteral("Customers_ljxf"), QStringLiteral("累计消费"), true},
                              {kMemberRate, QStringLiteral("折扣率")},
                              {QStringLiteral("Customers_dizhi"), QStringLiteral("地址")},
                              {QStringLiteral("Customers_hyjb"), QStringLiteral("会员级别")},
                              {QStringLiteral("Customers_bz"), QStringLiteral("备注")}},
                             QStringLiteral("DBGrid1"), area));
    return area;
}

QPushButton *TFormCloseroomandPay::stepButton(int step) const { return m_steps.value(step - 1); }

// --- handlers -------------------------------------------------------------------------------------

void TFormCloseroomandPay::FormCreate()
{
    for (Cursor *c : {m_visits, m_lines, m_rooms, m_member, m_clients}) {
        if (!c->isOpen())
            c->open();
    }
}

void TFormCloseroomandPay::Edit1Change()
{
    // A text that is no whole number matches no serial number; the visit list stays where it is.
    m_visits->locate(kLishui, m_search->text(), LocateOption::PartialKey);
}

void TFormCloseroomandPay::BitBtn2dwkffjhClick()
{
    const QString room = m_search->text();
    // The list stays where it was when the room has no visit in it, but that visit is no choice of the
    // cashier's: the steps refuse it rather than check out or charge another party.
    if (!m_visits->locate(kVisitRoom, room, LocateOption::PartialKey)) {
        if (m_visits->isFiltered() && openvisits::notCheckedOut(m_data.database(), room))
            m_visits->dropChoice(QStringLiteral("房间%1的开房已结清但还没有退房：请去掉“仅显示未退房的”的勾选，再定位")
                                     .arg(room));
        else
            m_visits->dropChoice(QStringLiteral("列表中没有房间“%1”的开房记录，请选择要结帐的开房").arg(room));
    }
    m_rooms->locate(kRoomId, room, LocateOption::CaseInsensitive);
    m_clients->locate(kClientRoom, room, LocateOption::CaseInsensitive);
}

void TFormCloseroomandPay::CheckBoxOnlyOpenedClick() { m_visits->setFiltered(m_onlyOpen->isChecked()); }

std::optional<double> TFormCloseroomandPay::optional(Cursor &cursor, const QString &field) const
{
    if (cursor.isNull(field))
        return std::nullopt;
    return cursor.number(field);
}

// The visit the cashier chose, with what was typed into its boxes stored first; 0 when the list is empty.
// A visit that another station settled or deleted since it was chosen is refused, never its neighbour.
qint64 TFormCloseroomandPay::chosenVisit()
{
    m_visits->checkBrowseMode();
    m_visits->requireChosen();
    return m_visits->isEmpty() ? 0 : m_visits->integer(kLishui);
}

// The step wrote the visit and its lines itself: the lists show them as stored, the visit still current.
void TFormCloseroomandPay::followStep()
{
    m_visits->followOwnWrite();
    m_lines->followOwnWrite();
    m_depositShownFor = -1;
}

void TFormCloseroomandPay::BitBtnTuifangClick()
{
    const qint64 serial = chosenVisit();
    if (!serial) {
        m_platform.beeper.beep();
        m_platform.dialogs.showMessage(QStringLiteral("已无房可退!"));
        return;
    }
    const checkout::CheckOutResult result = checkout::checkOut(m_data.database(), serial, m_platform.clock.now());
    followStep();
    // The lists below stand on the room that was checked out.
    m_rooms->locate(kRoomId, result.room, LocateOption::CaseInsensitive);
    m_clients->locate(kClientRoom, result.room, LocateOption::CaseInsensitive);
    if (result.checkedOut)
        m_platform.dialogs.showMessage(QStringLiteral("退房成功！"));
    if (!result.released)
        m_platform.dialogs.showMessage(QStringLiteral("房间") + result.room + QStringLiteral("已有新的开房，不能退房"));
}

void TFormCloseroomandPay::BitBtnJsysClick()
{
    if (const qint64 serial = chosenVisit()) {
        checkout::computeUsedTime(m_data.database(), serial);
        followStep();
    }
}

void TFormCloseroomandPay::BitBtnJsjbxfClick()
{
    if (const qint64 serial = chosenVisit()) {
        checkout::computeRoomCharge(m_data.database(), serial);
        followStep();
    }
}

void TFormCloseroomandPay::BitBtnJsjsClick()
{
    if (const qint64 serial = chosenVisit()) {
        checkout::computeDrinks(m_data.database(), serial);
        followStep();
    }
}

void TFormCloseroomandPay::BitBtnShoufeiClick()
{
    if (const qint64 serial = chosenVisit()) {
        // Lowering a bill or letting a guest owe is a manager's decision.
        std::optional<QString> authorisedBy = QString();
        const QString action = checkout::paymentNeedingManager(m_data.database(), serial);
        if (!action.isEmpty() && m_authorise)
            authorisedBy = m_authorise(QStringLiteral("经理"), action);
        if (!authorisedBy)
            return;
        const charge::Settlement s = checkout::takePayment(m_data.database(), serial, m_platform.clock.now(),
                                                           !m_authorise || !action.isEmpty(), *authorisedBy);
        followStep();
        if (s.askForPayment)
            m_paidBox->setFocus();
    }
}

void TFormCloseroomandPay::BitBtnPrintPaperClick()
{
    if (m_openReceipt)
        m_openReceipt(this);
}

void TFormCloseroomandPay::BitBtn1Click()
{
    if (const qint64 serial = chosenVisit()) {
        checkout::stampLastVisit(m_data.database(), serial);
        followStep();
    }
}

void TFormCloseroomandPay::BitBtnljxfClick()
{
    if (const qint64 serial = chosenVisit()) {
        checkout::accumulate(m_data.database(), serial);
        followStep();
    }
}

// The party of the chosen visit moves to a free room the cashier picks; its lists below follow it there.
void TFormCloseroomandPay::BitBtnHuanfangClick()
{
    const qint64 serial = chosenVisit();
    if (!serial) {
        m_platform.dialogs.showMessage(QStringLiteral("没有可以换房的开房记录！"));
        return;
    }
    TFormPickRoom pick(m_data.database(), m_platform, this);
    if (pick.exec() != QDialog::Accepted)
        return;
    // A party is moved into a room whose booked guests are due only when the cashier says so, as at check-in.
    const auto due = reservations::dueIn(m_data.database(), pick.chosenRoom(), m_platform.clock.now());
    if (due && !m_platform.dialogs.confirm(checkin::bookedRoomQuestion(due->name, due->from, QStringLiteral("换房"))))
        return;
    const roommove::Moved moved =
        roommove::moveVisit(m_data.database(), serial, pick.chosenRoom(), m_platform.clock.now());
    followStep();
    m_rooms->locate(kRoomId, moved.to, LocateOption::CaseInsensitive);
    m_clients->locate(kClientRoom, moved.to, LocateOption::CaseInsensitive);
    emit roomMoved();
    m_platform.dialogs.showMessage(QStringLiteral("已从房间%1换到房间%2！").arg(moved.from, moved.to));
}

void TFormCloseroomandPay::Table1BeforePost(Cursor &visit)
{
    for (const QString &rate : {kRoomRate, kCustomerRate}) {
        if (visit.number(rate) < 0.0001)
            visit.setValue(rate, 1.0);
    }
}

// The in-use flag of a room is "是" or "否", and a room that a visit not checked out holds stays in use:
// a room painted free while its guests sing would be let again.
void TFormCloseroomandPay::Table3BeforePost(Cursor &room)
{
    const QString used = room.text(kRoomUsed);
    const QString id = room.text(kRoomId);
    if (used != tables::yes && used != tables::no)
        throw StoreError(QStringLiteral("房间%1的“是否在使用中”只能是“是”或“否”").arg(id));
    if (used == tables::no && openvisits::notCheckedOut(m_data.database(), id))
        throw StoreError(QStringLiteral("房间%1还有未退房的开房记录，不能设为空闲").arg(id));
}

void TFormCloseroomandPay::Table4BeforePost(Cursor &member)
{
    if (member.number(kMemberRate) < 0.0001)
        member.setValue(kMemberRate, 1.0);
}

void TFormCloseroomandPay::Timer1Timer()
{
    if (m_member->isOpen() && !m_member->text(QStringLiteral("Customers_name")).isEmpty())
        m_status->setPanelText(0, QStringLiteral("客户:") + m_member->text(QStringLiteral("Customers_name")));
    if (!m_visits->isNull(kLishui))
        m_status->setPanelText(1, QStringLiteral("开房流水:") + m_visits->text(kLishui));
    m_status->setPanelText(2, QStringLiteral("基本消费:") + (m_visits->isNull(kCharge) ? QString() : m_chargeBox->text()));
    m_status->setPanelText(3, QStringLiteral("酒水:") + numberform::plainDecimal(m_visits->value(kDrinks)));
    m_status->setPanelText(4, QStringLiteral("实付:") + numberform::plainDecimal(m_visits->value(kPaid)));
    m_status->setPanelText(5, charge::changePanelText(optional(*m_visits, kChange)));
    m_status->setPanelText(6, m_visits->isNull(kMark) ? QString() : m_markBox->text());
    showDeposit();
}

// --- a reservation's deposit ---------------------------------------------------------------------------

void TFormCloseroomandPay::addDepositLabel()
{
    m_deposit = new QLabel(this);
    m_deposit->setObjectName(QStringLiteral("LabelDeposit"));
    if (auto *column = qobject_cast<QVBoxLayout *>(layout()))
        column->insertWidget(1, m_deposit);
}

// The deposit of the visit shown, followed with the status bar; read again when another visit is shown and
// after each step.
void TFormCloseroomandPay::showDeposit()
{
    const qint64 serial = m_visits->isEmpty() ? 0 : m_visits->integer(kLishui);
    if (serial == m_depositShownFor)
        return;
    m_depositShownFor = serial;
    m_deposit->setText(serial ? deposit::text(reservations::depositOf(m_data.database(), serial)) : QString());
}

} // namespace ktv
