// A database made by the release before staff accountability: the next start backs it up, then adds the
// staff, journal and shift tables; a backup of it restores and is upgraded the same way.
#include "appfixture.h"

#include "backup/backupverbs.h"

#include <QDir>
#include <QFile>
#include <QTextStream>
#include <QtTest>

using namespace ktv;

namespace {

// Turns the fixture's database into one as an earlier release made it, with a room in it.
void makeEarlierRelease(StoreFixture &f, int version = 1)
{
    f.addRoom(QStringLiteral("101"));
    for (int later = version + 1; later <= Database::schemaVersion; ++later) {
        for (const TableDef *table : tables::addedIn(later))
            f.db->run(QStringLiteral("DROP TABLE \"%1\"").arg(table->name));
    }
    f.db->run(QStringLiteral("PRAGMA user_version=%1").arg(version));
    f.db.reset();
}

int userVersion(const QString &folder)
{
    std::unique_ptr<Database> db = Database::open(folder);
    QSqlQuery q = db->run(QStringLiteral("PRAGMA user_version"));
    return q.next() ? q.value(0).toInt() : -1;
}

} // namespace

class UpgradeTest : public QObject
{
    Q_OBJECT
private slots:
    void startBacksUpThenAddsTheStaffTables();
    void failedBackupLeavesTheDatabaseAsItWas();
    void backupOfAnEarlierReleaseRestoresAndUpgrades();
};

void UpgradeTest::startBacksUpThenAddsTheStaffTables()
{
    AppFixture f;
    makeEarlierRelease(f);
    QCOMPARE(userVersion(f.folder()), 1); // opens as it is, for the verbs that only read
    f.start();
    QVERIFY(f.program);
    QCOMPARE(userVersion(f.folder()), Database::schemaVersion);
    f.db = Database::open(f.folder());
    QCOMPARE(f.count(QStringLiteral("room")), 1);
    QCOMPARE(f.count(QStringLiteral("Journal")), 0);
    // The backup is the database as the earlier release left it.
    const QStringList backups = QDir(f.folder() + QStringLiteral("/backups")).entryList({QStringLiteral("auto-*.db")});
    QCOMPARE(backups.size(), 1);
    QTemporaryDir copy;
    QVERIFY(QFile::copy(f.folder() + QStringLiteral("/backups/") + backups.first(), Database::fileNameIn(copy.path())));
    QCOMPARE(userVersion(copy.path()), 1);
}

void UpgradeTest::failedBackupLeavesTheDatabaseAsItWas()
{
    AppFixture f;
    makeEarlierRelease(f);
    QFile blocker(f.folder() + QStringLiteral("/backups")); // a file where the backup folder should be
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    f.program = startProgram(f.folder(), f.services.platform());
    QVERIFY(!f.program);
    QCOMPARE(f.services.dialogs.errors().size(), 1);
    QVERIFY(f.services.dialogs.errors().first().contains(QStringLiteral("数据库没有升级")));
    QCOMPARE(userVersion(f.folder()), 1);
}

void UpgradeTest::backupOfAnEarlierReleaseRestoresAndUpgrades()
{
    AppFixture f;
    makeEarlierRelease(f, 2);
    const QString old = f.work.filePath(QStringLiteral("earlier.db"));
    QVERIFY(QFile::copy(Database::fileNameIn(f.folder()), old));
    QTemporaryDir target;
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    QCOMPARE(restoreVerb(target.path(), old, f.services.clock, out, err), 0);
    QCOMPARE(userVersion(target.path()), 2);
    f.program = startProgram(target.path(), f.services.platform());
    QVERIFY2(f.program, qPrintable(errText));
    QCOMPARE(userVersion(target.path()), Database::schemaVersion);
    f.program.reset();
    f.db = Database::open(target.path());
    QCOMPARE(f.count(QStringLiteral("room")), 1);
    QCOMPARE(f.count(QStringLiteral("Reservation")), 0);
}

QTEST_MAIN(UpgradeTest)
#include "test_upgrade.moc"
