#include "formopenclients.h"

#include "screenwiring.h"
#include "store/cursor.h"
#include "store/datamodule.h"
#include "store/datasource.h"
#include "store/tables.h"
#include "widgets/dbedit.h"
#include "widgets/dbgrid.h"
#include "widgets/dbnavigator.h"
#include "widgets/screenparts.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

namespace ktv {

namespace {

const QString kUsed = QStringLiteral("Clients_used");
const QString kOpenTime = QStringLiteral("Clients_lastopentime");

} // namespace

TFormOpenClients::TFormOpenClients(TDataModule1 &data, const Platform &platform, QWidget *parent)
    : QDialog(parent), m_platform(platform), m_visits(new Cursor(data.database(), tables::openroom(), this)),
      m_clients(new Cursor(data.database(), tables::clients(), this)), m_visitSource(new DataSource(m_visits, this)),
      m_clientSource(new DataSource(m_clients, this)),
      m_timer(clients::makeRefreshTimer(this, 2000, m_platform.dialogs, [this] { Timer1Timer(); }))
{
    setObjectName(QStringLiteral("FormOpenClients"));
    setWindowTitle(QStringLiteral("开通客户端"));
    m_visits->setObjectName(QStringLiteral("Table1"));
    m_clients->setObjectName(QStringLiteral("Table2"));
    m_clients->setIndexName(QStringLiteral("client_room_id"));
    m_clients->setMasterLink(m_visits, {QStringLiteral("Openroom_room_id")}, {QStringLiteral("Clients_room_id")});
    m_visitSource->setObjectName(QStringLiteral("DataSource1"));
    m_clientSource->setObjectName(QStringLiteral("DataSource2"));

    Dialogs &dialogs = m_platform.dialogs;
    auto *layout = new QVBoxLayout(this);
    auto *bar = new QHBoxLayout;
    const QList<NavButton> buttons{NavButton::First, NavButton::Prior,  NavButton::Next,   NavButton::Last,
                                   NavButton::Post,  NavButton::Cancel, NavButton::Refresh};
    m_navigator = new DBNavigator(dialogs, m_visitSource, buttons, standardHints(buttons), this);
    m_navigator->setObjectName(QStringLiteral("DBNavigator"));
    m_activate = clients::makeButton(QStringLiteral("&O开通登记"), QStringLiteral("BitBtnOpenClients"), this, dialogs,
                                     [this] { BitBtnOpenClientsClick(); });
    bar->addWidget(m_navigator);
    bar->addWidget(m_activate);
    bar->addStretch(1);
    layout->addLayout(bar);

    m_visitGrid = makeGrid(dialogs, m_visitSource,
                           {{QStringLiteral("Openroom_Lishui"), QStringLiteral("开房流水号"), true},
                            {QStringLiteral("Openroom_Customers_id"), QStringLiteral("开房客户号"), true},
                            {QStringLiteral("Openroom_room_id"), QStringLiteral("开房房间号"), true},
                            {QStringLiteral("Openroom_begintime"), QStringLiteral("开房开始时间"), true},
                            {QStringLiteral("Openroom_endtime"), QStringLiteral("开房结束时间")},
                            {QStringLiteral("Openroom_beizhu"), QStringLiteral("备注")}},
                           QStringLiteral("DBGrid1"), this);
    connect(m_visitGrid, &DBGrid::entered, this,
            [this] { runGuarded(m_platform.dialogs, [this] { DBGrid1Enter(); }); });
    layout->addWidget(m_visitGrid, 1);

    DBEdit *address =
        addBox(QStringLiteral("客户端IP地址"), QStringLiteral("Clients_ip"), QStringLiteral("EditClients_ip"));
    connect(address, &DBEdit::entered, this,
            [this] { runGuarded(m_platform.dialogs, [this] { EditClients_ipEnter(); }); });
    addBox(QStringLiteral("主机名"), QStringLiteral("Clients_hostname"), QStringLiteral("EditClients_hostname"));
    addBox(QStringLiteral("所在房间号"), QStringLiteral("Clients_room_id"), QStringLiteral("EditClients_room_id"));
    addBox(QStringLiteral("是否开通"), kUsed, QStringLiteral("EditClients_used"));
    addBox(QStringLiteral("最近开机时间"), kOpenTime, QStringLiteral("EditClients_lastopentime"))->setReadOnly(true);
    addBox(QStringLiteral("最近关机时间"), QStringLiteral("Clients_lastclosetime"),
           QStringLiteral("EditClients_lastclosetime"));
    addBox(QStringLiteral("主机是否在运行中"), QStringLiteral("Clients_Running"),
           QStringLiteral("EditClients_Running"));

    runGuarded(dialogs, [this] { FormCreate(); });
}

DBEdit *TFormOpenClients::addBox(const QString &label, const QString &field, const QString &objectName)
{
    auto *box = new DBEdit(m_platform.dialogs, label, m_clientSource, field, this);
    box->setObjectName(objectName);
    layout()->addWidget(box);
    m_boxes.append(box);
    return box;
}

void TFormOpenClients::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        m_timer->start();
}

void TFormOpenClients::done(int result)
{
    m_timer->stop();
    QDialog::done(result);
}

void TFormOpenClients::FormCreate()
{
    m_visits->open();
    m_clients->open();
}

void TFormOpenClients::BitBtnOpenClientsClick()
{
    // Only a client PC that is on record is activated; a room without one gets none made up for it.
    if (m_clients->recordCount() == 0 || m_clients->state() == CursorState::Insert)
        return;
    m_clients->requireChosen();
    if (tables::isYes(m_clients->text(kUsed)))
        return;
    m_clients->edit();
    m_clients->setValue(kUsed, tables::yes);
    m_clients->setValue(kOpenTime, m_platform.clock.now());
    m_clients->post();
}

void TFormOpenClients::DBGrid1Enter()
{
    m_navigator->setDataSource(m_visitSource);
}

void TFormOpenClients::EditClients_ipEnter()
{
    m_navigator->setDataSource(m_clientSource);
}

void TFormOpenClients::Timer1Timer()
{
    // What the cashier has typed into a box is written into the record, so the refresh saves it.
    for (DBEdit *box : std::as_const(m_boxes))
        box->commitPending();
    clients::readAgainDroppingRefused(*m_clients);
}

} // namespace ktv
