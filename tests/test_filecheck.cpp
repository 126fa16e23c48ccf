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

enum Damage { None, IndexPage, NotADatabase, Header, Schema, MissingFolder };

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
