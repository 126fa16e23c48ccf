// The staff rules that are computations: password hashes, the log-in lock, a payment's journal figures
// and a shift's cash.
#include "staff/loginguard.h"
#include "staff/password.h"
#include "staff/shiftsums.h"
#include "visits/charge.h"

#include <QtTest>

using namespace ktv::staff;
using ktv::charge::paymentEntry;
using ktv::charge::PaymentEntry;

class StaffRulesTest : public QObject
{
    Q_OBJECT
private slots:
    void passwordHashIsSaltedAndChecked();
    void fiveWrongPasswordsLockANumberForAMinute();
    void paymentJournalFigures_data();
    void paymentJournalFigures();
    void shiftCashWithChangeAndAShortPayment();
};

void StaffRulesTest::passwordHashIsSaltedAndChecked()
{
    const QString stored = hashPassword(QStringLiteral("收银123"), QByteArrayLiteral("0123456789abcdef"), 1000);
    QVERIFY(!stored.contains(QStringLiteral("收银123")));
    QVERIFY(checkPassword(QStringLiteral("收银123"), stored));
    QVERIFY(!checkPassword(QStringLiteral("收银124"), stored));
    QVERIFY(!checkPassword(QString(), stored));
    // The same password under another salt is another hash.
    QVERIFY(hashPassword(QStringLiteral("收银123"), QByteArrayLiteral("fedcba9876543210"), 1000) != stored);
    for (const QString &broken : {QString(), QStringLiteral("收银123"), QStringLiteral("pbkdf2-sha256$0$AA==$AA=="),
                                  QStringLiteral("md5$1000$AA==$AA=="), stored.left(stored.size() - 4)})
        QVERIFY2(!checkPassword(QStringLiteral("收银123"), broken), qPrintable(broken));
}

void StaffRulesTest::fiveWrongPasswordsLockANumberForAMinute()
{
    LoginGuard guard;
    const QDateTime t0(QDate(2026, 12, 8), QTime(20, 0));
    for (int i = 0; i < 4; ++i)
        guard.failed(QStringLiteral("S01"), t0);
    QCOMPARE(guard.lockedFor(QStringLiteral("S01"), t0), 0);
    guard.failed(QStringLiteral("S01"), t0.addSecs(10));
    QCOMPARE(guard.lockedFor(QStringLiteral("S01"), t0.addSecs(10)), LoginGuard::kLockMs);
    QVERIFY(guard.lockedFor(QStringLiteral("S01"), t0.addSecs(69)) > 0);
    QCOMPARE(guard.lockedFor(QStringLiteral("S02"), t0.addSecs(10)), 0); // another number may try
    QCOMPARE(guard.lockedFor(QStringLiteral("S01"), t0.addSecs(70)), 0);
    // After the lock, one wrong password does not lock again at once.
    guard.failed(QStringLiteral("S01"), t0.addSecs(71));
    QCOMPARE(guard.lockedFor(QStringLiteral("S01"), t0.addSecs(71)), 0);
    // A right password starts the count again.
    for (int i = 0; i < 3; ++i)
        guard.failed(QStringLiteral("S02"), t0);
    guard.succeeded(QStringLiteral("S02"));
    for (int i = 0; i < 4; ++i)
        guard.failed(QStringLiteral("S02"), t0);
    QCOMPARE(guard.lockedFor(QStringLiteral("S02"), t0), 0);
}

void StaffRulesTest::paymentJournalFigures_data()
{
    QTest::addColumn<double>("total");
    QTest::addColumn<double>("due");
    QTest::addColumn<double>("paid");
    QTest::addColumn<double>("change");
    QTest::addColumn<QString>("action");
    QTest::addColumn<double>("amount");
    QTest::newRow("paid with change") << 79.5 << 79.5 << 100.0 << 20.5 << "收费" << 79.5;
    QTest::newRow("decimal sums paid exactly") << 0.90 + 8.80 << 0.90 + 8.80 << 9.70 << 9.70 - (0.90 + 8.80) << "收费"
                                               << 9.70;
    QTest::newRow("lowered") << 100.0 << 95.0 << 100.0 << 5.0 << "抹零" << 95.0;
    QTest::newRow("short") << 100.0 << 100.0 << 90.0 << -10.0 << "欠帐" << 90.0;
    QTest::newRow("lowered and short") << 100.0 << 95.0 << 90.0 << -5.0 << "欠帐" << 90.0;
}

void StaffRulesTest::paymentJournalFigures()
{
    QFETCH(double, total);
    QFETCH(double, due);
    QFETCH(double, paid);
    QFETCH(double, change);
    QFETCH(QString, action);
    QFETCH(double, amount);
    const PaymentEntry e = paymentEntry(total, due, paid, change);
    QCOMPARE(e.action, action);
    QVERIFY(qAbs(e.amount - amount) < 0.0001);
    QCOMPARE(e.before, total);
    QCOMPARE(e.after, due);
}

void StaffRulesTest::shiftCashWithChangeAndAShortPayment()
{
    // Float 500; a bill of 79.5 paid with 100 (change 20.5) keeps 79.5; a bill of 100 paid 90 keeps 90.
    const QList<double> kept{paymentEntry(79.5, 79.5, 100, 20.5).amount, paymentEntry(100, 100, 90, -10).amount};
    const ShiftCash cash = shiftCash(500, kept, 669.4);
    QCOMPARE(cash.expected, 669.5);
    QCOMPARE(cash.difference, -0.1);
}

QTEST_MAIN(StaffRulesTest)
#include "test_staffrules.moc"
