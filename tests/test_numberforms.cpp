#include "visits/receipt.h"
#include "widgets/numberforms.h"

#include <QtTest>

using namespace ktv;

class NumberFormsTest : public QObject
{
    Q_OBJECT

private slots:
    void forms_data();
    void forms();
    void decimalPointIsTheCallers();
    void receiptTexts();
    void receiptOfNoVisit();
};

void NumberFormsTest::forms_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("hash");
    QTest::addColumn<QString>("general");
    QTest::addColumn<QString>("plain");

    // clang-format off
    QTest::newRow("empty") << QVariant() << "" << "" << "";
    QTest::newRow("empty text") << QVariant(QString()) << "" << "" << "";
    QTest::newRow("0") << QVariant(0.0) << "" << "0" << "0";
    QTest::newRow("-0") << QVariant(-0.0) << "" << "0" << "0";
    QTest::newRow("120") << QVariant(120.0) << "120" << "120" << "120";
    QTest::newRow("120.5") << QVariant(120.5) << "120.5" << "120.5" << "120.5";
    QTest::newRow("33.333") << QVariant(33.333) << "33.33" << "33.333" << "33.333";
    QTest::newRow("0.5") << QVariant(0.5) << ".5" << "0.5" << "0.5";
    QTest::newRow("80") << QVariant(80.0) << "80" << "80" << "80";
    QTest::newRow("12.5") << QVariant(12.5) << "12.5" << "12.5" << "12.5";
    QTest::newRow("-3.2") << QVariant(-3.2) << "-3.2" << "-3.2" << "-3.2";
    QTest::newRow("-0.5") << QVariant(-0.5) << "-.5" << "-0.5" << "-0.5";
    QTest::newRow("3.75") << QVariant(3.75) << "3.75" << "3.75" << "3.75";
    // 95 minutes at 50 an hour, stored unrounded.
    QTest::newRow("79.1666…") << QVariant(95 * 50.0 / 60) << "79.17" << "79.1666666666667" << "79.1666666666667";
    QTest::newRow("5/6") << QVariant(5.0 / 6) << ".83" << "0.833333333333333" << "0.833333333333333";
    // Rounded on the decimal digits, half away from zero, with the carry.
    QTest::newRow("2.675") << QVariant(2.675) << "2.68" << "2.675" << "2.675";
    QTest::newRow("0.005") << QVariant(0.005) << ".01" << "0.005" << "0.005";
    QTest::newRow("0.004") << QVariant(0.004) << "" << "0.004" << "0.004";
    QTest::newRow("-0.004") << QVariant(-0.004) << "" << "-0.004" << "-0.004";
    QTest::newRow("9.995") << QVariant(9.995) << "10" << "9.995" << "9.995";
    QTest::newRow("99.999") << QVariant(99.999) << "100" << "99.999" << "99.999";
    QTest::newRow("0.1+0.2") << QVariant(0.1 + 0.2) << ".3" << "0.3" << "0.3";
    // Beyond the general form's reach it takes an exponent; the plain text never does.
    QTest::newRow("1e20") << QVariant(1e20) << "100000000000000000000" << "1E20" << "100000000000000000000";
    QTest::newRow("1e-7") << QVariant(1e-7) << "" << "1E-7" << "0.0000001";
    QTest::newRow("0.0001") << QVariant(0.0001) << "" << "0.0001" << "0.0001";
    QTest::newRow("123456789012345") << QVariant(123456789012345.0) << "123456789012345" << "123456789012345"
                                     << "123456789012345";
    QTest::newRow("integer value") << QVariant(qint64(7)) << "7" << "7" << "7";
    // clang-format on
}

void NumberFormsTest::forms()
{
    QFETCH(QVariant, value);
    QFETCH(QString, hash);
    QFETCH(QString, general);
    QFETCH(QString, plain);
    QCOMPARE(numberform::hashPattern(value), hash);
    QCOMPARE(numberform::general(value), general);
    QCOMPARE(numberform::plainDecimal(value), plain);
}

void NumberFormsTest::decimalPointIsTheCallers()
{
    QCOMPARE(numberform::hashPattern(0.5, u','), QStringLiteral(",5"));
    QCOMPARE(numberform::general(12.5, u','), QStringLiteral("12,5"));
    QCOMPARE(numberform::general(1.5e20, u','), QStringLiteral("1,5E20"));
    // Marks are stored data: always the point.
    QCOMPARE(QStringLiteral("抹零:") + numberform::plainDecimal(5.0 / 6), QStringLiteral("抹零:0.833333333333333"));
}

void NumberFormsTest::receiptTexts()
{
    const QVariantList visit{qint64(12), QStringLiteral("0000001"), QStringLiteral("101"), 0.0, 0.0, 95.0, 100.0,
                             5.0,        QStringLiteral("抹零:5")};
    QCOMPARE(receipt::texts(visit), QStringList({"开房流水号:12", "开房客户号:0000001", "开房房间号:101",
                                                 "基本消费额:", "酒水消费额:0", "客户应付额:95", "客户付现额:100",
                                                 "找零客户额:5", "结帐备注项:抹零:5", "欢迎再次光临欢歌KTV！"}));

    const QVariantList charged{qint64(3),
                               QStringLiteral("000"),
                               QStringLiteral("205"),
                               79.1666666666667,
                               12.5,
                               91.6666666666667,
                               -3.2,
                               QVariant(),
                               QVariant()};
    const QStringList lines = receipt::texts(charged);
    QCOMPARE(lines[3], QStringLiteral("基本消费额:79.17"));
    QCOMPARE(lines[4], QStringLiteral("酒水消费额:12.5"));
    QCOMPARE(lines[5], QStringLiteral("客户应付额:91.6666666666667"));
    QCOMPARE(lines[6], QStringLiteral("客户付现额:-3.2"));
    QCOMPARE(lines[7], QStringLiteral("找零客户额:"));
    QCOMPARE(lines[8], QStringLiteral("结帐备注项:"));
}

void NumberFormsTest::receiptOfNoVisit()
{
    QCOMPARE(receipt::fields().size(), 9);
    QCOMPARE(receipt::texts({}),
             QStringList({"开房流水号:", "开房客户号:", "开房房间号:", "基本消费额:", "酒水消费额:", "客户应付额:",
                          "客户付现额:", "找零客户额:", "结帐备注项:", "欢迎再次光临欢歌KTV！"}));
}

QTEST_GUILESS_MAIN(NumberFormsTest)
#include "test_numberforms.moc"
