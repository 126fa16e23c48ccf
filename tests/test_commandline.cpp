#include "programrun.h"
#include "storefixture.h"

#include "staff/password.h"

#include <QRegularExpression>
#include <QtTest>

using namespace ktv;

using Run = ProgramRun;

class CommandLineTest : public QObject
{
    Q_OBJECT

private slots:
    void helpListsEveryVerbOnce();
    void versionIsPrinted();
    void refusedWithoutDoingAnything_data();
    void refusedWithoutDoingAnything();
    void staffAddedWithTheirPasswordHashed();
};

void CommandLineTest::helpListsEveryVerbOnce()
{
    const Run help = ktvWith({QStringLiteral("--help")});
    QCOMPARE(help.code, 0);
    QVERIFY(help.err.isEmpty());
    for (const char *verb :
         {"--data-dir", "--database", "--create-data", "--check", "--backup", "--copy-to", "--restore", "--report",
          "--add-staff", "--help", "--version"}) {
        const QRegularExpression line(QStringLiteral("^  %1\\b").arg(QLatin1String(verb)),
                                      QRegularExpression::MultilineOption);
        QVERIFY2(help.out.count(line) == 1, verb);
    }
    // The options that go with a verb are on its line.
    QVERIFY(help.out.contains(QStringLiteral("--create-data DIR [--database URL] [--demo]")));
    QVERIFY(help.out.contains(QStringLiteral("--from YYYY-MM-DD --to YYYY-MM-DD [--csv]")));
}

void CommandLineTest::versionIsPrinted()
{
    const Run version = ktvWith({QStringLiteral("--version")});
    QCOMPARE(version.code, 0);
    QVERIFY2(QRegularExpression(QStringLiteral("^ktv \\d+\\.\\d+\\n$")).match(version.out).hasMatch(),
             qPrintable(version.out));
}

void CommandLineTest::refusedWithoutDoingAnything_data()
{
    QTest::addColumn<QStringList>("arguments");
    const QString report = QStringLiteral("--report takings --from 2026-12-01 --to 2026-12-02");
    QTest::newRow("backup and restore") << QStringLiteral("--backup --restore chosen.db").split(' ');
    QTest::newRow("report and backup") << QString(report + QStringLiteral(" --backup")).split(' ');
    QTest::newRow("check and backup") << QStringLiteral("--check --backup").split(' ');
    QTest::newRow("help and version") << QStringLiteral("--help --version").split(' ');
    QTest::newRow("a stray argument") << QStringLiteral("--backup now").split(' ');
    QTest::newRow("a stray argument alone") << QStringList{QStringLiteral("backup")};
    QTest::newRow("an unknown option") << QStringLiteral("--backup --force").split(' ');
    QTest::newRow("one verb twice with two files") << QStringLiteral("--restore a.db --restore b.db").split(' ');
    QTest::newRow("demo without create-data") << QStringLiteral("--backup --demo").split(' ');
    QTest::newRow("csv without report") << QStringLiteral("--check --csv").split(' ');
    QTest::newRow("staff without a role") << QStringLiteral("--add-staff S01 张三").split(' ');
    QTest::newRow("database that names no server") << QStringLiteral("--database ktv.db").split(' ');
    QTest::newRow("copy-to and backup") << QStringLiteral("--copy-to copy.db --backup").split(' ');
}

void CommandLineTest::refusedWithoutDoingAnything()
{
    QFETCH(QStringList, arguments);
    StoreFixture f;
    f.db.reset();
    const QStringList before = QDir(f.folder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    const Run run = ktvWith(QStringList{QStringLiteral("--data-dir"), f.folder()} + arguments);
    QCOMPARE(run.code, 2);
    QVERIFY(run.out.isEmpty());
    QVERIFY2(run.err.startsWith(QStringLiteral("ktv: ")) && run.err.contains(QStringLiteral("--help")),
             qPrintable(run.err));
    QCOMPARE(QDir(f.folder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before); // no backup taken
}

void CommandLineTest::staffAddedWithTheirPasswordHashed()
{
    StoreFixture f;
    f.db.reset();
    const QStringList add{QStringLiteral("--data-dir"), f.folder(), QStringLiteral("--add-staff"), QStringLiteral("S01"),
                          QStringLiteral("张三"), QStringLiteral("经理")};
    const Run added = ktvWith(add, QByteArrayLiteral("门1234\n"));
    QVERIFY2(added.code == 0, qPrintable(added.err));
    QCOMPARE(ktvWith(add, QByteArrayLiteral("other\n")).code, 1); // the number is taken
    QCOMPARE(ktvWith({QStringLiteral("--data-dir"), f.folder(), QStringLiteral("--add-staff"), QStringLiteral("S02"),
                      QStringLiteral("李四"), QStringLiteral("老板")},
                     QByteArrayLiteral("x\n"))
                 .code,
             1); // no such role
    f.db = Database::open(f.folder());
    QSqlQuery staff = f.db->run(QStringLiteral("SELECT Staff_name, Staff_role, Staff_active, Staff_password FROM Staff"));
    QVERIFY(staff.next());
    QCOMPARE(staff.value(0).toString(), QStringLiteral("张三"));
    QCOMPARE(staff.value(1).toString(), QStringLiteral("经理"));
    QCOMPARE(staff.value(2).toString(), tables::yes);
    QVERIFY(!staff.value(3).toString().contains(QStringLiteral("门1234")));
    QVERIFY(staff::checkPassword(QStringLiteral("门1234"), staff.value(3).toString()));
    QVERIFY(!staff.next());
    QCOMPARE(f.count(QStringLiteral("Journal")), 1);
}

QTEST_MAIN(CommandLineTest)
#include "test_commandline.moc"
