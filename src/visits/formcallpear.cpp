#include "formcallpear.h"

#include "store/cursor.h"
#include "store/datamodule.h"
#include "store/datasource.h"
#include "store/storeerror.h"
#include "store/tables.h"
#include "widgets/dbedit.h"
#include "widgets/dbgrid.h"
#include "widgets/dbnavigator.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include <utility>

namespace ktv {

namespace {

const QString kSerial = QStringLiteral("Openroom_Lishui");
const QString kVisitRoom = QStringLiteral("Openroom_room_id");
const QString kVisitMember = QStringLiteral("Openroom_Customers_id");
const QString kLineVisit = QStringLiteral("Openroom_lishu");
const QString kLineCode = QStringLiteral("Pear_id");
const QString kPrice = QStringLiteral("Pear_price");
const QString kQuantity = QStringLiteral("Pear_shuliang");
const QString kCallTime = QStringLiteral("Pear_calltime");
const QString kDrinkCode = QStringLiteral("Pear_bm");

} // namespace

TFormcallpear::TFormcallpear(TDataModule1 &data, const Platform &platform, QWidget *parent)
    : ScreenWindow(parent), m_data(data), m_platform(platform),
      m_visits(new Cursor(data.database(), tables::openroom(), this)),
      m_orders(new Cursor(data.database(), tables::callpear(), this)),
      m_members(new Cursor(data.database(), tables::customers(), this)), m_visitSource(new DataSource(m_visits, this)),
      m_orderSource(new DataSource(m_orders, this)), m_memberSource(new DataSource(m_members, this))
{
    setObjectName(QStringLiteral("Formcallpear"));
    setWindowTitle(QStringLiteral("酒水配送"));
    m_visits->setObjectName(QStringLiteral("Table1"));
    m_visits->setIndexName(QStringLiteral("openroom_id"));
    m_visits->setFilter(QStringLiteral("Openroom_beizhu<>'结清'"));
    m_visits->setReadOnly(true);
    m_orders->setObjectName(QStringLiteral("Table2"));
    m_orders->setIndexName(QStringLiteral("openroomls"));
    m_orders->setMasterLink(m_visits, {kSerial}, {kLineVisit});
    // The drink the cashier picked, as stored now: not the next one when it was deleted elsewhere.
    m_orders->setBeforeInsert([this](Cursor &) {
        if (m_data.TablePear->isOpen())
            m_data.TablePear->requireChosen();
    });
    m_orders->setAfterInsert([this](Cursor &) { Table2AfterInsert(); });
    m_orders->setBeforePost([this](Cursor &) { Table2BeforePost(); });
    // A line lowered or removed is journalled in the same transaction as its save.
    m_orders->setWhileSaving([this](Cursor &) {
        if (std::optional<journal::Entry> removal = std::exchange(m_removal, std::nullopt))
            journal::record(m_data.database(), *removal, m_platform.clock.now());
    });
    m_members->setObjectName(QStringLiteral("Table3"));
    m_members->setIndexName(QStringLiteral("Customers_id"));
    m_members->setMasterLink(m_visits, {kVisitMember}, {QStringLiteral("Customers_id")});
    m_visitSource->setObjectName(QStringLiteral("DataSource1"));
    m_orderSource->setObjectName(QStringLiteral("DataSource2"));
    m_memberSource->setObjectName(QStringLiteral("DataSource3"));
    buildScreen();
    FormCreate();
}

template <class Sender, class Signal>
void TFormcallpear::wire(Sender *sender, Signal signal, void (TFormcallpear::*handler)())
{
    connect(sender, signal, this,
            [this, handler] { runGuarded(m_platform.dialogs, [this, handler] { (this->*handler)(); }); });
}

void TFormcallpear::buildScreen()
{
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(buildVisitPanel());
    layout->addWidget(buildToolPanel());
    layout->addWidget(buildWorkPanel(), 1);
}

QWidget *TFormcallpear::buildVisitPanel()
{
    Dialogs &dialogs = m_platform.dialogs;
    auto *panel = new QWidget(this);
    auto *layout = new QVBoxLayout(panel);
    auto *boxes = new QGridLayout;
    const auto addBox = [&](int row, int column, const char *label, DataSource *source, const QString &field,
                            const char *name) {
        auto *box = new DBEdit(dialogs, QString::fromUtf8(label), source, field, panel);
        box->setObjectName(QLatin1String(name));
        boxes->addWidget(box, row, column);
        return box;
    };
    m_serialBox = addBox(0, 0, "开房流水号", m_visitSource, kSerial, "EditOpenroom_Lishui");
    addBox(0, 1, "开房客户姓名", m_memberSource, QStringLiteral("Customers_name"), "EditOpenroom_Customers_id");
    addBox(0, 2, "开房房间号", m_visitSource, kVisitRoom, "EditOpenroom_room_id");
    addBox(1, 0, "开房开始时间", m_visitSource, QStringLiteral("Openroom_begintime"), "EditOpenroom_begintime");
    addBox(1, 1, "开房结束时间", m_visitSource, QStringLiteral("Openroom_endtime"), "EditOpenroom_endtime");
    addBox(1, 2, "开房备注", m_visitSource, QStringLiteral("Openroom_beizhu"), "EditOpenroom_beizhu");
    wire(m_serialBox, &DBEdit::entered, &TFormcallpear::EditOpenroom_LishuiEnter);
    layout->addLayout(boxes);

    m_roomBox = new QLineEdit(QStringLiteral("开房房间号"), panel);
    m_roomBox->setObjectName(QStringLiteral("Edit1kffjh"));
    m_locate = new QPushButton(QStringLiteral("&L定位叫酒房间"), panel);
    m_locate->setObjectName(QStringLiteral("BitBtn1dwfj"));
    m_locate->setToolTip(QStringLiteral("第一步:确定叫酒房间"));
    wire(m_locate, &QPushButton::clicked, &TFormcallpear::BitBtn1dwfjClick);
    auto *find = new QHBoxLayout;
    find->addWidget(m_roomBox);
    find->addWidget(m_locate);
    find->addStretch(1);
    layout->addLayout(find);

    m_visitsGrid = makeGrid(dialogs, m_visitSource,
                            {{kSerial, QStringLiteral("开房流水号")},
                             {kVisitMember, QStringLiteral("客户编号")},
                             {kVisitRoom, QStringLiteral("房间号")},
                             {QStringLiteral("Openroom_begintime"), QStringLiteral("开房时间")},
                             {QStringLiteral("Openroom_endtime"), QStringLiteral("退房时间")},
                             {QStringLiteral("Openroom_beizhu"), QStringLiteral("备注")}},
                            QStringLiteral("DBGrid3"), panel);
    layout->addWidget(m_visitsGrid);
    return panel;
}

QWidget *TFormcallpear::buildToolPanel()
{
    auto *panel = new QWidget(this);
    auto *layout = new QVBoxLayout(panel);
    auto *row = new QHBoxLayout;
    m_navigator = new DBNavigator(m_platform.dialogs, m_orderSource,
                                  {NavButton::First, NavButton::Prior, NavButton::Next, NavButton::Last,
                                   NavButton::Insert, NavButton::Post, NavButton::Cancel, NavButton::Refresh},
                                  {}, panel);
    m_navigator->setObjectName(QStringLiteral("DBNavigator"));
    m_onlyOpened = new QCheckBox(QStringLiteral("仅显示正开房的房间"), panel);
    m_onlyOpened->setObjectName(QStringLiteral("CheckBoxOnlyOpened"));
    wire(m_onlyOpened, &QCheckBox::clicked, &TFormcallpear::CheckBoxOnlyOpenedClick);
    row->addWidget(m_navigator);
    row->addWidget(m_onlyOpened);
    row->addStretch(1);
    layout->addLayout(row);
    auto *step3 = new QLabel(QStringLiteral("第三步:首先点击下面的要酒清单,再点击上面的+号按扭即可;确定配酒,"
                                            "点上面的对勾保存;放弃要酒点上面的叉."),
                             panel);
    step3->setObjectName(QStringLiteral("LabelStep3"));
    step3->setWordWrap(true);
    layout->addWidget(step3);
    return panel;
}

QWidget *TFormcallpear::buildWorkPanel()
{
    Dialogs &dialogs = m_platform.dialogs;
    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("Splitter1"));
    m_ordersGrid = makeGrid(dialogs, m_orderSource,
                            {{QStringLiteral("Callpear_id"), QStringLiteral("叫酒流水")},
                             {kLineVisit, QStringLiteral("开房流水"), true},
                             {kLineCode, QStringLiteral("酒水编码"), true},
                             {kPrice, QStringLiteral("酒水单价"), true},
                             {kQuantity, QStringLiteral("酒水数量")},
                             {kCallTime, QStringLiteral("叫酒时间")},
                             {QStringLiteral("Callpear_bz"), QStringLiteral("叫酒备注")}},
                            QStringLiteral("DBGrid2"), splitter);
    wire(m_ordersGrid, &DBGrid::entered, &TFormcallpear::DBGrid2Enter);
    splitter->addWidget(m_ordersGrid);

    auto *drinks = new QWidget(splitter);
    auto *drinksLayout = new QVBoxLayout(drinks);
    drinksLayout->setContentsMargins(0, 0, 0, 0);
    auto *step2 = new QLabel(QStringLiteral("第二步:选择酒水"), drinks);
    step2->setObjectName(QStringLiteral("LabelStep2"));
    m_drinksGrid = makeGrid(dialogs, m_data.DataSourcePear,
                            {{kDrinkCode, QStringLiteral("酒水类编码"), true},
                             {QStringLiteral("Pear_name"), QStringLiteral("酒水类名称"), true},
                             {kPrice, QStringLiteral("酒水类价格"), true},
                             {QStringLiteral("Pear_beizhu"), QStringLiteral("酒水类备注")}},
                            QStringLiteral("DBGrid1"), drinks);
    wire(m_drinksGrid, &DBGrid::entered, &TFormcallpear::DBGrid1Enter);
    drinksLayout->addWidget(step2);
    drinksLayout->addWidget(m_drinksGrid, 1);
    splitter->addWidget(drinks);
    return splitter;
}

void TFormcallpear::FormCreate()
{
    m_onlyOpened->setChecked(true);
    m_visits->setFiltered(true);
    m_visits->open();
    m_orders->open();
    m_members->open();
}

void TFormcallpear::BitBtn1dwfjClick()
{
    m_visits->first();
    const QString room = m_roomBox->text().trimmed();
    // An empty box names no room; it must not stand on whichever visit comes first.
    if (room.isEmpty() || !m_visits->locate(kVisitRoom, room, LocateOption::PartialKey)) {
        m_platform.beeper.beep();
        // The first visit it stands on is not the room's: no line is stored on it until one is chosen.
        m_visits->dropChoice(QStringLiteral("列表中没有房间“%1”的开房记录，请选择叫酒的开房").arg(room));
    }
}

void TFormcallpear::CheckBoxOnlyOpenedClick()
{
    m_visits->setFiltered(m_onlyOpened->isChecked());
}

void TFormcallpear::DBGrid2Enter()
{
    m_navigator->setDataSource(m_orderSource);
}

void TFormcallpear::EditOpenroom_LishuiEnter()
{
    m_navigator->setDataSource(m_visitSource);
}

void TFormcallpear::DBGrid1Enter()
{
    m_navigator->setDataSource(m_data.DataSourcePear);
}

// The new line takes the selected drink's code, then its price. Either missing is a conversion error that
// leaves the line being inserted as far as it got, for the cashier to cancel.
void TFormcallpear::Table2AfterInsert()
{
    Cursor &drinks = *m_data.TablePear;
    const QVariant code = drinks.isOpen() ? drinks.value(kDrinkCode) : QVariant();
    if (code.isNull())
        throw ConversionError(QStringLiteral("没有选中酒水，或所选酒水没有编码（%1），无法配酒").arg(kDrinkCode));
    m_orders->setValue(kLineCode, code.toString());
    const QVariant price = drinks.value(kPrice);
    if (price.isNull())
        throw ConversionError(QStringLiteral("酒水“%1”没有价格（%2），无法配酒").arg(code.toString(), kPrice));
    m_orders->setValue(kPrice, price);
}

void TFormcallpear::Table2BeforePost()
{
    m_removal.reset();
    // A line already stored that is lowered, to 0 or below to remove it, needs a manager and a reason.
    if (m_orders->state() == CursorState::Edit) {
        const qint64 before = m_orders->originalValue(kQuantity).toLongLong();
        const qint64 after = m_orders->isNull(kQuantity) ? 1 : m_orders->integer(kQuantity);
        if (after < before) {
            const QString action = after <= 0 ? QStringLiteral("删除酒水") : QStringLiteral("修改数量");
            const std::optional<Removal> allowed =
                m_authoriseRemoval ? m_authoriseRemoval(QStringLiteral("经理"), action) : Removal{};
            if (!allowed)
                throw AbortAction();
            const double price = m_orders->number(kPrice);
            journal::Entry entry{action, m_orders->integer(kLineVisit), m_visits->text(kVisitRoom)};
            entry.amount = price * double(after <= 0 ? before : before - after);
            entry.before = double(before);
            entry.after = double(after);
            entry.reason = allowed->reason;
            entry.authorised = allowed->by;
            m_removal = entry;
        }
    }
    // A line is stored on the visit it was started for, while that visit is still the one chosen.
    if (m_orders->state() == CursorState::Insert) {
        m_visits->requireChosen();
        // A line the drink could not be copied into bills nothing that anybody can name.
        if (m_orders->isNull(kLineCode))
            throw StoreError(QStringLiteral("这一行还没有酒水，请先在酒水列表中选择酒水，或点叉放弃"));
    }
    if (m_orders->isNull(kCallTime))
        m_orders->setValue(kCallTime, m_platform.clock.now());
    if (m_orders->isNull(kQuantity))
        m_orders->setValue(kQuantity, 1);
}

} // namespace ktv
