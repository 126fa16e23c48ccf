#include "storefixture.h"
#include "support/scripted.h"

#include "store/datamodule.h"
#include "store/storeerror.h"
#include "visits/formprintpaper.h"
#include "visits/receipt.h"
#include "widgets/dbformat.h"
#include "widgets/dbedit.h"
#include "widgets/dbnavigator.h"
#include "widgets/qtprinter.h"

#include <QLabel>
#include <QLineEdit>
#include <QPageSize>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QToolButton>
#include <QtTest>

using namespace ktv;

namespace {

using Step = RecordingPrinter::Step;

const QString kSerial = QStringLiteral("Openroom_Lishui");
const QString kDone = QStringLiteral("打印完毕！欢迎再来！");

// A venue database with visits of chosen serial numbers, and the receipt screen on it.
struct PrintFixture
{
    StoreFixture store;
    TestPlatform services;
    std::unique_ptr<TDataModule1> data;
    std::unique_ptr<TFormPrintpaper> screen;

    // A visit stored with its own serial number; values not given stay empty, as for an open visit.
    void addVisit(int serial, const QString &room, const QVariantMap &values = {})
    {
        QStringList names{kSerial, QStringLiteral("Openroom_Customers_id"), QStringLiteral("Openroom_room_id")};
        QVariantList binds{serial, QStringLiteral("0000001"), room};
        for (auto it = values.begin(); it != values.end(); ++it) {
            names << it.key();
            binds << it.value();
        }
        store.db->run(QStringLiteral("INSERT INTO Openroom (%1) VALUES (?%2)")
                          .arg(names.join(u','), QStringLiteral(",?").repeated(names.size() - 1)),
                      binds);
    }

    TFormPrintpaper &open(const Platform &platform)
    {
        data = std::make_unique<TDataModule1>(*store.db, services.clock);
        screen = std::make_unique<TFormPrintpaper>(*data, platform);
        return *screen;
    }
    TFormPrintpaper &open() { return open(services.platform()); }
    // The screen printing on a Qt printer instead of the recording one.
    TFormPrintpaper &open(ReceiptPrinter &printer)
    {
        return open(
            Platform{services.dialogs, services.beeper, services.clock, services.web, printer, services.resolver, 0});
    }

    qint64 current() const { return screen->Query1()->integer(kSerial); }

    void select(const std::function<void(ScriptedDialogs &)> &answer)
    {
        answer(services.dialogs);
        screen->BitBtnSelectliushuihao()->click();
    }
};

const QVariantMap kSettledVisit{{QStringLiteral("Openroom_jbxf"), 79.1666666666667},
                                {QStringLiteral("Openroom_jiushui"), 12.5},
                                {QStringLiteral("Openroom_yingfu"), 91.6666666666667},
                                {QStringLiteral("Openroom_shifu"), 100.0},
                                {QStringLiteral("Openroom_zhaoling"), 8.3333333333333},
                                {QStringLiteral("Openroom_beizhu"), QStringLiteral("结清")}};

} // namespace

class PrintpaperTest : public QObject
{
    Q_OBJECT

private slots:
    void oneAmountReadsAlikeOnScreenAndReceipt();
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void screenAtStart();
    void selectBySerial_data();
    void selectBySerial();
    void printsTheTenLines();
    void printsEmptyAmountsOfAnOpenVisit();
    void printsLabelsAloneWithNoVisit();
    void printFailureStopsTheAction_data();
    void printFailureStopsTheAction();
    void printServiceRefusalIsReported_data();
    void printServiceRefusalIsReported();
    void printsOnThePrintersOwnPaper_data();
    void printsOnThePrintersOwnPaper();
    void qtPrinterNeedsABegunDocument();
};

void PrintpaperTest::screenAtStart()
{
    PrintFixture f;
    f.addVisit(3, QStringLiteral("101"), kSettledVisit);
    f.addVisit(12, QStringLiteral("102"),
               {{QStringLiteral("Openroom_jbxf"), 0.5}, {QStringLiteral("Openroom_jiushui"), 0.0}});
    f.addVisit(7, QStringLiteral("103"));
    TFormPrintpaper &s = f.open();
    QCOMPARE(s.objectName(), QStringLiteral("FormPrintpaper"));
    QCOMPARE(s.windowTitle(), QStringLiteral("打印小票"));
    QCOMPARE(s.BitBtnSelectliushuihao()->text(), QStringLiteral("选择流水号"));
    QCOMPARE(s.BitBtnPrint()->text(), QStringLiteral("打印小票"));

    DBNavigator *nav = s.DBNavigator1();
    QCOMPARE(nav->findChildren<QToolButton *>().size(), 4);
    QCOMPARE(nav->button(NavButton::First)->toolTip(), QStringLiteral("First record"));
    QCOMPARE(nav->button(NavButton::Prior)->toolTip(), QStringLiteral("Prior record"));
    QCOMPARE(nav->button(NavButton::Next)->toolTip(), QStringLiteral("Next record"));
    QCOMPARE(nav->button(NavButton::Last)->toolTip(), QStringLiteral("Last record"));

    // All visits, newest first; the boxes show the first.
    QCOMPARE(s.Query1()->recordCount(), 3);
    QCOMPARE(f.current(), 12);
    QStringList labels;
    for (QLabel *label : s.findChildren<QLabel *>())
        labels << label->text();
    QCOMPARE(labels, QStringList({"开房流水号:", "开房客户号:", "开房房间号:", "基本消费:", "酒水消费:", "应付金额:",
                                  "实付金额:", "找零:", "备注:"}));
    const auto box = [&](const QString &field) {
        auto *edit = s.findChild<QLineEdit *>(QStringLiteral("DBEdit") + field);
        if (!edit) {
            if (auto *bound = s.findChild<DBEdit *>(QStringLiteral("DBEdit") + field))
                edit = bound->lineEdit();
        }
        return edit;
    };
    QCOMPARE(box(kSerial)->text(), QStringLiteral("12"));
    QCOMPARE(box(QStringLiteral("Openroom_jbxf"))->text(), QStringLiteral("0.50"));
    QCOMPARE(box(QStringLiteral("Openroom_jiushui"))->text(), QStringLiteral("0.00"));
    s.show();
    QVERIFY(QTest::qWaitForWindowExposed(&s));
    const int left = box(kSerial)->mapTo(&s, QPoint()).x();
    for (QLineEdit *edit : s.findChildren<QLineEdit *>()) {
        QVERIFY(edit->isReadOnly());
        QCOMPARE(edit->mapTo(&s, QPoint()).x(), left); // the boxes stand in one line
    }

    nav->button(NavButton::Next)->click();
    QCOMPARE(f.current(), 7);
    nav->button(NavButton::Next)->click();
    QCOMPARE(box(QStringLiteral("Openroom_jbxf"))->text(), QStringLiteral("79.17"));
    QCOMPARE(box(QStringLiteral("Openroom_yingfu"))->text(), QStringLiteral("91.67"));
    QCOMPARE(box(QStringLiteral("Openroom_beizhu"))->text(), QStringLiteral("结清"));
}

void PrintpaperTest::selectBySerial_data()
{
    QTest::addColumn<QString>("answer"); // "<cancel>" cancels the dialog
    QTest::addColumn<int>("expected");
    QTest::addColumn<bool>("error");

    QTest::newRow("12, not 120") << "12" << 12 << false;
    QTest::newRow("120") << "120" << 120 << false;
    QTest::newRow("blanks around") << " 1 " << 1 << false;
    QTest::newRow("cancel") << "<cancel>" << 7 << false;
    QTest::newRow("not found") << "999" << 7 << false;
    QTest::newRow("empty") << "" << 7 << false;
    QTest::newRow("no number") << "abc" << 7 << true;
    QTest::newRow("no whole number") << "12.5" << 7 << true;
}

void PrintpaperTest::selectBySerial()
{
    QFETCH(QString, answer);
    QFETCH(int, expected);
    QFETCH(bool, error);

    PrintFixture f;
    for (int serial : {1, 7, 12, 120, 121})
        f.addVisit(serial, QStringLiteral("101"));
    TFormPrintpaper &s = f.open();
    s.DBNavigator1()->button(NavButton::Next)->click();
    s.DBNavigator1()->button(NavButton::Next)->click();
    QCOMPARE(f.current(), 12);
    s.DBNavigator1()->button(NavButton::Next)->click();
    QCOMPARE(f.current(), 7);

    f.select([&](ScriptedDialogs &d) { answer == "<cancel>" ? d.answerCancel() : d.answerText(answer); });
    QCOMPARE(f.services.dialogs.texts(ScriptedDialogs::Kind::AskText),
             QStringList({"选择开房流水号|请输入您要打印的开房流水号码|7"}));
    QCOMPARE(f.current(), expected);
    QCOMPARE(f.services.dialogs.errors().size(), error ? 1 : 0);
    QVERIFY(f.services.dialogs.messages().isEmpty());
    QVERIFY(f.services.dialogs.unexpected().isEmpty());
}

void PrintpaperTest::printsTheTenLines()
{
    PrintFixture f;
    f.addVisit(3, QStringLiteral("101"), kSettledVisit);
    f.services.printer.setLineHeight(37);
    TFormPrintpaper &s = f.open();
    s.BitBtnPrint()->click();
    s.BitBtnPrint()->click();

    const auto &documents = f.services.printer.documents();
    QCOMPARE(documents.size(), 2);
    const RecordingPrinter::Document &page = documents[0];
    QVERIFY(page.ended);
    QCOMPARE(page.lines(), QStringList({"开房流水号:3", "开房客户号:0000001", "开房房间号:101", "基本消费额:79.17",
                                        "酒水消费额:12.5", "客户应付额:91.6666666666667", "客户付现额:100",
                                        "找零客户额:8.3333333333333", "结帐备注项:结清", "欢迎再次光临欢歌KTV！"}));
    for (int k = 0; k < page.texts.size(); ++k) {
        const RecordingPrinter::Text &t = page.texts[k];
        QCOMPARE(t.x, 201);
        QCOMPARE(t.y, 200 + k * 37);
        QCOMPARE(t.font, QStringLiteral("宋体"));
        QCOMPARE(t.pointSize, 9);
        QVERIFY(t.clearBrush);
    }
    // The same visit twice: two identical pages, two completion messages, nothing stored.
    QCOMPARE(documents[1].lines(), page.lines());
    QCOMPARE(f.services.dialogs.messages(), QStringList({kDone, kDone}));
    QVERIFY(f.services.dialogs.errors().isEmpty());
}

void PrintpaperTest::printsEmptyAmountsOfAnOpenVisit()
{
    PrintFixture f;
    f.addVisit(5, QStringLiteral("102"),
               {{QStringLiteral("Openroom_jbxf"), 0.0}, {QStringLiteral("Openroom_jiushui"), 0.0}});
    f.addVisit(6, QStringLiteral("103"));
    TFormPrintpaper &s = f.open();
    s.BitBtnPrint()->click();
    QCOMPARE(f.services.printer.documents().last().lines(),
             QStringList({"开房流水号:6", "开房客户号:0000001", "开房房间号:103", "基本消费额:", "酒水消费额:",
                          "客户应付额:", "客户付现额:", "找零客户额:", "结帐备注项:", "欢迎再次光临欢歌KTV！"}));
    // A base charge of 0 prints nothing after its label; drinks of 0 print the digit.
    s.DBNavigator1()->button(NavButton::Next)->click();
    s.BitBtnPrint()->click();
    const QStringList lines = f.services.printer.documents().last().lines();
    QCOMPARE(lines[3], QStringLiteral("基本消费额:"));
    QCOMPARE(lines[4], QStringLiteral("酒水消费额:0"));
}

void PrintpaperTest::printsLabelsAloneWithNoVisit()
{
    PrintFixture f;
    TFormPrintpaper &s = f.open();
    QCOMPARE(s.Query1()->recordCount(), 0);
    f.select([](ScriptedDialogs &d) { d.answerCancel(); });
    QCOMPARE(f.services.dialogs.texts(ScriptedDialogs::Kind::AskText).value(0),
             QStringLiteral("选择开房流水号|请输入您要打印的开房流水号码|"));
    s.BitBtnPrint()->click();
    QCOMPARE(f.services.printer.documents().size(), 1);
    QCOMPARE(f.services.printer.documents()[0].lines(),
             QStringList({"开房流水号:", "开房客户号:", "开房房间号:", "基本消费额:", "酒水消费额:", "客户应付额:",
                          "客户付现额:", "找零客户额:", "结帐备注项:", "欢迎再次光临欢歌KTV！"}));
    QCOMPARE(f.services.dialogs.messages(), QStringList({kDone}));
}

void PrintpaperTest::printFailureStopsTheAction_data()
{
    QTest::addColumn<Step>("step");
    QTest::addColumn<int>("documents");
    QTest::addColumn<int>("drawn");

    QTest::newRow("no printer") << Step::Begin << 0 << 0;
    QTest::newRow("font") << Step::Font << 1 << 0;
    QTest::newRow("drawing") << Step::Draw << 1 << 0;
    QTest::newRow("handing over") << Step::End << 1 << 10;
}

void PrintpaperTest::printFailureStopsTheAction()
{
    QFETCH(Step, step);
    QFETCH(int, documents);
    QFETCH(int, drawn);

    PrintFixture f;
    f.addVisit(1, QStringLiteral("101"));
    TFormPrintpaper &s = f.open();
    f.services.printer.failAt(step, QStringLiteral("打印机出错"));
    s.BitBtnPrint()->click();

    QCOMPARE(f.services.dialogs.errors(), QStringList({"打印机出错"}));
    QVERIFY(f.services.dialogs.messages().isEmpty());
    QCOMPARE(f.services.printer.documents().size(), documents);
    if (documents > 0) {
        const RecordingPrinter::Document &page = f.services.printer.documents()[0];
        QCOMPARE(page.texts.size(), drawn);
        QVERIFY(!page.ended);
        QVERIFY(page.aborted); // no half receipt left in the queue
    }

    // The next try prints normally.
    s.BitBtnPrint()->click();
    QVERIFY(f.services.printer.documents().last().ended);
    QCOMPARE(f.services.dialogs.messages(), QStringList({kDone}));
}

void PrintpaperTest::printServiceRefusalIsReported_data()
{
    QTest::addColumn<QString>("printer");
    QTest::addColumn<bool>("accepts");
    QTest::addColumn<bool>("stopped");
    QTest::addColumn<QString>("reported"); // a part of the error the cashier sees

    QTest::newRow("no default printer") << QString() << true << false << QStringLiteral("没有可用的打印机");
    QTest::newRow("queue refuses jobs") << QStringLiteral("收银台") << false << false
                                        << QStringLiteral("打印服务拒绝了这张小票：打印机“收银台”");
    QTest::newRow("printer stopped") << QStringLiteral("收银台") << true << true
                                     << QStringLiteral("打印机“收银台”已停止或出错");
}

// The print service's answer comes before the page is made: nothing is printed and the completion message
// is not shown. Once the service takes the job, the same screen prints.
void PrintpaperTest::printServiceRefusalIsReported()
{
    QFETCH(QString, printer);
    QFETCH(bool, accepts);
    QFETCH(bool, stopped);
    QFETCH(QString, reported);

    PrintFixture f;
    f.addVisit(1, QStringLiteral("101"));
    PrinterDescription described{printer, QPageSize(QPageSize::A4), accepts, stopped};
    const QString file = f.store.dir.filePath(QStringLiteral("receipt.pdf"));
    QtReceiptPrinter qtPrinter(std::make_unique<DescribedPrintService>(described), file);
    TFormPrintpaper &s = f.open(qtPrinter);
    s.BitBtnPrint()->click();
    QCOMPARE(f.services.dialogs.errors().size(), 1);
    QVERIFY2(f.services.dialogs.errors()[0].contains(reported), qPrintable(f.services.dialogs.errors()[0]));
    QVERIFY(f.services.dialogs.messages().isEmpty());
    QVERIFY(!QFile::exists(file));

    described = PrinterDescription{QStringLiteral("收银台"), QPageSize(QPageSize::A4), true, false};
    s.BitBtnPrint()->click();
    QCOMPARE(f.services.dialogs.errors().size(), 1);
    QCOMPARE(f.services.dialogs.messages(), QStringList({kDone}));
    QVERIFY(QFileInfo(file).size() > 0);
}

void PrintpaperTest::printsOnThePrintersOwnPaper_data()
{
    QTest::addColumn<QPageSize>("paper"); // the printer's own default
    QTest::addColumn<QSizeF>("page");     // millimetres, width by height

    QTest::newRow("80 mm roll") << QPageSize(QSizeF(80, 297), QPageSize::Millimeter, QStringLiteral("Roll 80 mm"))
                                << QSizeF(80, 297);
    QTest::newRow("wide label, not turned") << QPageSize(QSizeF(100, 70), QPageSize::Millimeter) << QSizeF(100, 70);
    QTest::newRow("no paper named: A4") << QPageSize() << QSizeF(210, 297);
}

void PrintpaperTest::printsOnThePrintersOwnPaper()
{
    QFETCH(QPageSize, paper);
    QFETCH(QSizeF, page);

    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    const QString pdfinfo = QStandardPaths::findExecutable(QStringLiteral("pdfinfo"));
    if (pdftotext.isEmpty() || pdfinfo.isEmpty())
        QSKIP("pdftotext and pdfinfo (poppler-utils) are not installed");
    PrintFixture f;
    f.addVisit(3, QStringLiteral("101"), kSettledVisit);
    const QString file = f.store.dir.filePath(QStringLiteral("receipt.pdf"));
    const PrinterDescription described{QStringLiteral("小票机"), paper, true, false};
    QtReceiptPrinter printer(std::make_unique<DescribedPrintService>(described), file);
    TFormPrintpaper &s = f.open(printer);
    s.BitBtnPrint()->click();
    QVERIFY2(f.services.dialogs.errors().isEmpty(), qPrintable(f.services.dialogs.errors().join(u'\n')));
    QCOMPARE(f.services.dialogs.messages(), QStringList({kDone}));

    const auto run = [](const QString &tool, const QStringList &arguments) {
        QProcess process;
        process.start(tool, arguments);
        if (!process.waitForFinished() || process.exitCode() != 0)
            return QString();
        return QString::fromUtf8(process.readAllStandardOutput());
    };
    // "Page size:      226.77 x 841.89 pts"
    const QRegularExpression sizeLine(QStringLiteral("Page size:\\s*([0-9.]+) x ([0-9.]+) pts"));
    const QRegularExpressionMatch size = sizeLine.match(run(pdfinfo, {file}));
    QVERIFY(size.hasMatch());
    constexpr double mmPerPoint = 25.4 / 72;
    QVERIFY2(qAbs(size.captured(1).toDouble() * mmPerPoint - page.width()) < 0.2, qPrintable(size.captured(0)));
    QVERIFY2(qAbs(size.captured(2).toDouble() * mmPerPoint - page.height()) < 0.2, qPrintable(size.captured(0)));

    QStringList lines;
    const QString text = run(pdftotext, {QStringLiteral("-enc"), QStringLiteral("UTF-8"), file, QStringLiteral("-")});
    for (const QString &line : text.split(u'\n')) {
        if (!line.trimmed().isEmpty())
            lines << line.trimmed();
    }
    QCOMPARE(lines, QStringList({"开房流水号:3", "开房客户号:0000001", "开房房间号:101", "基本消费额:79.17",
                                 "酒水消费额:12.5", "客户应付额:91.6666666666667", "客户付现额:100",
                                 "找零客户额:8.3333333333333", "结帐备注项:结清", "欢迎再次光临欢歌KTV！"}));
}

void PrintpaperTest::qtPrinterNeedsABegunDocument()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("page.pdf"));
    const PrinterDescription described{QStringLiteral("小票机"), QPageSize(), true, false};
    QtReceiptPrinter printer(std::make_unique<DescribedPrintService>(described), file);
    QVERIFY_THROWS_EXCEPTION(StoreError, printer.drawText(0, 0, QStringLiteral("x")));
    QVERIFY_THROWS_EXCEPTION(StoreError, printer.endDocument());

    // A document dropped half way leaves the printer ready for the next one.
    printer.beginDocument();
    printer.setFont(QStringLiteral("宋体"), 9);
    QVERIFY(printer.lineHeight() > 0);
    printer.abortDocument();
    QVERIFY_THROWS_EXCEPTION(StoreError, printer.lineHeight());
    printer.beginDocument();
    printer.setClearBrush();
    printer.drawText(201, 200, QStringLiteral("第二页"));
    printer.endDocument();
    QVERIFY(QFileInfo(file).size() > 0);
}

// 9.70 paid on 0.90 + 8.80 leaves a change of -1.8e-15 in the double sums: no change, not a tiny debt.
// A stored 90.675 reads 90.68 in a box as on the board and the receipt, rounded half away from zero.
void PrintpaperTest::oneAmountReadsAlikeOnScreenAndReceipt()
{
    const double change = 9.70 - (0.90 + 8.80);
    QVERIFY(change != 0.0);
    const QStringList lines = receipt::texts({1, QStringLiteral("001"), QStringLiteral("101"), 0.90, 8.80, 9.70, 9.70, change,
                                              QStringLiteral("结清")});
    QVERIFY(lines.contains(QStringLiteral("找零客户额:0")));
    const FieldDef money{QStringLiteral("Openroom_jbxf"), FieldKind::Money};
    QCOMPARE(displayText(money, 90.675), QStringLiteral("90.68"));
    QCOMPARE(displayText(money, -0.001), QStringLiteral("0.00"));
    QVERIFY(receipt::texts({1, {}, {}, 90.675}).contains(QStringLiteral("基本消费额:90.68")));
}

QTEST_MAIN(PrintpaperTest)
#include "test_printpaper.moc"
