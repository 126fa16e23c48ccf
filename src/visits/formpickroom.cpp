#include "formpickroom.h"

#include "store/cursor.h"
#include "store/datasource.h"
#include "store/tables.h"
#include "widgets/dbgrid.h"
#include "widgets/screenparts.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace ktv {

namespace {
const QString kRoomId = QStringLiteral("Room_id");
} // namespace

TFormPickRoom::TFormPickRoom(Database &db, const Platform &platform, QWidget *parent)
    : QDialog(parent), m_platform(platform), m_rooms(new Cursor(db, tables::room(), this)),
      m_source(new DataSource(m_rooms, this))
{
    setObjectName(QStringLiteral("FormPickRoom"));
    setWindowTitle(QStringLiteral("选择新房间"));
    setModal(true);
    m_rooms->setObjectName(QStringLiteral("Table1"));
    m_rooms->setOrderFields({kRoomId});
    m_rooms->setFilter(QStringLiteral("Room_used<>'是'"));
    m_rooms->setFiltered(true);

    auto *layout = new QVBoxLayout(this);
    m_grid = makeGrid(m_platform.dialogs, m_source,
                      {{kRoomId, QStringLiteral("房间编号"), true},
                       {QStringLiteral("Room_sheshi"), QStringLiteral("房间设施"), true},
                       {QStringLiteral("Room_guige"), QStringLiteral("大中小"), true},
                       {QStringLiteral("Room_sfbiaozhun"), QStringLiteral("收费标准"), true},
                       {QStringLiteral("Room_beizhu"), QStringLiteral("备注"), true}},
                      QStringLiteral("DBGridRooms"), this);
    layout->addWidget(m_grid, 1);
    m_ok = new QPushButton(QStringLiteral("确定"), this);
    m_ok->setObjectName(QStringLiteral("BitBtnOK"));
    m_cancel = new QPushButton(QStringLiteral("取消"), this);
    m_cancel->setObjectName(QStringLiteral("BitBtnCancel"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);
    resize(m_grid->wholeWidth() + layout->contentsMargins().left() + layout->contentsMargins().right(), 360);
    connect(m_ok, &QPushButton::clicked, this, [this] { runGuarded(m_platform.dialogs, [this] { BitBtnOKClick(); }); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    runGuarded(m_platform.dialogs, [this] { m_rooms->open(); });
}

void TFormPickRoom::BitBtnOKClick()
{
    if (m_rooms->isEmpty()) {
        m_platform.dialogs.showMessage(QStringLiteral("现在没有空闲的房间，不能换房！"));
        return;
    }
    m_rooms->requireChosen();
    m_chosen = m_rooms->text(kRoomId);
    accept();
}

} // namespace ktv
