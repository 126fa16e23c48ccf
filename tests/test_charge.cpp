#include "visits/charge.h"

#include <QtTest>

using namespace ktv;

class ChargeTest : public QObject
{
    Q_OBJECT

private slots:
    void usedMinutes_data();
    void usedMinutes();
    void roomCharge_data();
    void roomCharge();
    void rates();
    void drinksTotal();
    void settlement_data();
    void settlement();
    void changePanel();
};

void ChargeTest::usedMinutes_data()
{
    QTest::addColumn<QDateTime>("begin");
    QTest::addColumn<QDateTime>("end");
    QTest::addColumn<int>("minutes");
    const QDate d(2026, 12, 8);
    QTest::newRow("same day") << QDateTime(d, QTime(19, 5, 30)) << QDateTime(d, QTime(21, 40, 10)) << 154;
    QTest::newRow("past midnight") << QDateTime(d, QTime(22, 30)) << QDateTime(d.addDays(1), QTime(1, 15, 59)) << 165;
    QTest::newRow("same minute") << QDateTime(d, QTime(20, 0, 1)) << QDateTime(d, QTime(20, 0, 50)) << 0;
    QTest::newRow("59 seconds") << QDateTime(d, QTime(20, 0)) << QDateTime(d, QTime(20, 0, 59, 999)) << 0;
    QTest::newRow("60 seconds") << QDateTime(d, QTime(20, 0)) << QDateTime(d, QTime(20, 1)) << 1;
    QTest::newRow("end before begin") << QDateTime(d, QTime(21, 40, 10)) << QDateTime(d, QTime(19, 5, 30)) << 154;
    QTest::newRow("open-visit marker") << QDateTime(d, QTime(20, 0)) << QDateTime(d.addDays(-1), QTime(20, 0)) << 1440;
    QTest::newRow("1 day 1 h 5 min") << QDateTime(d, QTime(20, 0)) << QDateTime(d.addDays(1), QTime(21, 5)) << 1505;
    QTest::newRow("2 days 23:59") << QDateTime(d, QTime(0, 0)) << QDateTime(d.addDays(2), QTime(23, 59)) << 4319;
    QTest::newRow("3 days 2 hours") << QDateTime(d, QTime(20, 0)) << QDateTime(d.addDays(3), QTime(22, 0)) << 120;
}

void ChargeTest::usedMinutes()
{
    QFETCH(QDateTime, begin);
    QFETCH(QDateTime, end);
    QFETCH(int, minutes);
    QCOMPARE(charge::usedMinutes(begin, end), minutes);
}

void ChargeTest::roomCharge_data()
{
    QTest::addColumn<int>("used");
    QTest::addColumn<int>("discount");
    QTest::addColumn<double>("hourly");
    QTest::addColumn<double>("customerRate");
    QTest::addColumn<double>("roomRate");
    QTest::addColumn<double>("expected");
    QTest::newRow("member rate") << 154 << 10 << 60.0 << 0.9 << 1.0 << 144 * 60.0 / 60 * (0.9 * 1.0);
    QTest::newRow("unrounded") << 95 << 0 << 50.0 << 1.0 << 1.0 << 95 * 50.0 / 60;
    QTest::newRow("nothing used") << 0 << 0 << 50.0 << 1.0 << 1.0 << 0.0;
    QTest::newRow("negative") << 150 << 200 << 60.0 << 1.0 << 1.0 << -50.0;
    QTest::newRow("missing rate reads 0") << 60 << 0 << 60.0 << 0.0 << 1.0 << 0.0;
}

void ChargeTest::roomCharge()
{
    QFETCH(int, used);
    QFETCH(int, discount);
    QFETCH(double, hourly);
    QFETCH(double, customerRate);
    QFETCH(double, roomRate);
    QFETCH(double, expected);
    QCOMPARE(charge::roomCharge(used, discount, hourly, customerRate, roomRate), expected);
    if (QByteArray(QTest::currentDataTag()) == "member rate")
        QCOMPARE(expected, 129.6);
}

void ChargeTest::rates()
{
    QCOMPARE(charge::rateOrOne(0), 1.0);
    QCOMPARE(charge::rateOrOne(-0.5), 1.0);
    QCOMPARE(charge::rateOrOne(0.00009), 1.0);
    QCOMPARE(charge::rateOrOne(0.0001), 0.0001);
    QCOMPARE(charge::rateOrOne(1.2), 1.2);
}

void ChargeTest::drinksTotal()
{
    charge::DrinksTotal total;
    total.add(2, 12.5);
    total.add(0, 8.0);
    total.add(1, 8.0);
    QCOMPARE(total.value(), 33.0);
    charge::DrinksTotal thirds; // each new total is kept to four decimals
    for (int i = 0; i < 3; ++i)
        thirds.add(1, 1 / 3.0);
    QCOMPARE(thirds.value(), 0.9999);
    charge::DrinksTotal refund;
    refund.add(-1, 8.0);
    QCOMPARE(refund.value(), -8.0);
    QCOMPARE(charge::paidNote(QStringLiteral("1234567")), QStringLiteral("已买单:1234567"));
}

void ChargeTest::settlement_data()
{
    QTest::addColumn<double>("roomCharge");
    QTest::addColumn<double>("drinks");
    QTest::addColumn<QVariant>("due");
    QTest::addColumn<QVariant>("paid");
    QTest::addColumn<QVariant>("change");
    QTest::addColumn<QString>("oldMark");
    QTest::addColumn<double>("expectedDue");
    QTest::addColumn<QVariant>("expectedChange");
    QTest::addColumn<QString>("mark");
    QTest::addColumn<bool>("askForPayment");

    const QVariant none;
    const double total = 95 * 50 / 60.0;
    QTest::newRow("paid 80") << total << 0.0 << none << QVariant(80.0) << none << "" << total
                             << QVariant(80.0 - total) << "结清" << false;
    QTest::newRow("reduction") << 67.0 << 33.0 << QVariant(95.0) << QVariant(95.0) << none << "" << 95.0
                               << QVariant(0.0) << "抹零:5" << false;
    QTest::newRow("paid short") << 100.0 << 0.0 << none << QVariant(90.0) << none << "" << 100.0
                                << QVariant(-10.0) << "欠帐:10" << false;
    QTest::newRow("nothing paid") << 100.0 << 0.0 << none << QVariant(0.0) << QVariant(3.0) << "" << 100.0
                                  << QVariant(3.0) << "还没付费" << true;
    QTest::newRow("due above total") << 50.0 << 0.0 << QVariant(70.0) << QVariant(50.0) << none << "" << 50.0
                                     << QVariant(0.0) << "结清" << false;
    QTest::newRow("short after reduction") << 100.0 << 0.0 << QVariant(95.0) << QVariant(90.0) << none << ""
                                           << 95.0 << QVariant(-5.0) << "欠帐:5" << false;
    QTest::newRow("old waiver, paid in full") << 100.0 << 0.0 << QVariant(100.0) << QVariant(100.0) << none
                                              << "抹零:5" << 100.0 << QVariant(0.0) << "结清" << false;
}

void ChargeTest::settlement()
{
    QFETCH(double, roomCharge);
    QFETCH(double, drinks);
    QFETCH(QVariant, due);
    QFETCH(QVariant, paid);
    QFETCH(QVariant, change);
    QFETCH(QString, oldMark);
    QFETCH(double, expectedDue);
    QFETCH(QVariant, expectedChange);
    QFETCH(QString, mark);
    QFETCH(bool, askForPayment);

    auto opt = [](const QVariant &v) { return v.isValid() ? std::optional<double>(v.toDouble()) : std::nullopt; };
    charge::Payment p{roomCharge, drinks, opt(due), opt(paid), opt(change), oldMark};
    const charge::Settlement s = charge::settle(p);
    QCOMPARE(s.amountDue, expectedDue);
    QCOMPARE(s.change.has_value(), expectedChange.isValid());
    if (s.change)
        QCOMPARE(*s.change, expectedChange.toDouble());
    QCOMPARE(s.mark, mark);
    QCOMPARE(s.askForPayment, askForPayment);
}

void ChargeTest::changePanel()
{
    QCOMPARE(charge::changePanelText(0.8333333333333357), QStringLiteral("找零:0.833333333333336"));
    QCOMPARE(charge::changePanelText(-10.0), QStringLiteral("欠帐:10"));
    QCOMPARE(charge::changePanelText(0.00005), QStringLiteral("结清"));
    QCOMPARE(charge::changePanelText(std::nullopt), QStringLiteral("结清"));
}

QTEST_GUILESS_MAIN(ChargeTest)
#include "test_charge.moc"
