#include "about/aboutdialog.h"
#include "about/makerlink.h"
#include "support/scripted.h"
#include "widgets/maker.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace ktv;

class AboutBoxTest : public QObject
{
    Q_OBJECT

private slots:
    void showsProductAndWebAddress();
    void webAddressClickOpensPageAndStaysOpen();
    void okAndEnterClose();
};

void AboutBoxTest::showsProductAndWebAddress()
{
    TestPlatform services;
    TAboutBox box(services.platform());
    QCOMPARE(box.objectName(), QStringLiteral("AboutBox"));
    QCOMPARE(box.windowTitle(), QStringLiteral("关于"));
    QCOMPARE(box.findChild<QLabel *>(QStringLiteral("ProductName"))->text(), QStringLiteral("RIVivizev"));
    QCOMPARE(box.findChild<QLabel *>(QStringLiteral("Version"))->text(), QStringLiteral("版本：2006.6"));
    auto *icon = box.findChild<QLabel *>(QStringLiteral("ProgramIcon"));
    QCOMPARE(icon->size(), QSize(33, 33));
    QVERIFY(icon->hasScaledContents());
    QVERIFY(!icon->pixmap().isNull());
    QCOMPARE(box.Comments()->text(), QStringLiteral("网址：") + makerWebAddress());
    QVERIFY(box.Comments()->font().underline());
    QVERIFY(box.Comments()->wordWrap());
    QCOMPARE(box.OKButton()->text(), QStringLiteral("OK"));
}

void AboutBoxTest::webAddressClickOpensPageAndStaysOpen()
{
    TestPlatform services;
    TAboutBox box(services.platform());
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::mouseClick(box.Comments(), Qt::RightButton);
    QVERIFY(services.web.urls().isEmpty());
    QTest::mouseClick(box.Comments(), Qt::LeftButton);
    QCOMPARE(services.web.urls(), QList<QUrl>{QUrl(makerWebAddress())});
    QVERIFY(box.isVisible());

    // The help menu's entry opens the same page.
    openMakerPage(services.platform());
    QCOMPARE(services.web.urls().last(), QUrl(makerWebAddress()));
    QVERIFY(services.dialogs.all().isEmpty());
}

void AboutBoxTest::okAndEnterClose()
{
    TestPlatform services;
    TAboutBox box(services.platform());
    box.show();
    QVERIFY(QTest::qWaitForWindowActive(&box));
    QVERIFY(box.OKButton()->isDefault());
    const QSize fixed = box.size();
    QCOMPARE(box.minimumSize(), fixed);
    QCOMPARE(box.maximumSize(), fixed);
    QTest::keyClick(&box, Qt::Key_Return);
    QTRY_VERIFY(!box.isVisible());
    QCOMPARE(box.result(), int(QDialog::Accepted));

    box.show();
    QVERIFY(QTest::qWaitForWindowActive(&box));
    box.OKButton()->click();
    QTRY_VERIFY(!box.isVisible());
}

QTEST_MAIN(AboutBoxTest)
#include "test_aboutbox.moc"
