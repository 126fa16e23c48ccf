// Staff log in before the main window once any are set up; a venue without staff starts as before.
#include "appfixture.h"

#include "reports/reportquery.h"
#include "reports/reporttable.h"
#include "staff/formauthorise.h"
#include "staff/formhandover.h"
#include "staff/formjournal.h"
#include "staff/formlogin.h"
#include "staff/formstaff.h"
#include "staff/password.h"
#include "staff/shiftstore.h"
#include "store/journal.h"
#include "visits/checkoutsteps.h"
#include "visits/formcallpear.h"
#include "visits/formcloseroomandpay.h"
#include "staff/staffstore.h"
#include "visits/formopenroom.h"

#include <QAction>
#include <QComboBox>
#include <QTableWidget>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>

using namespace ktv;

namespace {

// Answers the log-in dialog as soon as it shows, with what the test does there.
void whenLogInShows(const std::function<void(TFormLogin &)> &answer)
{
    QTimer::singleShot(0, [answer] {
        auto *login = qobject_cast<TFormLogin *>(QApplication::activeModalWidget());
        QVERIFY(login);
        answer(*login);
        if (login->isVisible())
            login->BitBtnCancel()->click();
    });
}

// Logs in as id when the log-in shows.
void logInAs(const QString &id, const QString &password, const QString &cashFloat = {})
{
    whenLogInShows([id, password, cashFloat](TFormLogin &login) {
        login.EditStaffId()->setText(id);
        login.EditPassword()->setText(password);
        login.EditFloat()->setText(cashFloat);
        login.BitBtnOK()->click();
    });
}

void tryPassword(TFormLogin &login, const QString &password, const QString &cashFloat = {})
{
    login.EditStaffId()->setText(QStringLiteral("S01"));
    login.EditPassword()->setText(password);
    login.EditFloat()->setText(cashFloat);
    login.BitBtnOK()->click();
}

} // namespace

class LoginTest : public QObject
{
    Q_OBJECT
private slots:
    void venueWithoutStaffStartsAsBefore();
    void logInOpensAShiftAndIsJournalled();
    void cancelledLogInEndsTheProgram();
    void loweringABillNeedsAManager();
    void clearingTakesTheAdministratorsOwnPassword();
    void staffReportSumsTheJournalPerMember();
    void handOverCountsTheDrawerAndAsksForALogInAgain();
    void removingAStoredDrinkNeedsAManagerAndAReason();
    void journalWindowFiltersAndExports();
    void staffScreenKeepsAnActiveAdministrator();
    void shiftLeftOpenIsHandedOverAtTheNextLogIn();
};

void LoginTest::venueWithoutStaffStartsAsBefore()
{
    AppFixture f;
    f.start();
    QVERIFY(f.program);
    QCOMPARE(f.panel(3), QString());
    QCOMPARE(f.count(QStringLiteral("Shift")), 0);
}

void LoginTest::logInOpensAShiftAndIsJournalled()
{
    AppFixture f;
    f.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    f.addRoom(QStringLiteral("101"));
    staff::add(*f.db, QStringLiteral("S01"), QStringLiteral("张三"), QStringLiteral("经理"), QStringLiteral("pw1"),
               f.services.clock.now());
    QStringList seen;
    whenLogInShows([&f, &seen](TFormLogin &login) {
        for (int i = 0; i < 5; ++i)
            tryPassword(login, QStringLiteral("wrong"));
        tryPassword(login, QStringLiteral("pw1")); // locked now, even with the right password
        seen = f.services.dialogs.messages();
        f.services.clock.advance(61'000);
        tryPassword(login, QStringLiteral("pw1"), QStringLiteral("abc"));
        tryPassword(login, QStringLiteral("pw1"), QStringLiteral("500"));
    });
    f.start();
    QCOMPARE(seen.size(), 6);
    QCOMPARE(seen.count(QStringLiteral("员工编号或密码不对")), 5);
    QVERIFY(seen.last().contains(QStringLiteral("请 60 秒后再试")));
    QCOMPARE(f.services.dialogs.messages().last(), QStringLiteral("备用金“abc”不是有效的金额"));
    QCOMPARE(f.panel(3), QStringLiteral("员工：张三（经理）"));
    QSqlQuery shift = f.db->run(QStringLiteral("SELECT Shift_staff, Shift_float, Shift_closed FROM Shift"));
    QVERIFY(shift.next());
    QCOMPARE(shift.value(0).toString(), QStringLiteral("S01"));
    QCOMPARE(shift.value(1).toDouble(), 500.0);
    QVERIFY(shift.value(2).isNull());
    shift.finish(); // lets this connection see what the program stores next

    // What the staff member does from then on names them.
    f.services.dialogs.answerYes();
    f.button(QStringLiteral("101"))->click();
    QSqlQuery rows = f.db->run(QStringLiteral("SELECT Journal_action, Journal_staff FROM Journal ORDER BY Journal_id"));
    QStringList journal;
    while (rows.next())
        journal << rows.value(0).toString() + QLatin1Char('/') + rows.value(1).toString();
    QCOMPARE(journal, QStringList({QStringLiteral("员工/"), QStringLiteral("登录/S01"), QStringLiteral("开房/S01")}));
}

void LoginTest::cancelledLogInEndsTheProgram()
{
    AppFixture f;
    staff::add(*f.db, QStringLiteral("S01"), QStringLiteral("张三"), QStringLiteral("收银员"), QStringLiteral("pw1"),
               f.services.clock.now());
    whenLogInShows([](TFormLogin &) {});
    QString error = QStringLiteral("unset");
    f.program = startProgram(f.folder(), f.services.platform(), &error);
    QVERIFY(!f.program);
    QVERIFY(error.isEmpty());
    QCOMPARE(f.count(QStringLiteral("Shift")), 0);
}

// A cashier lowers a bill from 100 to 95: the manager is asked at once. A cashier's own password or a
// wrong one stores nothing; the manager's stores the payment and one journal row naming both.
void LoginTest::loweringABillNeedsAManager()
{
    AppFixture f;
    f.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    f.addRoom(QStringLiteral("101"), tables::yes);
    f.addRecord(tables::openroom(), {{QStringLiteral("Openroom_room_id"), QStringLiteral("101")},
                                     {QStringLiteral("Openroom_jbxf"), 100.0},
                                     {QStringLiteral("Openroom_yingfu"), 95.0},
                                     {QStringLiteral("Openroom_shifu"), 95.0}});
    const QDateTime now = f.services.clock.now();
    staff::add(*f.db, QStringLiteral("C01"), QStringLiteral("收银甲"), QStringLiteral("收银员"), QStringLiteral("c"), now);
    staff::add(*f.db, QStringLiteral("M01"), QStringLiteral("经理乙"), QStringLiteral("经理"), QStringLiteral("m"), now);
    logInAs(QStringLiteral("C01"), QStringLiteral("c"));
    f.start();
    TFormCloseroomandPay &checkOut = *f.program->main->checkOut();
    const auto pay = [&checkOut](const QString &id, const QString &password) {
        QTimer::singleShot(0, [id, password] {
            auto *ask = qobject_cast<TFormAuthorise *>(QApplication::activeModalWidget());
            QVERIFY(ask);
            ask->EditStaffId()->setText(id);
            ask->EditPassword()->setText(password);
            ask->BitBtnOK()->click();
            if (ask->isVisible())
                ask->BitBtnCancel()->click();
        });
        checkOut.stepButton(5)->click();
    };
    const auto mark = [&f] {
        QSqlQuery q = f.db->run(QStringLiteral("SELECT Openroom_beizhu FROM Openroom"));
        return q.next() ? q.value(0).toString() : QStringLiteral("<none>");
    };
    pay(QStringLiteral("C01"), QStringLiteral("c")); // a cashier cannot authorise
    pay(QStringLiteral("M01"), QStringLiteral("wrong"));
    QCOMPARE(mark(), QString());
    QCOMPARE(f.count(QStringLiteral("Journal")) , 3); // two staff added and the log-in
    pay(QStringLiteral("M01"), QStringLiteral("m"));
    QCOMPARE(mark(), QStringLiteral("抹零:5"));
    QSqlQuery row = f.db->run(QStringLiteral("SELECT Journal_action, Journal_staff, Journal_authorised, Journal_amount "
                                             "FROM Journal ORDER BY Journal_id DESC LIMIT 1"));
    QVERIFY(row.next());
    QCOMPARE(row.value(0).toString(), QStringLiteral("抹零"));
    QCOMPARE(row.value(1).toString(), QStringLiteral("C01"));
    QCOMPARE(row.value(2).toString(), QStringLiteral("M01"));
    QCOMPARE(row.value(3).toDouble(), 95.0);
}

void LoginTest::clearingTakesTheAdministratorsOwnPassword()
{
    AppFixture f;
    staff::add(*f.db, QStringLiteral("A01"), QStringLiteral("管理丙"), QStringLiteral("管理员"), QStringLiteral("a1"),
               f.services.clock.now());
    logInAs(QStringLiteral("A01"), QStringLiteral("a1"));
    f.start();
    QAction *zap = f.program->main->menuEntry(QStringLiteral("ZapData"));
    f.services.dialogs.answerText(QStringLiteral("RoomKeeper")); // the fixed word of a venue without staff
    zap->trigger();
    QVERIFY(f.services.dialogs.texts(ScriptedDialogs::Kind::Warn).isEmpty());
    f.services.dialogs.answerText(QStringLiteral("a1"));
    f.services.dialogs.answerNo();
    zap->trigger();
    QCOMPARE(f.services.dialogs.texts(ScriptedDialogs::Kind::Warn).size(), 1);
    QVERIFY(f.services.dialogs.unexpected().isEmpty());
}

// Rows of two business days, one after midnight (still the first day) and one the next day after 06:00.
void LoginTest::staffReportSumsTheJournalPerMember()
{
    StoreFixture f;
    f.db->run(QStringLiteral("INSERT INTO Staff (Staff_id, Staff_name) VALUES ('C01', '收银甲')"));
    const QDateTime evening(QDate(2026, 12, 8), QTime(21, 0));
    const auto row = [&f](const QString &staff, const QDateTime &when, const journal::Entry &entry) {
        f.db->setStaff(staff);
        Transaction tx(*f.db);
        journal::record(*f.db, entry, when);
        tx.commit();
    };
    row(QStringLiteral("C01"), evening, {QStringLiteral("开房"), 1, QStringLiteral("101")});
    row(QStringLiteral("C01"), evening.addSecs(3600), {QStringLiteral("收费"), 1, QStringLiteral("101"), 79.5, 79.5, 79.5});
    row(QStringLiteral("C01"), evening.addSecs(4 * 3600), {QStringLiteral("抹零"), 2, QStringLiteral("102"), 95.0, 100.0, 95.0});
    row(QString(), evening.addSecs(5 * 3600), {QStringLiteral("欠帐"), 3, QStringLiteral("103"), 90.0, 100.0, 100.0});
    row(QStringLiteral("C01"), evening.addSecs(10 * 3600), {QStringLiteral("开房"), 4, QStringLiteral("104")});
    const reports::DateRange day{QDate(2026, 12, 8), QDate(2026, 12, 8)};
    reports::ReportParts parts{false, false, false, true};
    const reports::ReportTable table =
        reports::reportTable(reports::readReports(*f.db, day, parts), reports::ReportKind::Staff);
    QCOMPARE(table.rows.size(), 3);
    QCOMPARE(table.rows[0], QStringList({QString(), QStringLiteral("(未登录)"), "0", "1", "90.00", "0.00", "10.00", "0", "0.00"}));
    QCOMPARE(table.rows[1], QStringList({"C01", QStringLiteral("收银甲"), "1", "2", "174.50", "5.00", "0.00", "0", "0.00"}));
    QCOMPARE(table.rows[2], QStringList({"total", QString(), "1", "3", "264.50", "5.00", "10.00", "0", "0.00"}));
}

// Float 500; a bill of 79.5 paid with 100 keeps 79.5, one of 100 paid 90 keeps 90: the drawer should hold
// 669.50. Counted 669.40 shows a difference of -0.10 on the slip, in the shift and in the journal. A failed
// print closes nothing; after the hand-over the log-in is asked again, and cancelling it ends the program.
void LoginTest::handOverCountsTheDrawerAndAsksForALogInAgain()
{
    AppFixture f;
    for (const char *room : {"101", "102"}) {
        f.addRecord(tables::openroom(), {{QStringLiteral("Openroom_room_id"), QLatin1String(room)},
                                         {QStringLiteral("Openroom_jbxf"), room[2] == '1' ? 79.5 : 100.0},
                                         {QStringLiteral("Openroom_shifu"), room[2] == '1' ? 100.0 : 90.0}});
    }
    staff::add(*f.db, QStringLiteral("M01"), QStringLiteral("经理乙"), QStringLiteral("经理"), QStringLiteral("m"),
               f.services.clock.now());
    logInAs(QStringLiteral("M01"), QStringLiteral("m"), QStringLiteral("500"));
    f.start();
    f.services.clock.advance(3600'000);
    for (qint64 serial : {1, 2})
        checkout::takePayment(*f.program->db, serial, f.services.clock.now());
    QAction *handover = f.program->main->menuEntry(QStringLiteral("Handover"));

    const auto count = [](const QString &cash, bool thenCancel) {
        QTimer::singleShot(0, [cash, thenCancel] {
            auto *form = qobject_cast<TFormHandover *>(QApplication::activeModalWidget());
            QVERIFY(form);
            form->EditCounted()->setText(cash);
            QCOMPARE(form->LabelDifference()->text(), QStringLiteral("-0.10"));
            if (!thenCancel) // the log-in that follows is cancelled
                whenLogInShows([](TFormLogin &) {});
            form->BitBtnOK()->click();
            if (thenCancel && form->isVisible())
                form->reject();
        });
    };
    f.services.printer.failAt(RecordingPrinter::Step::End, QStringLiteral("打印机停止"));
    count(QStringLiteral("669.4"), true);
    handover->trigger();
    QCOMPARE(f.count(QStringLiteral("Shift")), 1);
    QSqlQuery open = f.db->run(QStringLiteral("SELECT count(*) FROM Shift WHERE Shift_closed IS NULL"));
    QVERIFY(open.next());
    QCOMPARE(open.value(0).toInt(), 1);
    open.finish();

    count(QStringLiteral("669.4"), false);
    handover->trigger();
    QSqlQuery shift = f.db->run(QStringLiteral("SELECT Shift_expected, Shift_counted, Shift_difference, Shift_closed FROM Shift"));
    QVERIFY(shift.next());
    QCOMPARE(shift.value(0).toDouble(), 669.5);
    QCOMPARE(shift.value(1).toDouble(), 669.4);
    QCOMPARE(shift.value(2).toDouble(), -0.1);
    QVERIFY(!shift.value(3).isNull());
    shift.finish();
    const QStringList slip = f.services.printer.documents().last().lines();
    QVERIFY2(slip.contains(QStringLiteral("应有现金:669.50")) && slip.contains(QStringLiteral("差额:-0.10")),
             qPrintable(slip.join('|')));
    QSqlQuery last = f.db->run(QStringLiteral("SELECT Journal_action, Journal_staff FROM Journal ORDER BY Journal_id DESC LIMIT 1"));
    QVERIFY(last.next());
    QCOMPARE(last.value(0).toString(), QStringLiteral("交班"));
    QCOMPARE(last.value(1).toString(), QStringLiteral("M01"));
    last.finish();
    QTRY_VERIFY(!f.program->main->isVisible()); // the log-in was cancelled: the program ends
}

// A cashier sets a served line of 3 × 12.50 to 0 on the drinks screen: a manager and a reason are asked;
// cancelled, the line keeps its 3; given, the line and its journal row are stored together.
void LoginTest::removingAStoredDrinkNeedsAManagerAndAReason()
{
    AppFixture f;
    f.addRoom(QStringLiteral("101"), tables::yes);
    f.addRecord(tables::openroom(), {{QStringLiteral("Openroom_room_id"), QStringLiteral("101")},
                                     {QStringLiteral("Openroom_begintime"), f.services.clock.now()},
                                     {QStringLiteral("Openroom_endtime"), f.services.clock.now().addDays(-1)}});
    f.addRecord(tables::callpear(), {{QStringLiteral("Openroom_lishu"), 1}, {QStringLiteral("Pear_id"), QStringLiteral("B01")},
                                     {QStringLiteral("Pear_price"), 12.5}, {QStringLiteral("Pear_shuliang"), 3}});
    const QDateTime now = f.services.clock.now();
    staff::add(*f.db, QStringLiteral("C01"), QStringLiteral("收银甲"), QStringLiteral("收银员"), QStringLiteral("c"), now);
    staff::add(*f.db, QStringLiteral("M01"), QStringLiteral("经理乙"), QStringLiteral("经理"), QStringLiteral("m"), now);
    logInAs(QStringLiteral("C01"), QStringLiteral("c"));
    f.start();
    TFormcallpear &drinks = *f.program->main->drinks();
    drinks.findChild<QLineEdit *>(QStringLiteral("Edit1kffjh"))->setText(QStringLiteral("101"));
    drinks.findChild<QPushButton *>(QStringLiteral("BitBtn1dwfj"))->click();
    Cursor &lines = *drinks.Table2();
    const auto removeLine = [&lines](bool give) {
        QTimer::singleShot(0, [give] {
            auto *ask = qobject_cast<TFormAuthorise *>(QApplication::activeModalWidget());
            QVERIFY(ask);
            QVERIFY(ask->EditReason());
            if (!give) {
                ask->BitBtnCancel()->click();
                return;
            }
            ask->EditStaffId()->setText(QStringLiteral("M01"));
            ask->EditPassword()->setText(QStringLiteral("m"));
            ask->EditReason()->setText(QStringLiteral("客人退回"));
            ask->BitBtnOK()->click();
        });
        lines.edit();
        lines.setValue(QStringLiteral("Pear_shuliang"), 0);
        try {
            lines.post();
        } catch (const AbortAction &) {
            lines.cancel();
        }
    };
    const auto quantity = [&f] {
        QSqlQuery q = f.db->run(QStringLiteral("SELECT Pear_shuliang FROM Callpear"));
        return q.next() ? q.value(0).toInt() : -1;
    };
    removeLine(false);
    QCOMPARE(quantity(), 3);
    removeLine(true);
    QCOMPARE(quantity(), 0);
    QSqlQuery row = f.db->run(QStringLiteral("SELECT Journal_action, Journal_amount, Journal_reason, Journal_staff, "
                                             "Journal_authorised, Journal_visit FROM Journal ORDER BY Journal_id DESC LIMIT 1"));
    QVERIFY(row.next());
    QCOMPARE(row.value(0).toString(), QStringLiteral("删除酒水"));
    QCOMPARE(row.value(1).toDouble(), 37.5);
    QCOMPARE(row.value(2).toString(), QStringLiteral("客人退回"));
    QCOMPARE(row.value(3).toString(), QStringLiteral("C01"));
    QCOMPARE(row.value(4).toString(), QStringLiteral("M01"));
    QCOMPARE(row.value(5).toInt(), 1);
}

void LoginTest::journalWindowFiltersAndExports()
{
    AppFixture f;
    f.start();
    const QDateTime evening(QDate(2026, 12, 8), QTime(21, 0));
    const auto row = [&f](const QString &staff, const QDateTime &when, const QString &action) {
        f.db->setStaff(staff);
        Transaction tx(*f.db);
        journal::record(*f.db, {action, 1, QStringLiteral("101"), 10.0}, when);
        tx.commit();
    };
    row(QStringLiteral("C01"), evening, QStringLiteral("开房"));
    row(QStringLiteral("C01"), evening.addSecs(3600), QStringLiteral("收费"));
    row(QStringLiteral("C02"), evening.addSecs(2 * 3600), QStringLiteral("收费"));
    row(QStringLiteral("C01"), evening.addDays(1), QStringLiteral("收费")); // the next business day
    TFormJournal journal(*f.program->db, f.services.platform());
    QCOMPARE(journal.GridJournal()->rowCount(), 3); // this business day
    journal.EditStaff()->setText(QStringLiteral("C01"));
    journal.ComboAction()->setCurrentText(QStringLiteral("收费"));
    journal.BitBtnQueryClick();
    QCOMPARE(journal.GridJournal()->rowCount(), 1);
    const QString file = f.work.filePath(QStringLiteral("journal.csv"));
    f.services.dialogs.answerText(file);
    journal.BitBtnExportClick();
    QFile csv(file);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(csv.readAll()).remove(QChar(0xfeff)).split(QRegularExpression(QStringLiteral("\r?\n")), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines[0].startsWith(QStringLiteral("time,station,staff")));
    QVERIFY(lines[1].contains(QStringLiteral(",C01,,收费,1,101,10,")));
}

// While nobody is set up the screen opens with the fixed password; the first member must be an administrator,
// and the last active administrator can be neither deactivated nor demoted. Once staff are set up, someone
// who is no administrator is asked for one, and cancelling keeps the screen shut.
void LoginTest::staffScreenKeepsAnActiveAdministrator()
{
    AppFixture f;
    TFormMain &main = f.start();
    QStringList opened;
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&opened] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        opened << modal->objectName();
        if (auto *ask = qobject_cast<TFormAuthorise *>(modal))
            ask->BitBtnCancel()->click();
        else
            modal->close();
    });
    watch.start(0);
    f.services.dialogs.answerText(QStringLiteral("RoomKeeper"));
    main.menuEntry(QStringLiteral("StaffSet"))->trigger();
    QCOMPARE(opened, QStringList{QStringLiteral("FormStaff")});
    watch.stop();

    TFormStaff screen(*f.program->db, f.services.platform(), QString());
    Cursor &staff = *screen.TableStaff();
    const auto save = [&staff]() -> QString {
        try {
            staff.post();
        } catch (const Refused &e) {
            return e.message();
        }
        return QStringLiteral("saved");
    };
    const auto setPassword = [&f, &screen](const QString &password) {
        f.services.dialogs.answerText(password);
        f.services.dialogs.answerText(password);
        screen.BitBtnPassword()->click();
    };
    staff.insert();
    staff.setValue(QStringLiteral("Staff_id"), QStringLiteral("C01"));
    staff.setValue(QStringLiteral("Staff_name"), QStringLiteral("收银甲"));
    QVERIFY(save().contains(QStringLiteral("请先为新员工 C01 设置密码")));
    setPassword(QStringLiteral("c1"));
    QVERIFY2(save().contains(QStringLiteral("还没有在职的管理员")), qPrintable(f.services.dialogs.all().last().text));
    QCOMPARE(f.count(QStringLiteral("Staff")), 0);
    staff.setValue(QStringLiteral("Staff_id"), QStringLiteral("A01"));
    staff.setValue(QStringLiteral("Staff_name"), QStringLiteral("管理丙"));
    staff.setValue(QStringLiteral("Staff_role"), QStringLiteral("管理员"));
    QCOMPARE(save(), QStringLiteral("saved"));
    const std::optional<staff::Member> first = staff::find(*f.db, QStringLiteral("A01"));
    QVERIFY(first && first->active);
    QVERIFY(!first->passwordHash.contains(QStringLiteral("c1")) && staff::checkPassword(QStringLiteral("c1"), first->passwordHash));

    for (const auto &[field, value] : {std::pair{QStringLiteral("Staff_active"), tables::no},
                                       std::pair{QStringLiteral("Staff_role"), QStringLiteral("经理")}}) {
        staff.edit();
        staff.setValue(field, value);
        QVERIFY(save().contains(QStringLiteral("A01 管理丙 是最后一名在职的管理员")));
        staff.cancel();
    }
    QVERIFY(staff::find(*f.db, QStringLiteral("A01"))->active);
    QCOMPARE(staff::find(*f.db, QStringLiteral("A01"))->role, QStringLiteral("管理员"));

    staff.insert();
    staff.setValue(QStringLiteral("Staff_id"), QStringLiteral("A02"));
    staff.setValue(QStringLiteral("Staff_name"), QStringLiteral("管理丁"));
    staff.setValue(QStringLiteral("Staff_role"), QStringLiteral("管理员"));
    setPassword(QStringLiteral("a2"));
    QCOMPARE(save(), QStringLiteral("saved"));
    QVERIFY(staff.locate(QStringLiteral("Staff_id"), QStringLiteral("A01")));
    staff.edit();
    staff.setValue(QStringLiteral("Staff_active"), tables::no);
    QCOMPARE(save(), QStringLiteral("saved"));
    QSqlQuery rows = f.db->run(QStringLiteral("SELECT Journal_reason FROM Journal WHERE Journal_action = ? ORDER BY Journal_id"),
                               {QStringLiteral("员工")});
    QStringList journal;
    while (rows.next())
        journal << rows.value(0).toString();
    rows.finish();
    QCOMPARE(journal, QStringList({QStringLiteral("添加 A01 管理丙（管理员）"), QStringLiteral("添加 A02 管理丁（管理员）"),
                                   QStringLiteral("修改 A01 停用")}));

    // Staff are set up now and nobody here is logged in as an administrator.
    watch.start(0);
    opened.clear();
    main.menuEntry(QStringLiteral("StaffSet"))->trigger();
    watch.stop();
    QCOMPARE(opened, QStringList{QStringLiteral("FormAuthorise")});
    QVERIFY(f.services.dialogs.unexpected().isEmpty());
}

// The program was killed during M01's shift, opened with a float of 300. At M01's next log-in that shift is
// handed over first: cancelled, no new shift opens; counted, it is closed with its slip, then the new shift
// opens with the float typed at the log-in.
void LoginTest::shiftLeftOpenIsHandedOverAtTheNextLogIn()
{
    AppFixture f;
    staff::add(*f.db, QStringLiteral("M01"), QStringLiteral("经理乙"), QStringLiteral("经理"), QStringLiteral("m"),
               f.services.clock.now());
    staff::startShift(*f.db, *staff::find(*f.db, QStringLiteral("M01")), 300, f.services.clock.now().addSecs(-7200));
    f.db->setStaff(QString());
    const auto handOver = [](const QString &counted) {
        QTimer::singleShot(0, [counted] {
            auto *form = qobject_cast<TFormHandover *>(QApplication::activeModalWidget());
            QVERIFY(form);
            if (counted.isEmpty()) {
                form->reject();
                return;
            }
            form->EditCounted()->setText(counted);
            form->BitBtnOK()->click();
        });
    };
    int shiftsAfterCancel = -1;
    whenLogInShows([&](TFormLogin &login) {
        login.EditStaffId()->setText(QStringLiteral("M01"));
        login.EditFloat()->setText(QStringLiteral("500"));
        login.EditPassword()->setText(QStringLiteral("m"));
        handOver(QString());
        login.BitBtnOK()->click();
        shiftsAfterCancel = f.count(QStringLiteral("Shift"));
        login.EditPassword()->setText(QStringLiteral("m"));
        handOver(QStringLiteral("290"));
        login.BitBtnOK()->click();
    });
    f.start();
    QVERIFY(f.program);
    QCOMPARE(shiftsAfterCancel, 1);
    QVERIFY(f.services.dialogs.messages().contains(QStringLiteral("经理乙 上次的班次还没有交班，不能开始新的班次")));
    QSqlQuery shifts = f.db->run(QStringLiteral("SELECT Shift_float, Shift_counted, Shift_difference, Shift_closed FROM Shift "
                                                "ORDER BY Shift_id"));
    QVERIFY(shifts.next());
    QCOMPARE(shifts.value(0).toDouble(), 300.0);
    QCOMPARE(shifts.value(1).toDouble(), 290.0);
    QCOMPARE(shifts.value(2).toDouble(), -10.0);
    QVERIFY(!shifts.value(3).isNull());
    QVERIFY(shifts.next());
    QCOMPARE(shifts.value(0).toDouble(), 500.0);
    QVERIFY(shifts.value(3).isNull());
    QVERIFY(!shifts.next());
    shifts.finish();
    QVERIFY(f.services.printer.documents().last().lines().contains(QStringLiteral("实点现金:290.00")));
    QSqlQuery rows = f.db->run(QStringLiteral("SELECT Journal_action, Journal_staff FROM Journal ORDER BY Journal_id"));
    QStringList journal;
    while (rows.next())
        journal << rows.value(0).toString() + QLatin1Char('/') + rows.value(1).toString();
    QCOMPARE(journal, QStringList({QStringLiteral("员工/"), QStringLiteral("登录/M01"), QStringLiteral("交班/M01"),
                                   QStringLiteral("登录/M01")}));
    QCOMPARE(f.panel(3), QStringLiteral("员工：经理乙（经理）"));
}

QTEST_MAIN(LoginTest)
#include "test_login.moc"
