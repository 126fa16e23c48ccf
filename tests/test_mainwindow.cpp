#include "appfixture.h"

#include "app/apptitle.h"
#include "app/membertidying.h"
#include "board/roomstate.h"

#include <QAction>
#include <QMenuBar>
#include <QDialog>
#include <QTimer>
#include <QSqlRecord>
#include <QToolButton>
#include <QtTest>

using namespace ktv;

namespace {

// The member tidying as one walk over the shared member cursor, a record at a time: the start's tidying
// must leave the table and the cursor exactly as this does.
void tidyByWalking(Cursor &members, const QDateTime &now)
{
    members.first();
    while (!members.eof()) {
        if (members.isNull(QStringLiteral("Customers_name"))) {
            members.remove();
            continue;
        }
        if (members.isNull(QStringLiteral("Customers_zjxfsj"))) {
            members.edit();
            members.setValue(QStringLiteral("Customers_zjxfsj"), now);
            members.post();
        }
        members.next();
    }
}

// Nameless ones (null and empty), some with times; unstamped ones with and without a registration date;
// members that need nothing, first and last among them.
void addMixedMembers(ktv::Database &db)
{
    db.run(QStringLiteral(
        "INSERT INTO Customers (Customers_id, Customers_name, Customers_zcsj, Customers_zjxfsj, Customers_ljxf) "
        "VALUES ('007', '丁', '2020-02-02', '2025-01-01 10:00:00.000', 5), ('001', '甲', NULL, NULL, 1), "
        "('002', NULL, '2020-01-01', NULL, 2), ('003', '', NULL, '2025-01-01 10:00:00.000', 3), "
        "('004', '乙', NULL, '2024-06-01 09:30:00.000', 4), ('005', '丙', '2019-05-05', NULL, 6), "
        "('006', NULL, NULL, NULL, 7), ('008', '戊', '2021-03-03', '2025-02-02 22:00:00.000', 8), "
        "('009', NULL, NULL, '2025-01-01 10:00:00.000', 9)"));
}

QStringList rowsOf(ktv::Database &db)
{
    QStringList rows;
    QSqlQuery q = db.run(QStringLiteral("SELECT rowid, * FROM Customers ORDER BY rowid"));
    while (q.next()) {
        QStringList values;
        for (int i = 0; i < q.record().count(); ++i)
            values << (q.isNull(i) ? QStringLiteral("<null>") : q.value(i).toString());
        rows << values.join(QLatin1Char('|'));
    }
    return rows;
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void startShowsTheMainWindow();
    void captionsCarryNoApplicationTitle();
    void tidyingDeletesNamelessAndStampsLastVisit();
    void emptyMemberTableStartsNormally();
    void tidyingMatchesTheWalk();
    void missingDataFolderShowsNoWindow();
    void refreshPaintsFromRoomTable();
    void roomPicturesLeaveOutTheirBackground();
    void focusAndPressShowARoomAlike();
    void hoverOver101TurnsRedNeverGreen();
    void missingGreenPictureStopsRefresh();
    void exitEntryClosesTheWindow();
    void everyModalEntryOpensAFreshScreen();
};

void MainWindowTest::startShowsTheMainWindow()
{
    AppFixture f;
    TFormMain &main = f.start();
    QVERIFY(main.isVisible());
    QVERIFY(main.windowState() & Qt::WindowMaximized);
    QCOMPARE(main.windowTitle(), QStringLiteral("欢歌RIVivizevV2006.8 网址：https://www.rivivizev.example/"));
    QCOMPARE(main.menuBar()->objectName(), QStringLiteral("MainMenu1"));
    QCOMPARE(main.SpeedButtonRefreshRoomStata()->text(), QStringLiteral("刷新客房状态"));

    QStringList menus;
    for (QAction *a : main.menuBar()->actions())
        menus << a->objectName() + QLatin1Char(':') + a->text();
    QCOMPARE(menus, QStringList({"kehu:&C会员管理", "fangjian:&R房间管理", "pcduan:&KTV客户端管理",
                                 "jiushui:&P酒水管理", "SystemSet:&S系统设置", "help:&H帮助"}));
    QStringList entries;
    for (QAction *a : main.menuBar()->actions()[0]->menu()->actions())
        entries << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
    QCOMPARE(entries, QStringList({"kehuzhuce", "kehuchaxun", "xfls", "M1", "-", "bye"}));
    QCOMPARE(main.menuEntry(QStringLiteral("khdll"))->text(), QStringLiteral("&V客户端浏览/控制"));

    StatusPanels *status = main.StatusBar1();
    QCOMPARE(status->panelCount(), 4);
    QCOMPARE(status->panel(3)->width(), 150);
    QCOMPARE(status->panel(0)->width(), 100);

    const QStringList groups{QStringLiteral("大包"), QStringLiteral("大包"), QStringLiteral("中包"),
                             QStringLiteral("小包"), QStringLiteral("小包"), QStringLiteral("小包"),
                             QStringLiteral("小包"), QStringLiteral("小包")};
    const QStringList rooms{"101", "205", "102", "103", "201", "202", "203", "204"};
    for (int i = 0; i < rooms.size(); ++i) {
        auto *b = main.findChild<RoomButton *>(QStringLiteral("BitBtn") + rooms[i]);
        QVERIFY(b);
        QCOMPARE(b->group(), groups[i]);
        QCOMPARE(b->font().pixelSize(), 21);
        QVERIFY(roomstate::isFree(b->captionColor())); // no room record: green from the start
        QVERIFY(b->pictureFile().isEmpty());
    }
    QVERIFY(f.services.dialogs.all().isEmpty());
}

// Qt appends its display name to the caption of every window (the main window's is checked whole at start);
// the program's own title must not be one.
void MainWindowTest::captionsCarryNoApplicationTitle()
{
    setApplicationTitle();
    const QString title = QCoreApplication::applicationName();
    QCOMPARE(QGuiApplication::applicationDisplayName(), QStringLiteral("ZUZ ozir")); // the message boxes' title
    // A display name set apart from the application's name would not follow it.
    QCoreApplication::setApplicationName(QStringLiteral("probe"));
    const QString followed = QGuiApplication::applicationDisplayName();
    QCoreApplication::setApplicationName(title);
    QCOMPARE(followed, QStringLiteral("probe"));
}

void MainWindowTest::tidyingDeletesNamelessAndStampsLastVisit()
{
    AppFixture f;
    f.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    f.addMember(QStringLiteral("002"), QString());
    f.addMember(QStringLiteral("003"), QString());
    const QDateTime earlier(QDate(2025, 3, 4), QTime(21, 0));
    f.addRecord(tables::customers(), {{QStringLiteral("Customers_id"), QStringLiteral("004")},
                                      {QStringLiteral("Customers_name"), QStringLiteral("乙")},
                                      {QStringLiteral("Customers_zjxfsj"), earlier}});
    f.addMember(QStringLiteral("005"), QString());

    f.start();
    Cursor &members = *f.data().TableCustomers;
    QCOMPARE(members.recordCount(), 2);
    QCOMPARE(members.text(QStringLiteral("Customers_id")), QStringLiteral("004")); // left on the last member

    const QDateTime now = f.services.clock.now();
    members.first();
    QCOMPARE(members.dateTime(QStringLiteral("Customers_zjxfsj")), now);
    QCOMPARE(members.value(QStringLiteral("Customers_zcsj")).toDate(), now.date());
    members.next();
    QCOMPARE(members.dateTime(QStringLiteral("Customers_zjxfsj")), earlier);
    QVERIFY(members.isNull(QStringLiteral("Customers_zcsj"))); // untouched, even without a date
}

void MainWindowTest::emptyMemberTableStartsNormally()
{
    AppFixture f;
    f.addRoom(QStringLiteral("101"), tables::yes);
    f.start();
    QVERIFY(f.data().TableCustomers->isEmpty());
    QCOMPARE(f.button(QStringLiteral("101"))->captionColor(), roomstate::inUseColor);
    QVERIFY(f.services.dialogs.all().isEmpty());
}

void MainWindowTest::tidyingMatchesTheWalk()
{
    ScriptedClock clock;
    StoreFixture walked, tidied;
    addMixedMembers(*walked.db);
    addMixedMembers(*tidied.db);
    TDataModule1 walkedData(*walked.db, clock);
    TDataModule1 tidiedData(*tidied.db, clock);

    tidyByWalking(*walkedData.TableCustomers, clock.now());
    tidyMembers(*tidiedData.TableCustomers, clock.now());

    QCOMPARE(rowsOf(*tidied.db), rowsOf(*walked.db));
    QCOMPARE(rowsOf(*tidied.db).size(), 5);
    Cursor &a = *walkedData.TableCustomers;
    Cursor &b = *tidiedData.TableCustomers;
    QCOMPARE(b.text(QStringLiteral("Customers_id")), a.text(QStringLiteral("Customers_id")));
    QCOMPARE(b.recordCount(), a.recordCount());
    QCOMPARE(b.eof(), a.eof());
    QCOMPARE(b.bof(), a.bof());
}

void MainWindowTest::missingDataFolderShowsNoWindow()
{
    TestPlatform services;
    QTemporaryDir dir;
    QString error;
    auto program = startProgram(dir.filePath(QStringLiteral("missing")), services.platform(), &error);
    QVERIFY(!program);
    QCOMPARE(services.dialogs.errors().size(), 1);
    QVERIFY(services.dialogs.errors().first().contains(QStringLiteral("missing")));
    QCOMPARE(error, services.dialogs.errors().first());
    QVERIFY(QApplication::topLevelWidgets().isEmpty() ||
            std::none_of(QApplication::topLevelWidgets().begin(), QApplication::topLevelWidgets().end(),
                         [](QWidget *w) { return w->isVisible(); }));
}

void MainWindowTest::refreshPaintsFromRoomTable()
{
    AppFixture f;
    for (const char *room : {"101", "102", "103", "201", "202", "204", "205"})
        f.addRoom(QLatin1String(room));
    f.addRoom(QStringLiteral("203"), tables::yes);
    f.addRoom(QStringLiteral("206"), tables::yes); // no button: never shown
    f.start();

    for (RoomButton *b : f.board().buttons()) {
        const bool inUse = b->room() == QLatin1String("203");
        QCOMPARE(b->captionColor(), inUse ? roomstate::inUseColor : roomstate::freeColor);
        QCOMPARE(b->pictureFile(), inUse ? QStringLiteral("LED_red_ON.BMP") : QStringLiteral("LED_green_ON.BMP"));
    }
    // 205 is painted last, so the panel and the entries show a free room.
    QCOMPARE(f.panel(2), QStringLiteral("空闲"));
    QVERIFY(f.board().K1()->isEnabled());
    QVERIFY(!f.board().J1()->isEnabled() && !f.board().S1()->isEnabled());
    QVERIFY(f.panel(0).isEmpty() && f.panel(1).isEmpty());

    // The board keeps its colours until the next refresh.
    Cursor rooms(*f.db, tables::room());
    rooms.open();
    QVERIFY(rooms.locate(QStringLiteral("Room_id"), QStringLiteral("203")));
    rooms.edit();
    rooms.setValue(QStringLiteral("Room_used"), QString());
    rooms.post();
    QCOMPARE(f.button(QStringLiteral("203"))->captionColor(), roomstate::inUseColor);
    f.data().Tableroom->refresh();
    f.program->main->SpeedButtonRefreshRoomStata()->click();
    QCOMPARE(f.button(QStringLiteral("203"))->captionColor(), roomstate::freeColor); // empty flag is free
}

// A room picture is drawn with the colour of its bottom-left pixel transparent, wherever that colour stands;
// other colours stay as the bitmap has them.
void MainWindowTest::roomPicturesLeaveOutTheirBackground()
{
    AppFixture f;
    const QColor background(0, 0, 255), silver(192, 192, 192), led(0, 160, 0);
    QImage green(24, 24, QImage::Format_RGB888);
    green.fill(silver);
    green.setPixelColor(0, 23, background);
    green.setPixelColor(23, 0, background);
    green.setPixelColor(12, 12, led);
    QVERIFY(green.save(f.work.filePath(QStringLiteral("LED_green_ON.BMP")), "BMP"));
    f.addRoom(QStringLiteral("101"));
    f.addRoom(QStringLiteral("203"), tables::yes);
    f.start();

    const QImage drawnGreen = f.button(QStringLiteral("101"))->icon().pixmap(QSize(24, 24)).toImage();
    QCOMPARE(qAlpha(drawnGreen.pixel(0, 23)), 0);
    QCOMPARE(qAlpha(drawnGreen.pixel(23, 0)), 0);
    QCOMPARE(drawnGreen.pixelColor(0, 0), silver);
    QCOMPARE(drawnGreen.pixelColor(12, 12), led);

    // The shipped red picture: its silver background goes, the lamp stays.
    const QImage file(QStringLiteral("LED_red_ON.BMP"));
    const QImage drawnRed = f.button(QStringLiteral("203"))->icon().pixmap(QSize(24, 24)).toImage();
    QCOMPARE(file.pixelColor(0, 23), silver);
    for (const QPoint corner : {QPoint(0, 0), QPoint(23, 0), QPoint(0, 23), QPoint(23, 23)})
        QCOMPARE(qAlpha(drawnRed.pixel(corner)), 0);
    QCOMPARE(drawnRed.pixelColor(12, 12), file.pixelColor(12, 12));
}

void MainWindowTest::focusAndPressShowARoomAlike()
{
    AppFixture f;
    f.addRoom(QStringLiteral("102"), tables::yes);
    TFormMain &main = f.start();
    main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main));

    RoomButton *room102 = f.button(QStringLiteral("102"));
    room102->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(f.panel(0), QStringLiteral("102"));
    const QStringList byFocus{f.panel(0), f.panel(1), f.panel(2)};
    QCOMPARE(byFocus, QStringList({"102", "中包", "使用中"}));
    QVERIFY(!f.board().K1()->isEnabled() && f.board().J1()->isEnabled() && f.board().S1()->isEnabled());

    QTest::mousePress(f.button(QStringLiteral("204")), Qt::RightButton);
    QCOMPARE(QStringList({f.panel(0), f.panel(1), f.panel(2)}), QStringList({"204", "小包", "空闲"}));
    QVERIFY(f.board().K1()->isEnabled() && !f.board().J1()->isEnabled());
    QTest::mouseRelease(f.button(QStringLiteral("204")), Qt::RightButton);

    QTest::mousePress(room102, Qt::LeftButton);
    QCOMPARE(QStringList({f.panel(0), f.panel(1), f.panel(2)}), byFocus);
    QTest::mouseRelease(room102, Qt::LeftButton);
}

void MainWindowTest::hoverOver101TurnsRedNeverGreen()
{
    AppFixture f;
    f.addRoom(QStringLiteral("101"));
    f.addRoom(QStringLiteral("205"));
    f.start();
    RoomButton *room101 = f.button(QStringLiteral("101"));
    RoomButton *room205 = f.button(QStringLiteral("205"));

    // In use in the table while the button is still green: the hover turns it red.
    Cursor rooms(*f.db, tables::room());
    rooms.open();
    rooms.edit();
    rooms.setValue(QStringLiteral("Room_used"), tables::yes);
    rooms.post();
    f.data().Tableroom->refresh();
    QTest::mouseMove(room101);
    QTRY_COMPARE(room101->captionColor(), roomstate::inUseColor);
    QCOMPARE(f.panel(0), QStringLiteral("101"));
    QCOMPARE(f.panel(2), QStringLiteral("使用中"));
    QCOMPARE(room101->pictureFile(), QStringLiteral("LED_green_ON.BMP")); // the picture stays

    // Free again in the table: the hover leaves it red.
    rooms.edit();
    rooms.setValue(QStringLiteral("Room_used"), tables::no);
    rooms.post();
    f.data().Tableroom->refresh();
    f.board().BitBtn101MouseMove();
    QCOMPARE(room101->captionColor(), roomstate::inUseColor);

    // Other buttons have no hover.
    room205->setCaptionColor(roomstate::freeColor);
    QTest::mouseMove(room205);
    QCOMPARE(room205->captionColor(), roomstate::freeColor);
    QCOMPARE(f.panel(0), QStringLiteral("101"));
}

void MainWindowTest::missingGreenPictureStopsRefresh()
{
    AppFixture f({QStringLiteral("LED_red_ON.BMP")});
    f.addRoom(QStringLiteral("101"), tables::yes);
    f.addRoom(QStringLiteral("102"));
    f.addRoom(QStringLiteral("103"), tables::yes);
    TFormMain &main = f.start();
    QVERIFY(main.isVisible()); // the window opens all the same
    QCOMPARE(f.services.dialogs.errors().size(), 1);
    QVERIFY(f.services.dialogs.errors().first().contains(QStringLiteral("LED_green_ON.BMP")));
    QCOMPARE(f.button(QStringLiteral("101"))->pictureFile(), QStringLiteral("LED_red_ON.BMP"));
    QCOMPARE(f.button(QStringLiteral("102"))->captionColor(), roomstate::freeColor);
    QVERIFY(f.button(QStringLiteral("102"))->pictureFile().isEmpty());
    QVERIFY(f.button(QStringLiteral("103"))->pictureFile().isEmpty()); // after the failing room: untouched
    QCOMPARE(f.button(QStringLiteral("103"))->captionColor(), roomstate::freeColor);
}

void MainWindowTest::exitEntryClosesTheWindow()
{
    AppFixture f;
    TFormMain &main = f.start();
    QAction *bye = main.menuEntry(QStringLiteral("bye"));
    QCOMPARE(bye->text(), QStringLiteral("&Q退出系统"));
    QVERIFY(bye->isEnabled());
    bye->trigger();
    QVERIFY(!main.isVisible());
}

void MainWindowTest::everyModalEntryOpensAFreshScreen()
{
    AppFixture f;
    TFormMain &main = f.start();
    const QList<std::tuple<QString, QString, bool>> entries{
        {"kehuzhuce", "Formyhzc", false},      {"kehuchaxun", "FormCustomersLocate", true},
        {"xfls", "FormOpenroomHistory", true}, {"M1", "Formhyzl", true},
        {"fangjiandj", "Formfjdj", false},     {"Fjfy", "Formfjfy", true},
        {"kfcx", "FormRoomView", false},       {"Printpaper", "FormPrintpaper", false},
        {"khdll", "FormClientsView", true},    {"khdfjpd", "formkhdkfpd", false},
        {"ktkhd", "FormOpenClients", false},   {"jsxx", "FormPear", false},
        {"guanyu", "AboutBox", false},         {"Backup", "FormBackup", false},
    };
    for (const auto &[entry, screen, shouldMaximise] : entries) {
        QString opened;
        bool maximised = false;
        QTimer::singleShot(0, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal)
                return;
            opened = modal->objectName();
            maximised = modal->windowState() & Qt::WindowMaximized;
            modal->close();
        });
        main.menuEntry(entry)->trigger();
        QCOMPARE(opened, screen);
        QCOMPARE(maximised, shouldMaximise);
    }
    // Each use started from a fresh screen, destroyed when it closed.
    QVERIFY(main.findChildren<QDialog *>().isEmpty());
    QVERIFY(f.services.dialogs.errors().isEmpty());
    for (QAction *menu : main.menuBar()->actions()) {
        for (QAction *entry : menu->menu()->actions())
            QVERIFY2(entry->isSeparator() || entry->isEnabled(), qPrintable(entry->objectName()));
    }
}

QTEST_MAIN(MainWindowTest)
#include "test_mainwindow.moc"
