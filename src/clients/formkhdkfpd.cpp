#include "formkhdkfpd.h"

#include "screenwiring.h"
#include "store/cursor.h"
#include "store/datamodule.h"
#include "store/datasource.h"
#include "store/tables.h"
#include "widgets/dbedit.h"
#include "widgets/dbgrid.h"
#include "widgets/dbnavigator.h"
#include "widgets/screenparts.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace ktv {

namespace {

const QString kRoomId = QStringLiteral("Room_id");
const QString kClientRoom = QStringLiteral("Clients_room_id");

} // namespace

Tformkhdkfpd::Tformkhdkfpd(TDataModule1 &data, const Platform &platform, QWidget *parent)
    : QDialog(parent), m_platform(platform), m_clients(new Cursor(data.database(), tables::clients(), this)),
      m_rooms(new Cursor(data.database(), tables::room(), this)), m_clientSource(new DataSource(m_clients, this)),
      m_roomSource(new DataSource(m_rooms, this))
{
    setObjectName(QStringLiteral("formkhdkfpd"));
    setWindowTitle(QStringLiteral("客户端与客房配对"));
    m_clients->setObjectName(QStringLiteral("Table1"));
    m_clients->setIndexName(QStringLiteral("client_room_id"));
    m_rooms->setObjectName(QStringLiteral("Table2"));
    m_rooms->setIndexName(kRoomId);
    m_clientSource->setObjectName(QStringLiteral("DataSource1"));
    m_roomSource->setObjectName(QStringLiteral("DataSource2"));

    Dialogs &dialogs = m_platform.dialogs;
    auto *layout = new QVBoxLayout(this);
    auto *bar = new QHBoxLayout;
    m_navigator = new DBNavigator(dialogs, m_clientSource, DBNavigator::allButtons(),
                                  standardHints(DBNavigator::allButtons()), this);
    m_navigator->setObjectName(QStringLiteral("DBNavigator"));
    m_pair = clients::makeButton(QStringLiteral("&T配对"), QStringLiteral("BitBtn1"), this, dialogs,
                                 [this] { BitBtn1Click(); });
    bar->addWidget(m_navigator);
    bar->addWidget(m_pair);
    bar->addStretch(1);
    layout->addLayout(bar);

    addBox(QStringLiteral("IP地址"), QStringLiteral("Clients_ip"), QStringLiteral("EditClients_ip"));
    addBox(QStringLiteral("主机名"), QStringLiteral("Clients_hostname"), QStringLiteral("EditClients_hostname"));
    addBox(QStringLiteral("所在房间号"), kClientRoom, QStringLiteral("EditClients_room_id"));
    addBox(QStringLiteral("最近开机时间"), QStringLiteral("Clients_lastopentime"),
           QStringLiteral("EditClients_lastopentime"));

    m_roomGrid = makeGrid(dialogs, m_roomSource,
                          {{kRoomId, QStringLiteral("房间编号")},
                           {QStringLiteral("Room_sheshi"), QStringLiteral("房间设施")},
                           {QStringLiteral("Room_sfbiaozhun"), QStringLiteral("房间收费标准")},
                           {QStringLiteral("Room_beizhu"), QStringLiteral("房间备注")}},
                          QStringLiteral("DBGridroom"), this);
    layout->addWidget(m_roomGrid, 1);

    runGuarded(dialogs, [this] { FormCreate(); });
}

DBEdit *Tformkhdkfpd::addBox(const QString &label, const QString &field, const QString &objectName)
{
    auto *box = new DBEdit(m_platform.dialogs, label, m_clientSource, field, this);
    box->setObjectName(objectName);
    layout()->addWidget(box);
    return box;
}

void Tformkhdkfpd::FormCreate()
{
    for (Cursor *cursor : {m_clients, m_rooms}) {
        if (!cursor->isOpen())
            cursor->open();
    }
}

void Tformkhdkfpd::BitBtn1Click()
{
    if (m_clients->isEmpty()) {
        m_platform.dialogs.showMessage(QStringLiteral("没有客户端信息"));
        return;
    }
    // With no room to pair with, the client PC keeps the room it has.
    if (m_rooms->isEmpty())
        return;
    // The PC and the room the cashier chose, neither a neighbour of one deleted elsewhere.
    m_rooms->requireChosen();
    m_clients->edit();
    m_clients->setValue(kClientRoom, m_rooms->text(kRoomId));
}

} // namespace ktv
