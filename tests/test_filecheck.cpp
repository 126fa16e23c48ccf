#include "appfixture.h"

#include "app/checkdata.h"
#include "store/integritycheck.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QTimer>
#include <QSet>
#include <QTextStream>
#include <QtTest>

using namespace ktv;

namespace {

enum Damage { None, IndexPage, NotADatabase, Header, Schema, MissingFolder, LastPageCut };

QByteArray readAll(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAt(const QString &fileName, qint64 offset, const QByteArray &bytes)
{
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.seek(offset));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Overwrites a page in the middle of the index of visits by member, built last so that its pages lie at the
// end of the file. The header, the schema and the first and last record of every table read as before, and
// no screen reads that index whole at start: only a full check finds the damage.
void damageVisitIndex(StoreFixture &f)
{
    f.db->run(QStringLiteral("DROP INDEX room_cust_id"));
    f.db->run(QStringLiteral("INSERT INTO Openroom (Openroom_Customers_id, Openroom_room_id, Openroom_beizhu) "
                             "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
                             "SELECT printf('%07d', i % 4999), '101', '结清' FROM n"));
    QSqlQuery pages = f.db->run(QStringLiteral("PRAGMA page_count"));
    QVERIFY(pages.next());
    const int before = pages.value(0).toInt();
    pages.finish();
    f.db->run(QStringLiteral("CREATE INDEX room_cust_id ON Openroom (Openroom_Customers_id)"));
    QSet<int> roots;
    QSqlQuery schema = f.db->run(QStringLiteral("SELECT rootpage FROM sqlite_schema"));
    while (schema.next())
        roots << schema.value(0).toInt();
    schema.finish();
    f.db.reset(); // the last connection writes the log back into the file

    const QString file = Database::fileNameIn(f.folder());
    const QByteArray bytes = readAll(file);
    const int pageSize = quint8(bytes[16]) << 8 | quint8(bytes[17]);
    QList<int> leaves; // index leaf pages of the new index
    for (int page = before + 1; qint64(page) * pageSize <= bytes.size(); ++page) {
        if (!roots.contains(page) && bytes[qsizetype(page - 1) * pageSize] == 0x0A)
            leaves << page;
    }
    QVERIFY2(leaves.size() > 10, qPrintable(QString::number(leaves.size())));
    writeAt(file, qint64(leaves[leaves.size() / 2] - 1) * pageSize, QByteArray(pageSize, '\xff'));
}

void damage(StoreFixture &f, int what)
{
    const QString file = Database::fileNameIn(f.folder());
    if (what == IndexPage) {
        damageVisitIndex(f);
        return;
    }
    f.db.reset();
    if (what == NotADatabase) {
        QFile text(file);
        QVERIFY(text.open(QIODevice::WriteOnly | QIODevice::Truncate));
        text.write(QByteArray("Room 101, 102, 103\n").repeated(400));
    } else if (what == Header) {
        writeAt(file, 16, QByteArray("\x03\x00", 2)); // a page size that is no power of two
    } else if (what == LastPageCut) {
        QFile cut(file);
        QVERIFY(cut.open(QIODevice::ReadWrite));
        const QByteArray bytes = readAll(file);
        const int pageSize = quint8(bytes[16]) << 8 | quint8(bytes[17]);
        QVERIFY(cut.resize(cut.size() - pageSize));
    } else if (what == Schema) {
        const QByteArray table("CREATE TABLE \"Pear\"");
        const qsizetype at = readAll(file).indexOf(table);
        QVERIFY(at > 0);
        writeAt(file, at, QByteArray("CREATE TABLX \"Pear\""));
    }
}

QString folderOf(StoreFixture &f, int what)
{
    return what == MissingFolder ? QDir(f.folder()).filePath(QStringLiteral("missing")) : f.folder();
}

} // namespace

class FileCheckTest : public QObject
{
    Q_OBJECT

private slots:
    void startRefusalsAndCheckVerb_data();
    void startRefusalsAndCheckVerb();
    void damageFoundAfterStartIsShown();
    void damagedIndexReadAtStart();
    void checkNamesForeignObjectsAndMissingIndexes();
    void checkShowsFirstTenProblems();
    void soundFileShowsNothing();
};

void FileCheckTest::startRefusalsAndCheckVerb_data()
{
    QTest::addColumn<int>("damage");
    QTest::addColumn<QString>("startRefusal"); // empty: the start goes on
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("reported");
    QTest::newRow("sound") << int(None) << QString() << 0 << QStringLiteral("ok");
    QTest::newRow("index page") << int(IndexPage) << QString() << 1 << QStringLiteral("已损坏");
    QTest::newRow("not a database") << int(NotADatabase) << QStringLiteral("不是数据库文件") << 1
                                    << QStringLiteral("不是数据库文件");
    QTest::newRow("header") << int(Header) << QStringLiteral("文件头已损坏") << 1 << QStringLiteral("文件头已损坏");
    QTest::newRow("schema") << int(Schema) << QStringLiteral("表结构已损坏") << 1 << QStringLiteral("表结构已损坏");
    QTest::newRow("last page cut off") << int(LastPageCut) << QStringLiteral("短 1 页") << 1
                                       << QStringLiteral("短 1 页");
    QTest::newRow("missing folder") << int(MissingFolder) << QStringLiteral("找不到数据文件夹") << 1
                                    << QStringLiteral("找不到数据文件夹");
}

void FileCheckTest::startRefusalsAndCheckVerb()
{
    QFETCH(int, damage);
    QFETCH(QString, startRefusal);
    QFETCH(int, exitCode);
    QFETCH(QString, reported);
    StoreFixture f;
    ::damage(f, damage);
    if (QTest::currentTestFailed())
        return;
    const QString folder = folderOf(f, damage);

    const QString refused = openError(folder);
    if (startRefusal.isEmpty())
        QVERIFY2(refused.isEmpty(), qPrintable(refused));
    else
        QVERIFY2(refused.contains(startRefusal), qPrintable(refused));
    // Damage found by a start names the file and says what to do.
    if (refused.contains(QStringLiteral("已损坏"))) {
        QVERIFY2(refused.contains(QDir::toNativeSeparators(Database::fileNameIn(folder))), qPrintable(refused));
        QVERIFY2(refused.contains(QStringLiteral("ktv --check")) && refused.contains(QStringLiteral("备份")),
                 qPrintable(refused));
    }

    QString output;
    QTextStream out(&output);
    QCOMPARE(checkVenueData(folder, out), exitCode);
    QVERIFY2(output.contains(reported), qPrintable(output));
    if (exitCode == 0)
        QCOMPARE(output.trimmed(), QStringLiteral("ok"));
}

void FileCheckTest::damageFoundAfterStartIsShown()
{
    AppFixture f;
    damageVisitIndex(f);
    QVERIFY(!QTest::currentTestFailed());
    TFormMain &main = f.start();
    QVERIFY(main.isVisible()); // the cashier has the window while the file is read
    QTRY_COMPARE(f.program->check->state(), BackgroundCheck::State::Damaged);
    // Shown once by the error display (the automatic backup of the damaged file may report its own failure).
    const QString shown = f.program->check->message();
    QCOMPARE(f.services.dialogs.errors().count(shown), 1);
    QVERIFY(shown.contains(QDir::toNativeSeparators(Database::fileNameIn(f.folder()))));
    QVERIFY(shown.contains(QStringLiteral("用最近的备份恢复数据库")));

    // The backup window shows the same finding.
    QString inWindow;
    QTimer::singleShot(0, [&] {
        QWidget *window = QApplication::activeModalWidget();
        if (auto *label = window ? window->findChild<QLabel *>(QStringLiteral("LabelCheck")) : nullptr)
            inWindow = label->text();
        if (window)
            window->close();
    });
    main.menuEntry(QStringLiteral("Backup"))->trigger();
    QVERIFY2(inWindow.contains(shown), qPrintable(inWindow));
}

void FileCheckTest::damagedIndexReadAtStart()
{
    // The index of unsettled visits, one page, wiped: the header, the schema and the tables read as before,
    // but the start reads the unsettled visits through it.
    AppFixture f;
    f.addRecord(tables::openroom(), {});
    QSqlQuery root = f.db->run(QStringLiteral("SELECT rootpage FROM sqlite_schema WHERE name = 'open_visits'"));
    QVERIFY(root.next());
    const int page = root.value(0).toInt();
    root.finish();
    f.db.reset();
    const QString file = Database::fileNameIn(f.folder());
    const QByteArray bytes = readAll(file);
    const int pageSize = quint8(bytes[16]) << 8 | quint8(bytes[17]);
    writeAt(file, qint64(page - 1) * pageSize, QByteArray(pageSize, '\xff'));

    QString error;
    auto program = startProgram(f.folder(), f.services.platform(), &error);
    QVERIFY(!program);
    QVERIFY2(error.contains(QDir::toNativeSeparators(file)) && error.contains(QStringLiteral("已损坏")),
             qPrintable(error));
    QVERIFY2(error.contains(QStringLiteral("ktv --check")) && error.contains(QStringLiteral("备份")),
             qPrintable(error));
    QCOMPARE(f.services.dialogs.errors(), QStringList{error});
}

void FileCheckTest::checkNamesForeignObjectsAndMissingIndexes()
{
    StoreFixture f;
    f.db->run(QStringLiteral("CREATE TRIGGER purge AFTER INSERT ON Openroom BEGIN DELETE FROM Customers; END"));
    f.db->run(QStringLiteral("DROP INDEX open_rooms"));
    // Made by the reports when first needed: neither foreign nor missed.
    f.db->run(QStringLiteral("CREATE INDEX visits_by_checkout ON Openroom (Openroom_endtime)"));
    f.db.reset();
    QString output;
    QTextStream out(&output);
    QCOMPARE(checkVenueData(f.folder(), out), 1);
    QVERIFY2(output.contains(QStringLiteral("触发器 purge")), qPrintable(output));
    QVERIFY2(output.contains(QStringLiteral("缺少索引：open_rooms")), qPrintable(output));
    QVERIFY2(!output.contains(QStringLiteral("visits_by_checkout")), qPrintable(output));
}

void FileCheckTest::checkShowsFirstTenProblems()
{
    // An index whose recorded definition no longer matches its entries: every visit is missing from it.
    StoreFixture f;
    f.db->run(QStringLiteral("INSERT INTO Openroom (Openroom_Customers_id, Openroom_room_id) "
                             "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
                             "SELECT printf('%07d', i), printf('%03d', i) FROM n"));
    f.db->run(QStringLiteral("PRAGMA writable_schema=ON"));
    f.db->run(QStringLiteral("UPDATE sqlite_schema SET sql = 'CREATE INDEX room_cust_id ON Openroom "
                             "(Openroom_room_id)' WHERE name = 'room_cust_id'"));
    f.db.reset();
    QString output;
    QTextStream out(&output);
    QCOMPARE(checkVenueData(f.folder(), out), 1);
    QCOMPARE(output.count(QStringLiteral("missing from index")), 10);
    QVERIFY2(output.contains(QStringLiteral("另有至少 %1 处").arg(kProblemsCounted - 10)), qPrintable(output));
}

void FileCheckTest::soundFileShowsNothing()
{
    AppFixture f;
    f.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    f.start();
    // A write by the cashier while the check reads: the check sees one consistent state of the file.
    f.addMember(QStringLiteral("002"), QStringLiteral("乙"));
    QTRY_COMPARE(f.program->check->state(), BackgroundCheck::State::Ok);
    QVERIFY(f.services.dialogs.errors().isEmpty());
}

QTEST_MAIN(FileCheckTest)
#include "test_filecheck.moc"
