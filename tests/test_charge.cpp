#include "visits/charge.h"
#include "visits/receipt.h"
#include "visits/staycharge.h"

#include <QtTest>

using namespace ktv;

namespace {

const QDate kDay(2026, 12, 8);

// "12:00-18:00@40,18:00-02:00@80": bands 1, 2, ... of a room; "-" leaves a band unset.
charge::RoomPrices prices(const QString &room, double hourly, const QString &bands)
{
    charge::RoomPrices p{room, hourly, {}};
    int number = 0;
    for (const QString &band : bands.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        ++number;
        if (band == QLatin1String("-")) {
            p.bands.append({number, {}, {}, 0});
            continue;
        }
        const QStringList parts = band.split(QRegularExpression(QStringLiteral("[-@]")));
        p.bands.append({number, QTime::fromString(parts[0], QStringLiteral("HH:mm")),
                        QTime::fromString(parts[1], QStringLiteral("HH:mm")), parts[2].toDouble()});
    }
    return p;
}

// The rule as written, one minute after another: the reference for the summing by runs.
double minuteByMinute(const QList<charge::Stay> &stays, const QDateTime &begin, int billed)
{
    double sum = 0;
    for (int k = 0; k < billed; ++k) {
        const QDateTime start = begin.addSecs(60 * k);
        qsizetype s = stays.size() - 1;
        while (s > 0 && stays[s].from > start)
            --s;
        double price = stays[s].prices.hourlyPrice;
        for (const charge::Band &b : stays[s].prices.bands) {
            if (b.hourlyPrice > 0 && b.begin.isValid() && b.holds(start.time())) {
                price = b.hourlyPrice;
                break;
            }
        }
        sum += price;
    }
    return sum / 60;
}

} // namespace

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
    void timeBands_data();
    void timeBands();
    void roomChangeInTheMiddleOfABand();
    void runsSumAsMinuteByMinute();
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
    // A visit that never moved, without bands, is charged to the bit as before.
    const QList<charge::Stay> one{{QDateTime(kDay, QTime(19, 0)), {QStringLiteral("101"), hourly, {}}}};
    QCOMPARE(charge::stayCharge(one, QDateTime(kDay, QTime(19, 0)), used, discount, customerRate, roomRate).amount,
             expected);
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

void ChargeTest::timeBands_data()
{
    QTest::addColumn<QTime>("begin");
    QTest::addColumn<int>("used");
    QTest::addColumn<int>("discount");
    QTest::addColumn<QString>("bands");
    QTest::addColumn<double>("expected");
    QTest::addColumn<QStringList>("lines");
    const QString example = QStringLiteral("12:00-18:00@40,18:00-02:00@80");
    QTest::newRow("worked example") << QTime(17, 30) << 180 << 0 << example << 220.0
                                    << QStringList{"时段12:00-18:00 30分钟 20.00", "时段18:00-02:00 150分钟 200.00"};
    QTest::newRow("discount off the end")
        << QTime(17, 30) << 180 << 30 << example << 180.0
        << QStringList{"时段12:00-18:00 30分钟 20.00", "时段18:00-02:00 120分钟 160.00"};
    // 160 minutes of discount take band 2's 150 minutes and ten of band 1's.
    QTest::newRow("discount crossing a band")
        << QTime(17, 30) << 180 << 160 << example << 20 * 40 / 60.0 << QStringList{"时段12:00-18:00 20分钟 13.33"};
    QTest::newRow("over midnight, then general") << QTime(23, 0) << 240 << 0 << example << (180 * 80 + 60 * 60) / 60.0
                                                 << QStringList{"时段18:00-02:00 180分钟 240.00"};
    QTest::newRow("first band wins where two overlap")
        << QTime(21, 0) << 120 << 0 << QStringLiteral("18:00-22:00@40,20:00-23:00@100") << (60 * 40 + 60 * 100) / 60.0
        << QStringList{"时段18:00-22:00 60分钟 40.00", "时段20:00-23:00 60分钟 100.00"};
    QTest::newRow("unpriced and unset bands are skipped")
        << QTime(19, 0) << 60 << 0 << QStringLiteral("-,18:00-22:00@0,18:00-22:00@90") << 90.0
        << QStringList{"时段18:00-22:00 60分钟 90.00"};
    QTest::newRow("no band set") << QTime(19, 0) << 95 << 0 << QStringLiteral("-,-,-") << 95 * 60 / 60.0
                                 << QStringList{};
    QTest::newRow("a band ending where it begins holds the day")
        << QTime(3, 0) << 30 << 0 << QStringLiteral("06:00-06:00@120") << 60.0
        << QStringList{"时段06:00-06:00 30分钟 60.00"};
    // Minutes start on the check-in's second: the one starting 17:59:30 is band 1's, the next band 2's.
    QTest::newRow("minute starts off the full minute")
        << QTime(17, 59, 30) << 2 << 0 << example << (40 + 80) / 60.0
        << QStringList{"时段12:00-18:00 1分钟 0.67", "时段18:00-02:00 1分钟 1.33"};
    QTest::newRow("discount above the used minutes")
        << QTime(19, 0) << 30 << 60 << example << -30 * 80 / 60.0 << QStringList{};
}

void ChargeTest::timeBands()
{
    QFETCH(QTime, begin);
    QFETCH(int, used);
    QFETCH(int, discount);
    QFETCH(QString, bands);
    QFETCH(double, expected);
    QFETCH(QStringList, lines);
    const QDateTime start(kDay, begin);
    const QList<charge::Stay> stays{{start, prices(QStringLiteral("101"), 60, bands)}};
    const charge::StayCharge c = charge::stayCharge(stays, start, used, discount, 1, 1);
    QVERIFY2(charge::compareMoney(c.amount, expected) == 0, qPrintable(QString::number(c.amount, 'f', 6)));
    QCOMPARE(receipt::chargeLines(c), lines);
    // The rates apply to the whole and to each band alike.
    const charge::StayCharge rated = charge::stayCharge(stays, start, used, discount, 0.9, 0.5);
    QCOMPARE(charge::compareMoney(rated.amount, expected * 0.45), 0);
    double parts = 0;
    int minutes = 0;
    for (const charge::ChargePart &part : rated.bandParts) {
        parts += part.amount;
        minutes += part.minutes;
    }
    if (minutes == used - discount) // every billed minute in a band
        QCOMPARE(charge::compareMoney(parts, rated.amount), 0);
}

// Room 101 until 20:30, then 102; both have a band from 20:00 to 22:00. Stays and bands each get their own
// minutes, and discount minutes come off the last stay first.
void ChargeTest::roomChangeInTheMiddleOfABand()
{
    const QDateTime begin(kDay, QTime(19, 0));
    const QList<charge::Stay> stays{
        {begin, prices(QStringLiteral("101"), 60, QStringLiteral("20:00-22:00@100"))},
        {QDateTime(kDay, QTime(20, 30)), prices(QStringLiteral("102"), 50, QStringLiteral("20:00-22:00@150"))}};
    const charge::StayCharge c = charge::stayCharge(stays, begin, 180, 0, 1, 1);
    QCOMPARE(charge::compareMoney(c.amount, (60 * 60 + 30 * 100 + 90 * 150) / 60.0), 0);
    QCOMPARE(receipt::chargeLines(c),
             QStringList({"房间101 时段20:00-22:00 30分钟 50.00", "房间102 时段20:00-22:00 90分钟 225.00",
                          "房间101 90分钟 110.00", "房间102 90分钟 225.00"}));

    const charge::StayCharge discounted = charge::stayCharge(stays, begin, 180, 100, 1, 1);
    QCOMPARE(charge::compareMoney(discounted.amount, (60 * 60 + 20 * 100) / 60.0), 0);
    QCOMPARE(discounted.stayParts.value(1).minutes, 0);

    // A move in the middle of a minute: that minute is the old room's, the next the new one's.
    const QList<charge::Stay> midMinute{{begin, prices(QStringLiteral("101"), 60, {})},
                                        {begin.addSecs(30), prices(QStringLiteral("102"), 120, {})}};
    QCOMPARE(charge::compareMoney(charge::stayCharge(midMinute, begin, 3, 0, 1, 1).amount, (60 + 2 * 120) / 60.0), 0);
}

// Summed by runs between band edges and moves, the charge is what laying each minute gives, over days and
// over the edges of a minute.
void ChargeTest::runsSumAsMinuteByMinute()
{
    const QDateTime begin(kDay, QTime(21, 47, 13));
    const QList<charge::Stay> stays{
        {begin, prices(QStringLiteral("101"), 60, QStringLiteral("22:00-01:30@90,00:00-08:00@30,12:00-18:00@45"))},
        {begin.addSecs(3 * 3600 + 17), prices(QStringLiteral("102"), 75, QStringLiteral("23:59-00:01@500"))},
        {begin.addSecs(26 * 3600), prices(QStringLiteral("101"), 60, QStringLiteral("22:00-01:30@90,00:00-08:00@30"))}};
    for (const auto &[used, discount] :
         {std::pair{4319, 0}, std::pair{4319, 1500}, std::pair{181, 0}, std::pair{1, 0}}) {
        const double expected = minuteByMinute(stays, begin, used - discount);
        const charge::StayCharge c = charge::stayCharge(stays, begin, used, discount, 1, 1);
        QVERIFY2(qAbs(c.amount - expected) < 1e-6, qPrintable(QStringLiteral("%1 %2").arg(used).arg(c.amount)));
        int minutes = 0;
        for (const charge::ChargePart &part : c.stayParts)
            minutes += part.minutes;
        QCOMPARE(minutes, used - discount);
    }
}

QTEST_GUILESS_MAIN(ChargeTest)
#include "test_charge.moc"
