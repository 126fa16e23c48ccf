#include "formmain.h"

#include "membertidying.h"

#include "board/roomboard.h"
#include "clients/formclientsview.h"
#include "clients/formkhdkfpd.h"
#include "clients/formopenclients.h"
#include "about/aboutdialog.h"
#include "about/makerlink.h"
#include "backup/formbackup.h"
#include "catalogue/formfjdj.h"
#include "catalogue/formfjfy.h"
#include "catalogue/formpear.h"
#include "catalogue/formroomview.h"
#include "members/formhyzl.h"
#include "members/formcustomerslocate.h"
#include "members/formopenroomhistory.h"
#include "members/formyhzc.h"
#include "maintenance/databaseinit.h"
#include "reports/formreports.h"
#include "reservations/formreservations.h"
#include "roomactions.h"
#include "runningcharges.h"

#include "store/integritycheck.h"

#include "visits/formcallpear.h"
#include "visits/formcloseroomandpay.h"
#include "visits/formprintpaper.h"
#include "visits/formopenroom.h"
#include "store/datamodule.h"
#include "widgets/maker.h"
#include "widgets/platform.h"
#include "staff/formauthorise.h"
#include "staff/formhandover.h"
#include "staff/formjournal.h"
#include "staff/formlogin.h"
#include "staff/formstaff.h"
#include "staff/priceedits.h"
#include "store/database.h"
#include "widgets/statuspanels.h"

#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

namespace ktv {

TFormMain::TFormMain(TDataModule1 &data, const Platform &platform, QWidget *parent)
    : QMainWindow(parent), m_data(data), m_platform(platform)
{
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QStringLiteral("欢歌RIVivizevV2006.8 网址：") + makerWebAddress());

    m_status = new StatusPanels({100, 100, 100, 150}, this);
    m_status->setObjectName(QStringLiteral("StatusBar1"));
    setStatusBar(m_status);

    auto *toolbar = addToolBar(QStringLiteral("ToolBar1"));
    toolbar->setObjectName(QStringLiteral("ToolBar1"));
    toolbar->setMovable(false);
    m_refresh = new QToolButton(toolbar);
    m_refresh->setObjectName(QStringLiteral("SpeedButtonRefreshRoomStata"));
    m_refresh->setText(QStringLiteral("刷新客房状态"));
    toolbar->addWidget(m_refresh);

    m_board = new RoomBoard(m_data, *m_status, m_platform, this);
    setCentralWidget(m_board);
    connect(m_refresh, &QToolButton::clicked, this,
            [this] { runGuarded(m_platform.dialogs, [this] { m_board->SpeedButtonRefreshRoomStataClick(); }); });

    m_roomActions = new RoomActions(*m_board, m_platform, this);
    m_running = new RunningCharges(*m_board, m_data.database(), m_platform.clock, this);
    // Prices and rates are a manager's, whichever screen saves them.
    staff::guardPriceEdits(m_data, [this] { return authorisePriceChange(); });
    buildMenu();
}

std::optional<QString> TFormMain::authorisePriceChange()
{
    return askAuthorisation(m_data.database(), m_platform, QStringLiteral("经理"), QStringLiteral("修改价格"), this);
}

QAction *TFormMain::addEntry(QMenu *menu, const char *name, const QString &caption)
{
    QAction *entry = menu->addAction(caption);
    entry->setObjectName(QLatin1String(name));
    entry->setEnabled(false); // enabled when its screen is wired up
    return entry;
}

void TFormMain::buildMenu()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    auto addMenu = [bar](const char *name, const QString &caption) {
        QMenu *menu = bar->addMenu(caption);
        menu->setObjectName(QLatin1String(name));
        menu->menuAction()->setObjectName(QLatin1String(name));
        return menu;
    };

    QMenu *kehu = addMenu("kehu", QStringLiteral("&C会员管理"));
    addEntry(kehu, "kehuzhuce", QStringLiteral("&D会员注册"));
    addEntry(kehu, "kehuchaxun", QStringLiteral("&F会员查询"));
    addEntry(kehu, "xfls", QStringLiteral("&H消费历史"));
    addEntry(kehu, "M1", QStringLiteral("&M会员资料"));
    kehu->addSeparator()->setObjectName(QStringLiteral("N1"));
    QAction *bye = addEntry(kehu, "bye", QStringLiteral("&Q退出系统"));
    bye->setEnabled(true);
    connect(bye, &QAction::triggered, this, &TFormMain::byeClick);

    wire("kehuzhuce", [this] { showModal<TFormyhzc>(); });
    wire("kehuchaxun", [this] { showModal<TFormCustomersLocate>(true); });
    wire("xfls", [this] { showModal<TFormOpenroomHistory>(true); });
    wire("M1", [this] { showModal<TFormhyzl>(true); });

    QMenu *fangjian = addMenu("fangjian", QStringLiteral("&R房间管理"));
    addEntry(fangjian, "fangjiandj", QStringLiteral("&D房间登记"));
    addEntry(fangjian, "Fjfy", QStringLiteral("&L房间费用"));
    addEntry(fangjian, "kfcx", QStringLiteral("&F房间浏览"));
    addEntry(fangjian, "kanfang", QStringLiteral("&O开房登记"));
    addEntry(fangjian, "jiezhang", QStringLiteral("&M退房结帐"));
    addEntry(fangjian, "Printpaper", QStringLiteral("&P打印小票"));
    wire("fangjiandj", [this] { showModal<TFormfjdj>(); });
    wire("Fjfy", [this] { showModal<TFormfjfy>(true); });
    wire("kfcx", [this] { showModal<TFormRoomView>(); });
    wire("Printpaper", [this] { showReceipts(this); });
    addEntry(fangjian, "Yuding", QStringLiteral("&Y客房预订"));
    wire("Yuding", [this] { showReservations(); });

    QMenu *pcduan = addMenu("pcduan", QStringLiteral("&KTV客户端管理"));
    addEntry(pcduan, "khdll", QStringLiteral("&V客户端浏览/控制"));
    addEntry(pcduan, "khdfjpd", QStringLiteral("&T客户端客房配对"));
    addEntry(pcduan, "ktkhd", QStringLiteral("&O开通客户端登记"));
    wire("khdll", [this] { showModal<TFormClientsView>(true); });
    wire("khdfjpd", [this] { showModal<Tformkhdkfpd>(); });
    wire("ktkhd", [this] { showModal<TFormOpenClients>(); });

    QMenu *jiushui = addMenu("jiushui", QStringLiteral("&P酒水管理"));
    addEntry(jiushui, "jsxx", QStringLiteral("&I酒水信息管理"));
    addEntry(jiushui, "jsps", QStringLiteral("&G酒水配送"));
    wire("jsxx", [this] { showModal<TFormPear>(); });

    QMenu *system = addMenu("SystemSet", QStringLiteral("&S系统设置"));
    addEntry(system, "ZapData", QStringLiteral("&Z数据库初始化"));
    wire("ZapData", [this] {
        zapData(m_data, m_platform, this);
        m_data.dropPending();
    });
    addEntry(system, "Reports", QStringLiteral("&T营业报表"));
    wire("Reports", [this] { showModal<TFormReports>(true); });
    addEntry(system, "Backup", QStringLiteral("&B备份与恢复"));
    wire("Backup", [this] { showBackups(); });
    addEntry(system, "Handover", QStringLiteral("&H交班"));
    wire("Handover", [this] { handOver(); });
    addEntry(system, "JournalView", QStringLiteral("&J操作日志"));
    wire("JournalView", [this] {
        // Managers and administrators read the journal.
        if (!askAuthorisation(m_data.database(), m_platform, QStringLiteral("经理"), QStringLiteral("操作日志"), this))
            return;
        TFormJournal journal(m_data.database(), m_platform, this);
        journal.exec();
    });
    addEntry(system, "StaffSet", QStringLiteral("&E员工与权限"));
    wire("StaffSet", [this] {
        const std::optional<QString> by = TFormStaff::askToOpen(m_data.database(), m_platform, this);
        if (!by)
            return;
        TFormStaff screen(m_data.database(), m_platform, *by, this);
        screen.exec();
    });

    QMenu *help = addMenu("help", QStringLiteral("&H帮助"));
    addEntry(help, "guanyu", QStringLiteral("&A关于..."));
    addEntry(help, "web", QStringLiteral("&W网上资源"));
    wire("guanyu", [this] {
        TAboutBox box(m_platform, this);
        box.exec();
    });
    wire("web", [this] { openMakerPage(m_platform); });
}

QAction *TFormMain::menuEntry(const QString &name) const
{
    const QList<QAction *> found = menuBar()->findChildren<QAction *>(name);
    for (QAction *a : found) {
        if (!a->menu())
            return a;
    }
    return found.isEmpty() ? nullptr : found.first();
}

void TFormMain::FormCreate()
{
    tidyMembers(*m_data.TableCustomers, m_data.clock().now());
    m_refresh->click();
}

void TFormMain::byeClick() { close(); }

void TFormMain::wire(const char *entry, std::function<void()> handler)
{
    QAction *action = menuEntry(QLatin1String(entry));
    action->setEnabled(true);
    connect(action, &QAction::triggered, this,
            [this, handler = std::move(handler)] { runGuarded(m_platform.dialogs, handler); });
}

// Created for each use, owned by the main window, shown modally and destroyed when it closes.
template <class Screen> void TFormMain::showModal(bool maximised)
{
    {
        Screen screen(m_data, m_platform, this);
        if (maximised)
            screen.setWindowState(screen.windowState() | Qt::WindowMaximized);
        screen.exec();
    }
    m_data.dropPending();
}

void TFormMain::attachScreen(const char *entry, ScreenWindow *screen)
{
    wire(entry, [screen] { screen->bringUp(); });
}

void TFormMain::attachScreens(TFormcallpear *drinks, TFormCloseroomandPay *checkOut, TFormOpenroom *checkIn)
{
    m_drinks = drinks;
    m_checkOut = checkOut;
    m_checkIn = checkIn;
    attachScreen("jsps", drinks);
    attachScreen("jiezhang", checkOut);
    attachScreen("kanfang", checkIn);
    // Closing check-out or check-in repaints the board; the drinks screen changes no room.
    connect(checkOut, &ScreenWindow::closed, m_refresh, &QToolButton::click);
    connect(checkIn, &ScreenWindow::closed, m_refresh, &QToolButton::click);
    checkOut->setReceiptOpener([this](QWidget *owner) { showReceipts(owner); });
    // Check-out's own member grid edits the rate too.
    staff::guardPriceEdits(*checkOut->Table4(), [checkOut](Cursor &c) { checkOut->Table4BeforePost(c); },
                           m_data.clock(), [this] { return authorisePriceChange(); });
    m_roomActions->setScreens(drinks, checkOut, checkIn);
}

// The backup window also shows the outcome of the full check of the database file run after start-up,
// and follows it when it ends while the window is open.
void TFormMain::showBackups()
{
    {
        TFormBackup screen(m_data, m_platform, this);
        if (const BackgroundCheck *check = m_check) {
            auto show = [&screen, check] {
                switch (check->state()) {
                case BackgroundCheck::State::Waiting:
                case BackgroundCheck::State::Running:
                    screen.showCheckResult(QStringLiteral("正在进行……"));
                    break;
                case BackgroundCheck::State::Ok:
                    screen.showCheckResult(QStringLiteral("正常"));
                    break;
                default:
                    screen.showCheckResult(check->message());
                }
            };
            show();
            connect(check, &BackgroundCheck::finished, &screen, show);
        }
        screen.exec();
    }
    m_data.dropPending();
}

// Kept for the run as check-in and check-out are, so that it can stay open beside the board.
void TFormMain::showReservations()
{
    if (!m_reservations) {
        m_reservations = new TFormReservations(m_data, m_platform, this);
        m_reservations->setArrival(
            [this](qint64 reservation, const QString &room) { m_roomActions->arrive(reservation, room); });
        connect(m_reservations, &ScreenWindow::closed, m_refresh, &QToolButton::click);
    } else {
        m_reservations->DateEditDayChange();
    }
    m_reservations->bringUp();
}

void TFormMain::showReceipts(QWidget *owner)
{
    TFormPrintpaper screen(m_data, m_platform, owner);
    screen.exec();
}

// Ends the shift of the one logged in and asks for a log-in again; cancelled, the program ends.
void TFormMain::handOver()
{
    Database &db = m_data.database();
    const std::optional<staff::Shift> shift = db.staff().isEmpty() ? std::nullopt : staff::openShift(db, db.staff());
    if (!shift) {
        m_platform.dialogs.showMessage(QStringLiteral("没有员工登录，不用交班"));
        return;
    }
    TFormHandover handover(db, m_platform, *shift, this);
    if (handover.exec() != QDialog::Accepted)
        return;
    StatusBar1()->setPanelText(3, QString());
    TFormLogin login(db, m_platform, this);
    if (login.exec() != QDialog::Accepted) {
        close();
        return;
    }
    StatusBar1()->setPanelText(3, staff::loggedInText(login.member()));
}

} // namespace ktv
