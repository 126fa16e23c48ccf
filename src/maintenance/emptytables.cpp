#include "emptytables.h"

#include "clearingprogress.h"

#include "store/cursor.h"
#include "store/database.h"
#include "store/datamodule.h"
#include "store/journal.h"
#include "store/rowdeletion.h"
#include "store/tables.h"
#include "widgets/dbgrid.h"
#include "widgets/screenparts.h"

#include <QGridLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace ktv {

namespace {

const QString kReservedMember = QStringLiteral("000");

const QStringList kCaptions{QStringLiteral("清空客户数据"),   QStringLiteral("清空房间状态数据"),
                            QStringLiteral("清空客户端信息"), QStringLiteral("清空酒水信息"),
                            QStringLiteral("清空叫酒信息"),   QStringLiteral("清空开房信息")};

} // namespace

TFormEmptyTable::TFormEmptyTable(TDataModule1 &data, const Platform &platform, QWidget *parent)
    : QDialog(parent), m_data(data), m_platform(platform)
{
    setObjectName(QStringLiteral("FormEmptyTable"));
    setWindowTitle(QStringLiteral("数据库维护"));
    Dialogs &dialogs = m_platform.dialogs;

    // The grids show the tables as they are now, with what other cursors and the client PCs posted.
    runGuarded(dialogs, [this] {
        for (Cursor *table : {m_data.TableCustomers, m_data.Tableroom, m_data.TableClients, m_data.TablePear,
                              m_data.TableCallpear, m_data.TableOpenroom})
            table->refresh();
    });

    m_navigator = new DBNavigator(dialogs, m_data.DataSourceCustomers, DBNavigator::allButtons(),
                                  standardHints(DBNavigator::allButtons()), this);
    m_navigator->setObjectName(QStringLiteral("DBNavigator1"));

    auto *grids = new QGridLayout;
    auto addGrid = [&](int number, DataSource *source, const QList<GridColumn> &columns) {
        DBGrid *grid = makeGrid(dialogs, source, columns, QStringLiteral("DBGrid%1").arg(number), this);
        // DBGrid1Enter to DBGrid6Enter: the navigator works the table whose grid has the focus.
        connect(grid, &DBGrid::entered, this, [this, source] { m_navigator->setDataSource(source); });
        grids->addWidget(grid, (number - 1) / 3, (number - 1) % 3);
    };
    auto plain = [](const QStringList &fields) {
        QList<GridColumn> columns;
        for (const QString &f : fields)
            columns << GridColumn{f};
        return columns;
    };
    addGrid(1, m_data.DataSourceCustomers,
            QList<GridColumn>{{QStringLiteral("Customers_id"), QStringLiteral("客户编号")},
                              {QStringLiteral("Customers_name"), QStringLiteral("姓名")}} +
                plain({"Customers_sfzh", "Customers_phone", "Customers_zcsj", "Customers_zjxfsj", "Customers_ljxf",
                       "Customers_zkl", "Customers_dizhi", "Customers_hyjb", "Customers_bz"}));
    addGrid(2, m_data.DataSourceroom,
            QList<GridColumn>{{QStringLiteral("Room_id"), QStringLiteral("房间编号")},
                              {QStringLiteral("Room_sfbiaozhun"), QStringLiteral("收费标准")}} +
                plain({"Room_sheshi", "Room_used", "Room_beizhu"}));
    addGrid(3, m_data.DataSourceClients,
            QList<GridColumn>{{QStringLiteral("Clients_ip"), QStringLiteral("客户端IP")},
                              {QStringLiteral("Clients_room_id"), QStringLiteral("所在房间号")}} +
                plain({"Clients_mac", "Clients_gateway", "Clients_hostname", "Clients_used", "Clients_lastopentime",
                       "Clients_lastclosetime", "Clients_Running"}));
    addGrid(4, m_data.DataSourcePear,
            QList<GridColumn>{{QStringLiteral("Pear_bm"), QStringLiteral("酒水编码")},
                              {QStringLiteral("Pear_name"), QStringLiteral("名称")}} +
                plain({"Pear_price", "Pear_beizhu"}));
    addGrid(5, m_data.DataSourceCallpear,
            QList<GridColumn>{{QStringLiteral("Callpear_id"), QStringLiteral("叫酒流水号")},
                              {QStringLiteral("Openroom_lishu"), QStringLiteral("开房流水号")},
                              {QStringLiteral("Pear_id"), QStringLiteral("酒水编码")}} +
                plain({"Pear_price", "Pear_shuliang", "Pear_calltime", "Callpear_bz"}));
    addGrid(6, m_data.DataSourceOpenroom,
            QList<GridColumn>{{QStringLiteral("Openroom_Lishui"), QStringLiteral("开房流水号")},
                              {QStringLiteral("Openroom_Customers_id"), QStringLiteral("开房客户号")},
                              {QStringLiteral("Openroom_room_id"), QStringLiteral("开房房间号")}} +
                plain({"Openroom_begintime", "Openroom_endtime", "Openroom_usedminute", "Openroom_youhuminute",
                       "Openroom_room_zhelu", "Openroom_customer_zhelu", "Openroom_jbxf", "Openroom_jiushui",
                       "Openroom_yingfu", "Openroom_shifu", "Openroom_zhaoling", "Openroom_beizhu"}));

    m_buttons = new QGridLayout;
    addButton(1, kCaptions[0], &TFormEmptyTable::BitBtn1Click);
    addButton(2, kCaptions[1], &TFormEmptyTable::BitBtn2Click);
    addButton(3, kCaptions[2], &TFormEmptyTable::BitBtn3Click);
    addButton(4, kCaptions[3], &TFormEmptyTable::BitBtn4Click);
    addButton(5, kCaptions[4], &TFormEmptyTable::BitBtn5Click);
    addButton(6, kCaptions[5], &TFormEmptyTable::BitBtn6Click);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(m_buttons);
    layout->addWidget(m_navigator);
    layout->addLayout(grids, 1);
}

void TFormEmptyTable::addButton(int number, const QString &caption, void (TFormEmptyTable::*handler)())
{
    auto *button = new QPushButton(caption, this);
    button->setObjectName(QStringLiteral("BitBtn%1").arg(number));
    // Not the dialog's default button: Enter in a grid must never clear a table.
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this,
            [this, handler] { runGuarded(m_platform.dialogs, [this, handler] { (this->*handler)(); }); });
    m_buttons->addWidget(button, 0, number - 1);
}

// Each clearing is one transaction with its journal row: a record the store refuses to delete or save ends it
// with the store's message and leaves the table as it was. A pending change of the manager's is saved before
// it starts; a refused change is dropped rather than left pending, so that whichever screen next moves the
// shared cursor does not try it again. The cursor is left at the end of what the table holds now.
template <typename Clearing> void TFormEmptyTable::inOneTransaction(Cursor &cursor, int button, Clearing clearing)
{
    cursor.checkBrowseMode();
    {
        Transaction tx(cursor.database(), {&cursor});
        clearing();
        journal::Entry entry{QStringLiteral("清空数据")};
        entry.reason = kCaptions[button - 1];
        entry.authorised = m_confirmedBy;
        journal::record(cursor.database(), entry, m_platform.clock.now());
        tx.commit();
    }
    cursor.last(); // re-reads the view first: the table changed under it
}

void TFormEmptyTable::BitBtn1Click()
{
    // The reserved member stays, stamped with the moment of the clearing; every other member goes.
    Cursor &members = *m_data.TableCustomers;
    inOneTransaction(members, 1, [&] {
        const QString others =
            members.database().dialect().notSame(QStringLiteral("Customers_id"), QStringLiteral("?"));
        deleteWithProgress(members, others, {kReservedMember});
        if (members.locate(QStringLiteral("Customers_id"), kReservedMember)) {
            members.edit();
            members.setValue(QStringLiteral("Customers_zjxfsj"), m_platform.clock.now());
            members.post(); // through the shared cursor's before-post rule
        }
    });
}

void TFormEmptyTable::BitBtn2Click()
{
    // Room by room through the shared cursor, so that its before-post rules run for each room.
    Cursor &rooms = *m_data.Tableroom;
    inOneTransaction(rooms, 2, [&] {
        rooms.refresh(); // every room stored now, whoever added it
        ClearingProgress progress(rooms.table().fileName, rooms.recordCount(), this);
        qint64 done = 0;
        for (rooms.first(); !rooms.eof(); rooms.next()) {
            rooms.edit();
            rooms.setValue(QStringLiteral("Room_used"), tables::no);
            progress.advance(++done);
        }
        rooms.checkBrowseMode();
    });
}

void TFormEmptyTable::BitBtn3Click() { deleteAll(*m_data.TableClients, 3); }

void TFormEmptyTable::BitBtn4Click() { deleteAll(*m_data.TablePear, 4); }

void TFormEmptyTable::BitBtn5Click() { deleteAll(*m_data.TableCallpear, 5); }

void TFormEmptyTable::BitBtn6Click() { deleteAll(*m_data.TableOpenroom, 6); }

// The table itself stays, and so does its counter: serial numbers go on after the highest one issued. The
// journal is none of the six tables: it keeps every row, the clearing's own among them.
void TFormEmptyTable::deleteAll(Cursor &cursor, int button)
{
    inOneTransaction(cursor, button, [&] { deleteWithProgress(cursor, {}, {}); });
}

void TFormEmptyTable::deleteWithProgress(Cursor &cursor, const QString &condition, const QVariantList &binds)
{
    Database &db = cursor.database();
    ClearingProgress progress(cursor.table().fileName, countRows(db, cursor.table(), condition, binds), this);
    deleteRows(db, cursor.table(), condition, binds, [&progress](qint64 done) { progress.advance(done); });
}

} // namespace ktv
