// Staff log in before the main window once any are set up; a venue without staff starts as before.
#include "appfixture.h"

#include "staff/formlogin.h"
#include "staff/staffstore.h"
#include "visits/formopenroom.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
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

QTEST_MAIN(LoginTest)
#include "test_login.moc"
