#include "appfixture.h"

#include "backup/backupfolder.h"
#include "backup/backupjob.h"
#include "backup/backupverbs.h"
#include "backup/folderlock.h"
#include "backup/formbackup.h"
#include "backup/onlinecopy.h"
#include "backup/restore.h"
#include "backup/restoreatexit.h"
#include "backup/sqlitefile.h"
#include "maintenance/databaseinit.h"
#include "maintenance/emptytables.h"
#include "store/storeerror.h"

#include <QDirIterator>
#include <QLockFile>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>
#include <QtTest>

#include <atomic>

using namespace ktv;

namespace {

QString code(int i)
{
    return QStringLiteral("%1").arg(i, 5, 10, QLatin1Char('0'));
}

// The first column of every row the statement gives on the file.
QStringList column(const QString &file, const QString &sql)
{
    SqliteFile db(file);
    return db.rows(sql);
}

// Every file under the folder with its bytes.
QMap<QString, QByteArray> snapshot(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        file.open(QIODevice::ReadOnly);
        files.insert(QDir(folder).relativeFilePath(file.fileName()), file.readAll());
    }
    return files;
}

// An empty file; modified at the moment given, if any.
void touch(const QString &path, const QDateTime &modified = {})
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    if (modified.isValid())
        QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
}

// A lock file as a program killed while holding it leaves it: written by a process that is gone.
void leaveLockOfKilledProcess(const QString &path)
{
    QProcess gone;
    gone.start(QCoreApplication::applicationFilePath(), {QStringLiteral("-functions")});
    QVERIFY(gone.waitForStarted());
    const qint64 deadPid = gone.processId();
    QVERIFY(gone.waitForFinished());
    QByteArray content;
    {
        QLockFile lock(path);
        QVERIFY(lock.tryLock(0));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        content = file.readAll();
    }
    QList<QByteArray> lines = content.split('\n');
    lines[0] = QByteArray::number(deadPid);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(lines.join('\n'));
}

struct Verb
{
    QString out;
    QString err;
    QTextStream outStream{&out};
    QTextStream errStream{&err};
};

void waitForDailyBackup(AppFixture &f)
{
    if (BackupJob *job = f.program->dailyBackup.get())
        QTRY_VERIFY(job->isFinished());
}

} // namespace

class BackupTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { restoreAtExit(nullptr); }
    void backupIsOneCommittedMoment();
    void backupVerbNamesOnlyWholeCopies();
    void restoreRefuses_data();
    void restoreRefuses();
    void restoreKeepsReplacedDatabase();
    void automaticBackupAfterStart_data();
    void automaticBackupAfterStart();
    void clearingIsPrecededByBackup();
    void clockPutBackKeepsNewestBackup();
    void leftoversOfKilledRunsGo();
    void copiesKeepDatabasePermissions();
    void fullDiskNamesTheBackupFile();
    void restoreMakesMissingIndexes();
    void windowBacksUpAndRestoresAtExit();
};

void BackupTest::backupIsOneCommittedMoment()
{
    StoreFixture f;
    f.addRecord(tables::pear(), {{QStringLiteral("Pear_bm"), code(0)}});

    // A write still uncommitted on another connection neither holds the backup up nor gets into it.
    auto other = Database::open(f.folder());
    {
        Transaction tx(*other);
        other->run(QStringLiteral("INSERT INTO Pear (Pear_bm) VALUES ('pending')"));
        const QString path = takeBackup(f.folder(), BackupKind::Manual, ScriptedClock::defaultMoment());
        QCOMPARE(column(path, QStringLiteral("SELECT Pear_bm FROM Pear")), QStringList{code(0)});
        tx.commit();
    }

    // A second connection commits a drink and its order line together, over and over, while the copy is made:
    // the backup holds the first k pairs whole, for one k.
    std::atomic<int> written{0};
    std::atomic<bool> stop{false};
    QString writerError;
    QThread *writer = QThread::create([&] {
        try {
            auto db = Database::open(f.folder());
            for (int i = 1; !stop; ++i) {
                Transaction tx(*db);
                db->run(QStringLiteral("INSERT INTO Pear (Pear_bm) VALUES (?)"), {code(i)});
                db->run(QStringLiteral("INSERT INTO Callpear (Pear_id) VALUES (?)"), {code(i)});
                tx.commit();
                written = i;
            }
        } catch (const StoreError &e) {
            writerError = e.message();
        }
    });
    writer->start();
    QTRY_VERIFY(written >= 20);
    const int before = written;
    const QString path = takeBackup(f.folder(), BackupKind::Manual, ScriptedClock::defaultMoment());
    const int after = written;
    stop = true;
    writer->wait();
    delete writer;
    QVERIFY2(writerError.isEmpty(), qPrintable(writerError));

    const QStringList drinks = column(path, QStringLiteral("SELECT Pear_bm FROM Pear WHERE Pear_bm <> '%1' "
                                                           "AND Pear_bm <> 'pending' ORDER BY Pear_bm")
                                                .arg(code(0)));
    const QStringList lines = column(path, QStringLiteral("SELECT Pear_id FROM Callpear ORDER BY Pear_id"));
    QCOMPARE(lines, drinks);
    QVERIFY2(drinks.size() >= before && drinks.size() <= after,
             qPrintable(QStringLiteral("%1 <= %2 <= %3").arg(before).arg(drinks.size()).arg(after)));
    for (int i = 0; i < drinks.size(); ++i)
        QCOMPARE(drinks[i], code(i + 1));
    QVERIFY(integrityProblems(path).isEmpty());
}

void BackupTest::backupVerbNamesOnlyWholeCopies()
{
    StoreFixture f;
    f.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    ScriptedClock clock;
    const QString folder = backupFolderOf(f.folder());

    // Two in one second get two names.
    for (const char *name : {"ktv-20261208-200000.db", "ktv-20261208-200000-1.db"}) {
        Verb verb;
        QCOMPARE(backupVerb(f.folder(), clock, verb.outStream, verb.errStream), 0);
        QCOMPARE(verb.out.trimmed(), QDir::toNativeSeparators(QDir(folder).filePath(QLatin1String(name))));
        QCOMPARE(
            column(QDir(folder).filePath(QLatin1String(name)), QStringLiteral("SELECT Customers_id FROM Customers")),
            QStringList{QStringLiteral("001")});
    }

    // A folder whose database is gone: a failure, and no file left under a backup's name or half-written.
    TempDataFolder empty;
    Verb failed;
    QCOMPARE(backupVerb(empty.path(), clock, failed.outStream, failed.errStream), 1);
    QVERIFY(failed.err.contains(QStringLiteral("找不到数据库文件")));
    QVERIFY(failed.out.isEmpty());
    QCOMPARE(QDir(backupFolderOf(empty.path())).entryList(QDir::Files), QStringList());

    // A database whose table pages are damaged gives no backup either.
    f.db.reset();
    QFile file(Database::fileNameIn(f.folder()));
    QVERIFY(file.open(QIODevice::ReadWrite));
    const qint64 pageSize = 4096;
    QVERIFY(file.size() >= 3 * pageSize);
    file.seek(pageSize);
    file.write(QByteArray(file.size() - pageSize, '\x5a'));
    file.close();
    Verb damaged;
    QCOMPARE(backupVerb(f.folder(), clock, damaged.outStream, damaged.errStream), 1);
    QVERIFY(damaged.err.contains(QStringLiteral("备份失败")));
    QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 2);
}

void BackupTest::restoreRefuses_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("why");
    QTest::newRow("garbage") << "garbage"
                             << "不能从该文件恢复";
    QTest::newRow("another program's database") << "other"
                                                << "不是本程序的数据库";
    QTest::newRow("a later schema version") << "later"
                                            << "更新版本";
    QTest::newRow("missing table") << "missing-table"
                                   << "缺少表";
    QTest::newRow("damaged") << "damaged"
                             << "不能从该文件恢复";
    // Schema objects the program never makes: a trigger could change data behind the program's back.
    QTest::newRow("trigger") << "trigger"
                             << "触发器 purge";
    QTest::newRow("view") << "view"
                          << "视图 everyone";
    QTest::newRow("table") << "table"
                           << "表 extra";
    QTest::newRow("program running on the folder") << "running"
                                                   << "程序正在使用数据文件夹";
}

void BackupTest::restoreRefuses()
{
    QFETCH(QString, file);
    QFETCH(QString, why);
    AppFixture f;
    {
        Transaction tx(*f.db);
        for (int i = 0; i < 200; ++i) // several pages, so that a damaged one in the middle is a table's
            f.addMember(code(i), QStringLiteral("会员%1").arg(i));
        tx.commit();
    }
    const QString good = takeBackup(f.folder(), BackupKind::Manual, f.services.clock.now());
    const QString bad = QDir(backupFolderOf(f.folder())).filePath(QStringLiteral("chosen.db"));
    if (file == QLatin1String("garbage")) {
        QFile out(bad);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(QByteArray(8192, 'x'));
    } else if (file == QLatin1String("running")) {
        QFile::copy(good, bad);
    } else {
        QFile::copy(good, bad);
        SqliteFile db(bad);
        if (file == QLatin1String("other")) {
            db.rows(QStringLiteral("PRAGMA user_version=0"));
        } else if (file == QLatin1String("later")) {
            db.rows(QStringLiteral("PRAGMA user_version=%1").arg(Database::schemaVersion + 1));
        } else if (file == QLatin1String("missing-table")) {
            db.rows(QStringLiteral("DROP TABLE Callpear"));
        } else if (file == QLatin1String("trigger")) {
            db.rows(QStringLiteral("CREATE TRIGGER purge AFTER INSERT ON Openroom BEGIN DELETE FROM Customers; END"));
        } else if (file == QLatin1String("view")) {
            db.rows(QStringLiteral("CREATE VIEW everyone AS SELECT * FROM Customers"));
        } else if (file == QLatin1String("table")) {
            db.rows(QStringLiteral("CREATE TABLE extra (x)"));
        }
    }
    if (file == QLatin1String("damaged")) {
        QFile out(bad);
        QVERIFY(out.open(QIODevice::ReadWrite));
        out.seek(out.size() / 2);
        out.write(QByteArray(4096, '\x5a'));
    }

    if (file == QLatin1String("running")) {
        f.start();
        waitForDailyBackup(f);
        // A second program on the same folder is refused at start too.
        TestPlatform second;
        QString error;
        QVERIFY(!startProgram(f.folder(), second.platform(), &error));
        QVERIFY(error.contains(QStringLiteral("另一个运行中的本程序")));
    } else {
        f.db.reset();
    }
    const QMap<QString, QByteArray> before = snapshot(f.folder());
    Verb verb;
    QCOMPARE(restoreVerb(f.folder(), bad, f.services.clock, verb.outStream, verb.errStream), 1);
    QVERIFY2(verb.err.contains(why), qPrintable(verb.err));
    QVERIFY(verb.out.isEmpty());
    QCOMPARE(snapshot(f.folder()), before);
}

void BackupTest::restoreKeepsReplacedDatabase()
{
    StoreFixture f;
    f.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    ScriptedClock clock;
    const QString backup = takeBackup(f.folder(), BackupKind::Manual, clock.now());
    f.addMember(QStringLiteral("002"), QStringLiteral("乙"));

    // The folder as a program that died would leave it: member 002 only in the WAL, not yet in the database.
    TempDataFolder crashed;
    const QString database = Database::fileNameIn(crashed.path());
    QVERIFY(QFileInfo(Database::fileNameIn(f.folder()) + QStringLiteral("-wal")).size() > 0);
    for (const QString &suffix : {QString(), QStringLiteral("-wal")})
        QVERIFY(QFile::copy(Database::fileNameIn(f.folder()) + suffix, database + suffix));

    // Another program with the database open, idle, as a client PC's may be: its file is not replaced.
    Verb busy;
    QCOMPARE(restoreVerb(f.folder(), backup, clock, busy.outStream, busy.errStream), 1);
    QVERIFY2(busy.err.contains(QStringLiteral("正被其他程序使用")), qPrintable(busy.err));
    QCOMPARE(f.count(QStringLiteral("Customers")), 2);
    QCOMPARE(listBackups(f.folder()).size(), 1); // no before-restore copy of a restore that did not happen

    clock.advance(60 * 1000);
    Verb verb;
    QCOMPARE(restoreVerb(crashed.path(), backup, clock, verb.outStream, verb.errStream), 0);
    QVERIFY2(verb.err.isEmpty(), qPrintable(verb.err));

    // The old WAL is gone and none of it was replayed onto the restored file.
    QVERIFY(!QFileInfo::exists(database + QStringLiteral("-wal")));
    QVERIFY(!QFileInfo::exists(database + QStringLiteral("-shm")));
    const QString kept =
        QDir(backupFolderOf(crashed.path())).filePath(QStringLiteral("before-restore-20261208-200100.db"));
    QVERIFY(verb.out.contains(QDir::toNativeSeparators(kept)));
    QCOMPARE(column(kept, QStringLiteral("SELECT Customers_id FROM Customers ORDER BY 1")),
             (QStringList{QStringLiteral("001"), QStringLiteral("002")}));
    auto restored = Database::open(crashed.path());
    QSqlQuery members = restored->run(QStringLiteral("SELECT Customers_id FROM Customers"));
    QVERIFY(members.next());
    QCOMPARE(members.value(0).toString(), QStringLiteral("001"));
    QVERIFY(!members.next());
    members.finish();
    restored.reset();

    // A damaged database, which cannot be copied through SQLite, is kept byte for byte and replaced.
    TempDataFolder damaged;
    const QString broken = Database::fileNameIn(damaged.path());
    QVERIFY(QFile::copy(backup, broken));
    QFile file(broken);
    QVERIFY(file.open(QIODevice::ReadWrite));
    file.seek(4096);
    file.write(QByteArray(file.size() - 4096, '\x5a'));
    file.close();
    const QByteArray brokenBytes = snapshot(damaged.path()).value(QStringLiteral("ktv.db"));
    Verb overDamaged;
    QCOMPARE(restoreVerb(damaged.path(), backup, clock, overDamaged.outStream, overDamaged.errStream), 0);
    QCOMPARE(listBackups(damaged.path()).size(), 1);
    QCOMPARE(snapshot(damaged.path()).value(QStringLiteral("backups/before-restore-20261208-200100.db")), brokenBytes);
    QVERIFY(Database::open(damaged.path()));

    // Restoring into a folder that holds no database yet (a new PC) keeps nothing and needs nothing kept.
    TempDataFolder fresh;
    const QString target = QDir(fresh.path()).filePath(QStringLiteral("data"));
    Verb second;
    QCOMPARE(restoreVerb(target, backup, clock, second.outStream, second.errStream), 0);
    QVERIFY(Database::open(target));
    QVERIFY(listBackups(target).isEmpty());
}

void BackupTest::automaticBackupAfterStart_data()
{
    QTest::addColumn<QList<int>>("autoAgesHours");  // placeholders of older automatic backups
    QTest::addColumn<QList<int>>("otherAgesHours"); // manual ones
    QTest::addColumn<bool>("taken");
    QTest::newRow("none yet") << QList<int>{} << QList<int>{} << true;
    QTest::newRow("newest older than a day") << QList<int>{25, 49} << QList<int>{30} << true;
    QTest::newRow("a manual one within the day") << QList<int>{49} << QList<int>{23} << false;
    QList<int> many;
    for (int i = 0; i < 20; ++i)
        many << 25 + 24 * i;
    QTest::newRow("twenty automatic ones") << many << QList<int>{600, 2000} << true;
}

void BackupTest::automaticBackupAfterStart()
{
    QFETCH(QList<int>, autoAgesHours);
    QFETCH(QList<int>, otherAgesHours);
    QFETCH(bool, taken);
    AppFixture f;
    const QDateTime now = f.services.clock.now();
    const QDir folder(backupFolderOf(f.folder()));
    for (int hours : autoAgesHours) {
        const QDateTime taken = now.addSecs(-3600 * hours);
        touch(folder.filePath(backupFileName(BackupKind::Automatic, taken)), taken);
    }
    for (int hours : otherAgesHours) {
        const QDateTime taken = now.addSecs(-3600 * hours);
        touch(folder.filePath(backupFileName(BackupKind::Manual, taken)), taken);
        touch(folder.filePath(backupFileName(BackupKind::BeforeRestore, taken)), taken);
    }
    f.start();
    QCOMPARE(f.program->dailyBackup != nullptr, taken);
    waitForDailyBackup(f);
    QVERIFY(f.services.dialogs.errors().isEmpty());

    const QList<BackupFile> backups = listBackups(f.folder());
    QList<QDateTime> automatic;
    int others = 0;
    for (const BackupFile &b : backups) {
        if (b.kind == BackupKind::Automatic)
            automatic << b.taken;
        else
            ++others;
    }
    QCOMPARE(others, 2 * otherAgesHours.size()); // never pruned
    QList<QDateTime> expected;
    if (taken)
        expected << now;
    for (int hours : autoAgesHours)
        expected << now.addSecs(-3600 * hours);
    expected = expected.mid(0, kKeptAutomaticBackups); // the newest fourteen
    QCOMPARE(automatic, expected);
    if (taken)
        QCOMPARE(column(backups.first().path, QStringLiteral("PRAGMA user_version")),
                 QStringList{QString::number(Database::schemaVersion)});
}

void BackupTest::clearingIsPrecededByBackup()
{
    AppFixture f;
    for (const char *id : {"000", "001", "002"})
        f.addMember(QLatin1String(id), QStringLiteral("某"));
    f.start();
    waitForDailyBackup(f);
    f.services.clock.advance(3600 * 1000);
    f.services.dialogs.answerText(QStringLiteral("RoomKeeper"));
    f.services.dialogs.answerYes();
    bool opened = false;
    zapData(f.data(), f.services.platform(), f.program->main.get(), [&](TFormEmptyTable &window) {
        opened = true;
        const QList<BackupFile> backups = listBackups(f.folder());
        QCOMPARE(backups.size(), 2);
        QCOMPARE(backups.first().taken, f.services.clock.now());
        QCOMPARE(backups.first().kind, BackupKind::Automatic);
        window.findChild<QPushButton *>(QStringLiteral("BitBtn1"))->click();
    });
    QVERIFY(opened);
    QCOMPARE(f.count(QStringLiteral("Customers")), 1);
    QCOMPARE(column(listBackups(f.folder()).first().path, QStringLiteral("SELECT COUNT(*) FROM Customers")),
             QStringList{QStringLiteral("3")});

    // When the backup cannot be written, the window never opens and nothing is cleared.
    AppFixture blocked;
    blocked.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    touch(backupFolderOf(blocked.folder())); // a file where the backups folder should be
    blocked.start();
    QCOMPARE(blocked.services.dialogs.errors().size(), 1); // the automatic backup after start-up
    blocked.services.dialogs.answerText(QStringLiteral("RoomKeeper"));
    blocked.services.dialogs.answerYes();
    bool reached = false;
    QVERIFY_THROWS_EXCEPTION(StoreError,
                             zapData(blocked.data(), blocked.services.platform(), blocked.program->main.get(),
                                     [&](TFormEmptyTable &) { reached = true; }));
    QVERIFY(!reached);
    QCOMPARE(blocked.services.beeper.count(), 0);
    QCOMPARE(blocked.count(QStringLiteral("Customers")), 1);
}

void BackupTest::clockPutBackKeepsNewestBackup()
{
    // The clock was a year ahead for a while: fourteen automatic backups are named and dated then. Another is
    // named for a later time than now but was written two days ago.
    AppFixture f;
    for (const char *id : {"000", "001"})
        f.addMember(QLatin1String(id), QStringLiteral("某"));
    const QDateTime now = f.services.clock.now();
    const QDir folder(backupFolderOf(f.folder()));
    for (int i = 0; i < kKeptAutomaticBackups; ++i) {
        const QDateTime ahead = now.addYears(1).addDays(i);
        touch(folder.filePath(backupFileName(BackupKind::Automatic, ahead)), ahead);
    }
    const QString misnamed = folder.filePath(backupFileName(BackupKind::Manual, now.addDays(30)));
    touch(misnamed, now.addDays(-2));

    // None of them is a backup of the last day: one is taken, and it is not pruned for ranking below them.
    f.start();
    QVERIFY(f.program->dailyBackup);
    waitForDailyBackup(f);
    QVERIFY2(f.services.dialogs.errors().isEmpty(), qPrintable(f.services.dialogs.errors().join('\n')));
    const QString daily = f.program->dailyBackup->path();
    QVERIFY(QFileInfo::exists(daily));
    QCOMPARE(listBackups(f.folder()).last().path, misnamed); // ordered by when it was written, not its name

    // The clearing's own backup stays too, and only then is anything cleared.
    f.services.clock.advance(3600 * 1000);
    f.services.dialogs.answerText(QStringLiteral("RoomKeeper"));
    f.services.dialogs.answerYes();
    QString beforeClearing;
    zapData(f.data(), f.services.platform(), f.program->main.get(), [&](TFormEmptyTable &window) {
        for (const BackupFile &b : listBackups(f.folder())) {
            if (b.kind == BackupKind::Automatic && b.taken == f.services.clock.now())
                beforeClearing = b.path;
        }
        window.findChild<QPushButton *>(QStringLiteral("BitBtn1"))->click();
    });
    QVERIFY(!beforeClearing.isEmpty());
    QCOMPARE(column(beforeClearing, QStringLiteral("SELECT COUNT(*) FROM Customers")),
             QStringList{QStringLiteral("2")});
    QCOMPARE(f.count(QStringLiteral("Customers")), 1);
}

void BackupTest::leftoversOfKilledRunsGo()
{
    AppFixture f;
    f.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    const QDir folder(backupFolderOf(f.folder()));
    const QDateTime now = f.services.clock.now();
    // A recent backup, so that the start takes none of its own.
    touch(folder.filePath(backupFileName(BackupKind::Manual, now)), now);

    // Killed mid-copy: a part as long as a database, and its lock file from a process that is gone.
    const QString killed = folder.filePath(backupFileName(BackupKind::Automatic, now.addDays(-3))) + ".part";
    QVERIFY(QFile::copy(Database::fileNameIn(f.folder()), killed));
    leaveLockOfKilledProcess(killed + ".lock");
    // One from before parts had lock files.
    const QString older = folder.filePath(backupFileName(BackupKind::Automatic, now.addDays(-4))) + ".part";
    touch(older);
    // A backup under way in another program: its part is locked and stays.
    const QString writing = folder.filePath(backupFileName(BackupKind::Manual, now.addSecs(-5))) + ".part";
    touch(writing);
    QLockFile held(writing + ".lock");
    QVERIFY(held.tryLock(0));
    // A restore killed while writing the database, and one killed with its checked copy in the temporary folder.
    const QString unfinished = Database::fileNameIn(f.folder()) + ".Ab12Cd";
    touch(unfinished);
    QTemporaryDir staged(QDir(QDir::tempPath()).filePath(QStringLiteral("ktv-restore-XXXXXX")));
    staged.setAutoRemove(false);
    touch(Database::fileNameIn(staged.path()));

    f.start();
    QVERIFY(!f.program->dailyBackup);
    QVERIFY(!QFileInfo::exists(killed));
    QVERIFY(!QFileInfo::exists(killed + ".lock"));
    QVERIFY(!QFileInfo::exists(older));
    QVERIFY(!QFileInfo::exists(unfinished));
    QVERIFY(!QFileInfo::exists(staged.path()));
    QVERIFY(QFileInfo::exists(writing));

    // The next backup removes a part left since, and takes the second another backup is writing in.
    QVERIFY(QFile::copy(Database::fileNameIn(f.folder()), killed));
    Verb verb;
    ScriptedClock clock;
    clock.set(now.addSecs(-5));
    QCOMPARE(backupVerb(f.folder(), clock, verb.outStream, verb.errStream), 0);
    QVERIFY(verb.out.contains(QStringLiteral("-1.db")));
    QVERIFY(!QFileInfo::exists(killed));
    QVERIFY(QFileInfo::exists(writing));
    held.unlock();
}

void BackupTest::copiesKeepDatabasePermissions()
{
    StoreFixture f;
    f.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    const QString database = Database::fileNameIn(f.folder());
    const QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
    QVERIFY(QFile::setPermissions(database, ownerOnly));
    const QFile::Permissions expected = QFileInfo(database).permissions();

    ScriptedClock clock;
    QCOMPARE(QFileInfo(takeBackup(f.folder(), BackupKind::Manual, clock.now())).permissions(), expected);

    // A restore's copy of what it replaces, and the restored database, are as closed as the database was.
    f.db.reset();
    const QString backup = listBackups(f.folder()).first().path;
    QVERIFY(QFile::setPermissions(backup, expected | QFile::ReadOther | QFile::ReadGroup));
    clock.advance(1000);
    Verb verb;
    QCOMPARE(restoreVerb(f.folder(), backup, clock, verb.outStream, verb.errStream), 0);
    for (const BackupFile &b : listBackups(f.folder())) {
        if (b.kind == BackupKind::BeforeRestore)
            QCOMPARE(QFileInfo(b.path).permissions(), expected);
    }
    QCOMPARE(QFileInfo(database).permissions(), expected);
}

void BackupTest::fullDiskNamesTheBackupFile()
{
    // A disk that is full for the backup: the part is a device that refuses every write as "no space".
    if (!QFileInfo(QStringLiteral("/dev/full")).exists())
        QSKIP("needs a device that is always full");
    StoreFixture f;
    f.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    QTemporaryDir elsewhere;
    CopyTarget target;
    target.partPath = elsewhere.filePath(QStringLiteral("full.part"));
    target.finalPath = elsewhere.filePath(QStringLiteral("full.db"));
    QVERIFY(QFile::link(QStringLiteral("/dev/full"), target.partPath));
    try {
        writeBackup(f.folder(), target);
        QFAIL("a backup onto a full disk was taken");
    } catch (const StoreError &e) {
        QVERIFY2(e.message().contains(QDir::toNativeSeparators(target.partPath)), qPrintable(e.message()));
        QVERIFY2(e.message().contains(QStringLiteral("磁盘空间不足")), qPrintable(e.message()));
        QVERIFY2(!e.message().contains(QDir::toNativeSeparators(Database::fileNameIn(f.folder()))),
                 qPrintable(e.message()));
    }
    QVERIFY(!QFileInfo::exists(target.finalPath));
}

void BackupTest::restoreMakesMissingIndexes()
{
    StoreFixture f;
    f.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    ScriptedClock clock;
    const QString chosen = takeBackup(f.folder(), BackupKind::Manual, clock.now());
    // A file whose indexes were dropped, and one of them made again in another form.
    try {
        SqliteFile db(chosen);
        db.rows(QStringLiteral("DROP INDEX open_visits"));
        db.rows(QStringLiteral("DROP INDEX Customers_id"));
        db.rows(QStringLiteral("DROP INDEX room_cust_id"));
        db.rows(QStringLiteral("CREATE INDEX room_cust_id ON Openroom (Openroom_room_id)"));
    } catch (const StoreError &e) {
        QFAIL(qPrintable(e.message()));
    }
    const QString sql = QStringLiteral("SELECT name || ' ' || sql FROM sqlite_schema WHERE type = 'index' AND sql "
                                       "IS NOT NULL ORDER BY name");
    const QStringList made = column(Database::fileNameIn(f.folder()), sql);
    f.db.reset();
    clock.advance(1000);
    Verb verb;
    QCOMPARE(restoreVerb(f.folder(), chosen, clock, verb.outStream, verb.errStream), 0);
    // Every index as the program made it, room_cust_id in its own form again (and those made when first
    // needed besides).
    const QStringList restored = column(Database::fileNameIn(f.folder()), sql);
    for (const QString &index : made)
        QVERIFY2(restored.contains(index), qPrintable(index));
}

void BackupTest::windowBacksUpAndRestoresAtExit()
{
    AppFixture f;
    f.addMember(QStringLiteral("001"), QStringLiteral("甲"));
    TFormMain &main = f.start();
    waitForDailyBackup(f);
    f.services.clock.advance(60 * 1000);

    auto *window = new TFormBackup(f.data(), f.services.platform(), &main);
    auto *list = window->findChild<QTableWidget *>(QStringLiteral("GridBackups"));
    QCOMPARE(list->rowCount(), 1);
    window->findChild<QPushButton *>(QStringLiteral("BitBtnBackupNow"))->click();
    QCOMPARE(list->rowCount(), 2);
    QCOMPARE(list->currentRow(), 0); // the new one, newest first, chosen
    const QString manual = listBackups(f.folder()).first().path;
    QCOMPARE(list->item(0, 0)->data(Qt::UserRole).toString(), manual);
    QCOMPARE(listBackups(f.folder()).first().kind, BackupKind::Manual);

    // Data posted after the backup, which the restore takes back.
    f.addMember(QStringLiteral("002"), QStringLiteral("乙"));
    auto *restore = window->findChild<QPushButton *>(QStringLiteral("BitBtnRestore"));
    f.services.dialogs.answerText(QStringLiteral("roomkeeper"));
    restore->click();
    f.services.dialogs.answerText(QStringLiteral("RoomKeeper"));
    f.services.dialogs.answerNo();
    restore->click();
    QVERIFY(!restorePending());
    QVERIFY(main.isVisible());

    f.services.dialogs.answerText(QStringLiteral("RoomKeeper"));
    f.services.dialogs.answerYes();
    restore->click();
    QVERIFY(f.services.dialogs.unexpected().isEmpty());
    QVERIFY(f.services.dialogs.errors().isEmpty());
    QVERIFY(restorePending());
    QVERIFY(!main.isVisible());                        // the program ends
    QCOMPARE(f.count(QStringLiteral("Customers")), 2); // nothing replaced while it runs
    delete window; // as the menu entry's modal window is gone by the time the main window's loop ends

    f.db.reset();
    f.services.clock.advance(60 * 1000);
    endProgram(std::move(f.program), f.services.platform());
    QVERIFY2(f.services.dialogs.lastMessage().startsWith(QStringLiteral("已从备份")),
             qPrintable(f.services.dialogs.all().last().text));
    QCOMPARE(column(Database::fileNameIn(f.folder()), QStringLiteral("SELECT Customers_id FROM Customers")),
             QStringList{QStringLiteral("001")});
    // The restored database says who restored it, from which file.
    QCOMPARE(column(Database::fileNameIn(f.folder()),
                    QStringLiteral("SELECT Journal_action || '/' || Journal_reason FROM Journal")),
             QStringList{QStringLiteral("恢复备份/") + QFileInfo(manual).fileName()});
    const BackupFile kept = listBackups(f.folder()).first();
    QCOMPARE(kept.kind, BackupKind::BeforeRestore);
    QCOMPARE(column(kept.path, QStringLiteral("SELECT COUNT(*) FROM Customers")), QStringList{QStringLiteral("2")});
    QVERIFY(!QFileInfo::exists(FolderLock::fileNameIn(f.folder())));
}

QTEST_MAIN(BackupTest)
#include "test_backup.moc"
