#include "formclientsview.h"

#include "agentlink.h"
#include "screenwiring.h"
#include "store/cursor.h"
#include "store/datamodule.h"
#include "widgets/dbgrid.h"
#include "widgets/dbnavigator.h"
#include "widgets/screenparts.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

namespace ktv {

namespace {

const QString kRunning = QStringLiteral("Clients_Running");
const QString kAddress = QStringLiteral("Clients_ip");
const QString kStopped = QStringLiteral("停止运行");

} // namespace

TFormClientsView::TFormClientsView(TDataModule1 &data, const Platform &platform, QWidget *parent)
    : QDialog(parent), m_data(data), m_platform(platform),
      m_link(new AgentLink(platform.resolver, platform.agentPort, this)),
      m_timer(clients::makeRefreshTimer(this, 1000, m_platform.dialogs, [this] { Timer1Timer(); }))
{
    setObjectName(QStringLiteral("FormClientsView"));
    setWindowTitle(QStringLiteral("客户端浏览"));
    m_link->setObjectName(QStringLiteral("TcpClient1"));

    Dialogs &dialogs = m_platform.dialogs;
    auto *layout = new QVBoxLayout(this);
    auto *bar = new QHBoxLayout;
    const QList<NavButton> buttons{NavButton::First, NavButton::Prior,  NavButton::Next,
                                   NavButton::Last,  NavButton::Delete, NavButton::Refresh};
    m_navigator = new DBNavigator(dialogs, m_data.DataSourceClients, buttons, standardHints(buttons), this);
    m_navigator->setObjectName(QStringLiteral("DBNavigator"));
    bar->addWidget(m_navigator);
    m_connect = clients::makeButton(QStringLiteral("&C连接客户端"), QStringLiteral("BitBtn1"), this, dialogs,
                                    [this] { BitBtn1Click(); });
    m_reboot = clients::makeButton(QStringLiteral("&R提示重启客户机"), QStringLiteral("BitBtnRebootClient"), this,
                                   dialogs, [this] { BitBtnRebootClientClick(); });
    m_shutDown = clients::makeButton(QStringLiteral("&S提示关闭客户机"), QStringLiteral("BitBtnCloseClient"), this,
                                     dialogs, [this] { BitBtnCloseClientClick(); });
    for (QPushButton *button : {m_connect, m_reboot, m_shutDown})
        bar->addWidget(button);
    bar->addStretch(1);
    layout->addLayout(bar);

    m_grid = makeGrid(dialogs, m_data.DataSourceClients,
                      {{QStringLiteral("Clients_mac"), QStringLiteral("客户端mac地址")},
                       {kAddress, QStringLiteral("客户端IP地址")},
                       {QStringLiteral("Clients_gateway"), QStringLiteral("客户端网关")},
                       {QStringLiteral("Clients_hostname"), QStringLiteral("客户端主机名")},
                       {QStringLiteral("Clients_room_id"), QStringLiteral("客户端所在房间号")},
                       {QStringLiteral("Clients_used"), QStringLiteral("客户端是否开通")},
                       {QStringLiteral("Clients_lastopentime"), QStringLiteral("客户端最近开机时间")},
                       {QStringLiteral("Clients_lastclosetime"), QStringLiteral("客户端最近关机时间")},
                       {kRunning, QStringLiteral("主机是否在运行中")}},
                      QStringLiteral("DBGrid1"), this);
    layout->addWidget(m_grid, 1);
}

TFormClientsView::~TFormClientsView() = default; // the link closes with its owner

void TFormClientsView::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        m_timer->start();
}

void TFormClientsView::done(int result)
{
    // The window stays while its link waits on a connect: the wait runs inside the link.
    if (m_link->isConnecting())
        return;
    m_timer->stop();
    m_link->close();
    QDialog::done(result);
}

bool TFormClientsView::connectStep()
{
    Cursor &clients = *m_data.TableClients;
    Dialogs &dialogs = m_platform.dialogs;
    if (clients.isEmpty()) {
        dialogs.showMessage(QStringLiteral("没有客户端信息，请首先启动客户端电脑！"));
        return false;
    }
    if (clients.text(kRunning) == kStopped) {
        dialogs.showMessage(QStringLiteral("客户端停止运行，请首先启动客户端电脑！"));
        return false;
    }
    // Only the PC the cashier chose gets a command, never the one after a PC deleted elsewhere.
    clients.requireChosen();
    m_link->discard();
    const QString host = clients.text(kAddress).trimmed();
    if (host.isEmpty())
        return false;
    const bool connected = m_link->connectTo(host);
    dialogs.showMessage(connected ? QStringLiteral("连接成功") : QStringLiteral("连接失败！"));
    return true;
}

void TFormClientsView::BitBtn1Click()
{
    connectStep();
}

void TFormClientsView::sendCommand(AgentCommand command)
{
    const bool tried = connectStep();
    if (!m_link->attempted()) {
        m_platform.dialogs.showMessage(QStringLiteral("请首先连接客户端！"));
        return;
    }
    // Only a connection made by this very click carries the command; the agent may have hung up while the
    // cashier read "连接成功", and then nothing is written.
    if (tried)
        m_link->write(agentCommandBytes(command));
    m_link->close();
}

void TFormClientsView::BitBtnRebootClientClick()
{
    sendCommand(AgentCommand::Restart);
}

void TFormClientsView::BitBtnCloseClientClick()
{
    sendCommand(AgentCommand::ShutDown);
}

void TFormClientsView::Timer1Timer()
{
    m_grid->commitPending();
    clients::readAgainDroppingRefused(*m_data.TableClients);
}

} // namespace ktv
