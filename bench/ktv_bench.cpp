// ktv-bench: how the visit lists behave when the venue has kept a million visits.
//
// The parent process builds two venue databases (1 000 and 1 000 000 visits) and measures each one in a
// child process of its own, so that the peak memory it reports is that of opening and browsing the
// database, not of filling it.
//
//   ktv-bench [--keep DIR] [--repeat N] [--reports-only]
//
// --keep DIR keeps the generated databases in DIR/1k, DIR/1m and DIR/100k and reuses them on the next run.
// The program's start and the clearing of the maintenance window are measured in startbench.cpp.

#include "peakmemory.h"
#include "startbench.h"

#include "reports/reportquery.h"

#include "store/cursor.h"
#include "store/database.h"
#include "store/fieldvalue.h"
#include "store/openvisits.h"
#include "store/storedrecord.h"
#include "store/storeerror.h"
#include "store/tables.h"
#include "store/venuesettings.h"
#include "visits/charge.h"
#include "visits/visitstays.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QMap>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>
#include <random>
#include <tuple>
#include <vector>

using namespace ktv;

namespace {

// --- output ----------------------------------------------------------------------------------------

void say(const QString &line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void complain(const QString &line)
{
    std::fputs(line.toUtf8().constData(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

// --- the generated venues --------------------------------------------------------------------------

struct Venue
{
    QString folderName;
    int members;
    int visits;
    int lines;
};

const Venue kSmall{QStringLiteral("1k"), 100, 1000, 3000};
const Venue kLarge{QStringLiteral("1m"), 100000, 1000000, 3000000};
const Venue kClearing{QStringLiteral("100k"), 10000, 100000, 300000}; // cleared from the maintenance window
constexpr int kOpenVisits = 20;
const QString kCompleteMarker = QStringLiteral("complete");

const QString &settled()
{
    static const QString s = QStringLiteral("结清");
    return s;
}

const QStringList &roomNumbers()
{
    static const QStringList rooms{QStringLiteral("101"), QStringLiteral("102"), QStringLiteral("103"),
                                   QStringLiteral("201"), QStringLiteral("202"), QStringLiteral("203"),
                                   QStringLiteral("204"), QStringLiteral("205")};
    return rooms;
}

// Ten visits left unsettled long ago, scattered through the history, and ten among the newest: a list of
// open visits must not cost more because the old ones lie far apart.
std::vector<int> openSerials(int visits)
{
    std::vector<int> serials;
    for (int k = 0; k < kOpenVisits / 2; ++k)
        serials.push_back(int(qint64(k + 1) * visits / (kOpenVisits / 2 + 1)));
    for (int k = 0; k < kOpenVisits / 2; ++k)
        serials.push_back(visits - 3 * k);
    std::sort(serials.begin(), serials.end());
    return serials;
}

QVariant nullText()
{
    return QVariant(QMetaType(QMetaType::QString));
}
QVariant nullNumber()
{
    return QVariant(QMetaType(QMetaType::Double));
}

// One prepared INSERT reused for every row.
class Inserter
{
public:
    Inserter(Database &db, const QString &table, const QStringList &columns) : m_db(db)
    {
        QStringList marks;
        for (qsizetype i = 0; i < columns.size(); ++i)
            marks << QStringLiteral("?");
        m_query = db.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                 .arg(table, columns.join(QLatin1String(", ")), marks.join(QLatin1Char(','))));
    }

    void row(std::initializer_list<QVariant> values)
    {
        int i = 0;
        for (const QVariant &v : values)
            m_query.bindValue(i++, v);
        m_db.exec(m_query);
    }

private:
    Database &m_db;
    QSqlQuery m_query;
};

// Big transactions, but not one of three million rows: the write-ahead log would grow to the table's size.
void inChunks(Database &db, int count, const std::function<void(int)> &write)
{
    constexpr int kChunk = 250000;
    for (int from = 0; from < count; from += kChunk) {
        Transaction tx(db);
        const int to = std::min(count, from + kChunk);
        for (int i = from; i < to; ++i)
            write(i);
        tx.commit();
    }
}

QString memberId(int n)
{
    return QStringLiteral("%1").arg(n, 7, 10, QLatin1Char('0'));
}

// In UTC: the stored text is the same, and local time would cost a time-zone lookup per row.
QDateTime visitStart(int serial)
{
    static const QDateTime base(QDate(2000, 1, 1), QTime(10, 0), Qt::UTC);
    return base.addSecs(qint64(serial) * 600);
}

void fill(Database &db, const Venue &venue)
{
    std::mt19937 rng(20060801u + unsigned(venue.visits));
    const auto pick = [&rng](int n) { return int(rng() % unsigned(n)); };
    const QDate firstDay(2000, 1, 1);

    const bool onServer = db.dialect().isServer();
    if (onServer) {
        // This connection only: a lost bench database is made again.
        db.run(QStringLiteral("SET synchronous_commit = off"));
    } else {
        // This connection only: a lost bench file is made again, and a big page cache keeps the index inserts in memory.
        db.run(QStringLiteral("PRAGMA synchronous=OFF"));
        db.run(QStringLiteral("PRAGMA cache_size=-65536"));
    }

    {
        Transaction tx(db);
        Inserter rooms(db, QStringLiteral("room"),
                       {QStringLiteral("Room_id"), QStringLiteral("Room_guige"), QStringLiteral("Room_sfbiaozhun"),
                        QStringLiteral("Room_used"), QStringLiteral("Room_feiyong1")});
        for (const QString &room : roomNumbers())
            rooms.row({room, room.endsWith(QLatin1Char('5')) ? QStringLiteral("大") : QStringLiteral("小"), 60.0,
                       tables::no, 60.0});
        Inserter drinks(db, QStringLiteral("Pear"),
                        {QStringLiteral("Pear_bm"), QStringLiteral("Pear_name"), QStringLiteral("Pear_price")});
        for (int d = 1; d <= 10; ++d)
            drinks.row({QStringLiteral("D%1").arg(d, 3, 10, QLatin1Char('0')), QStringLiteral("饮品%1").arg(d),
                        5.0 * d + 0.5});
        tx.commit();
    }

    Inserter members(db, QStringLiteral("Customers"),
                     {QStringLiteral("Customers_id"), QStringLiteral("Customers_name"),
                      QStringLiteral("Customers_sfzh"), QStringLiteral("Customers_phone"),
                      QStringLiteral("Customers_zcsj"), QStringLiteral("Customers_zjxfsj"),
                      QStringLiteral("Customers_ljxf"), QStringLiteral("Customers_zkl"),
                      QStringLiteral("Customers_dizhi"), QStringLiteral("Customers_hyjb")});
    inChunks(db, venue.members, [&](int i) {
        const int n = i + 1;
        members.row({memberId(n), QStringLiteral("会员%1").arg(n),
                     QStringLiteral("11010119800101%1").arg(n % 10000, 4, 10, QLatin1Char('0')),
                     QStringLiteral("139%1").arg(n, 8, 10, QLatin1Char('0')),
                     firstDay.addDays(pick(2000)).toString(QStringLiteral("yyyy-MM-dd")),
                     fieldvalue::dateTimeStorageForm(visitStart(1 + pick(venue.visits))), 100.0 + pick(100000) / 10.0,
                     pick(2) ? 0.9 : 0.85, QStringLiteral("某区某路%1号").arg(pick(500)),
                     pick(3) ? QStringLiteral("银卡") : QStringLiteral("金卡")});
    });

    const std::vector<int> open = openSerials(venue.visits);
    Inserter visits(db, QStringLiteral("Openroom"),
                    {QStringLiteral("Openroom_Lishui"), QStringLiteral("Openroom_Customers_id"),
                     QStringLiteral("Openroom_room_id"), QStringLiteral("Openroom_begintime"),
                     QStringLiteral("Openroom_endtime"), QStringLiteral("Openroom_usedminute"),
                     QStringLiteral("Openroom_youhuminute"), QStringLiteral("Openroom_room_zhelu"),
                     QStringLiteral("Openroom_customer_zhelu"), QStringLiteral("Openroom_jbxf"),
                     QStringLiteral("Openroom_jiushui"), QStringLiteral("Openroom_yingfu"),
                     QStringLiteral("Openroom_shifu"), QStringLiteral("Openroom_zhaoling"),
                     QStringLiteral("Openroom_beizhu"), QStringLiteral("Openroom_leijifou")});
    inChunks(db, venue.visits, [&](int i) {
        const int serial = i + 1;
        const QDateTime start = visitStart(serial);
        const QVariant member = pick(10) < 7 ? QVariant(memberId(1 + pick(venue.members))) : nullText();
        const QString room = roomNumbers().at(pick(int(roomNumbers().size())));
        const auto openAt = std::lower_bound(open.begin(), open.end(), serial);
        if (openAt != open.end() && *openAt == serial) {
            // An open visit's remark is empty (null, or an empty text from older data) or anything but 结清.
            const int k = int(openAt - open.begin());
            // (A null QString would be bound as NULL; QStringLiteral("") is an empty, non-null text.)
            const QVariant remark = k % 3 == 0   ? nullText()
                                    : k % 3 == 1 ? QVariant(QStringLiteral(""))
                                                 : QVariant(QStringLiteral("挂账"));
            visits.row({serial, member, room, fieldvalue::dateTimeStorageForm(start), nullText(), nullNumber(),
                        nullNumber(), 1.0, member.isNull() ? 1.0 : 0.9, nullNumber(), nullNumber(), nullNumber(),
                        nullNumber(), nullNumber(), remark, tables::no});
            return;
        }
        const int minutes = 30 + pick(300);
        const double charge = minutes * 1.0; // 60 an hour
        const double drinks = pick(50) * 3.5;
        const double due = charge + drinks;
        const double paid = std::ceil(due / 50.0) * 50.0;
        visits.row({serial, member, room, fieldvalue::dateTimeStorageForm(start),
                    fieldvalue::dateTimeStorageForm(start.addSecs(minutes * 60)), minutes, pick(3) * 10, 1.0,
                    member.isNull() ? 1.0 : 0.9, charge, drinks, due, paid, paid - due, settled(),
                    member.isNull() ? tables::no : tables::yes});
    });

    Inserter lines(db, QStringLiteral("Callpear"),
                   {QStringLiteral("Openroom_lishu"), QStringLiteral("Pear_id"), QStringLiteral("Pear_price"),
                    QStringLiteral("Pear_shuliang"), QStringLiteral("Pear_calltime")});
    inChunks(db, venue.lines, [&](int j) {
        const int serial = int(qint64(j) * venue.visits / venue.lines) + 1;
        const int d = 1 + pick(10);
        lines.row({serial, QStringLiteral("D%1").arg(d, 3, 10, QLatin1Char('0')), 5.0 * d + 0.5, 1 + pick(6),
                   fieldvalue::dateTimeStorageForm(visitStart(serial).addSecs(60 * (1 + pick(120))))});
    });

    if (onServer)
        db.run(QStringLiteral("ANALYZE"));
    else
        db.run(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
}

// Returns the venue's data folder, generating it unless a complete one is already there.
QString prepareVenue(const QString &root, const Venue &venue)
{
    const QString folder = QDir(root).filePath(venue.folderName);
    QDir dir(folder);
    if (dir.exists(kCompleteMarker)) {
        say(QStringLiteral("Reusing %1").arg(QDir::toNativeSeparators(folder)));
        return folder;
    }
    // Left half-made by an interrupted run: remove only what a run makes.
    for (const QString &name : {QStringLiteral("ktv.db"), QStringLiteral("ktv.db-wal"), QStringLiteral("ktv.db-shm")})
        dir.remove(name);

    say(QStringLiteral("Generating %1 members, %2 visits (%3 open), %4 order lines in %5 ...")
            .arg(venue.members)
            .arg(venue.visits)
            .arg(kOpenVisits)
            .arg(venue.lines)
            .arg(QDir::toNativeSeparators(folder)));
    QElapsedTimer timer;
    timer.start();
    {
        std::unique_ptr<Database> db = Database::create(folder);
        fill(*db, venue);
    }
    QFile marker(dir.filePath(kCompleteMarker));
    if (!marker.open(QIODevice::WriteOnly))
        throw StoreError(QStringLiteral("cannot write %1").arg(marker.fileName()));
    say(QStringLiteral("  done in %1 s, file %2 MB")
            .arg(timer.elapsed() / 1000.0, 0, 'f', 1)
            .arg(QFileInfo(Database::fileNameIn(folder)).size() / 1048576.0, 0, 'f', 1));
    return folder;
}

// --- measuring, in the child process ---------------------------------------------------------------

struct Timing
{
    qint64 first = 0;
    qint64 best = 0;
    qint64 median = 0;
};

Timing timeRepeatedly(int repeat, const std::function<qint64()> &once)
{
    std::vector<qint64> ns;
    for (int i = 0; i < repeat; ++i)
        ns.push_back(once());
    Timing t;
    t.first = ns.front();
    std::sort(ns.begin(), ns.end());
    t.best = ns.front();
    t.median = ns[ns.size() / 2];
    return t;
}

// The statements the cursor issues for these operations (see Cursor::loadKeys and Cursor::locate), so that
// their plans can be shown.
const QString kOrder = QStringLiteral(" ORDER BY \"Openroom_Lishui\" DESC, rowid DESC");
const QString kFilteredKeys =
    QStringLiteral("SELECT rowid FROM \"Openroom\" WHERE \"Openroom_beizhu\" IS NOT ?") + kOrder;
const QString kLocateSerial =
    QStringLiteral("SELECT rowid FROM \"Openroom\" WHERE \"Openroom_beizhu\" IS NOT ? AND \"Openroom_Lishui\" = ?") +
    kOrder + QStringLiteral(" LIMIT 1");
const QString kLocateRoom = QStringLiteral("SELECT rowid FROM \"Openroom\" WHERE \"Openroom_beizhu\" IS NOT ? AND "
                                           "substr(\"Openroom_room_id\", 1, 2) = ?") +
                            kOrder + QStringLiteral(" LIMIT 1");
const QString kAllKeys = QStringLiteral("SELECT rowid, \"Openroom_Lishui\" FROM \"Openroom\"") +
                         QString(kOrder).remove(QStringLiteral(" DESC")) + QStringLiteral(" LIMIT 64");

QString planOf(Database &db, const QString &sql, const QVariantList &binds)
{
    QSqlQuery query = db.run(QStringLiteral("EXPLAIN QUERY PLAN ") + sql, binds);
    QStringList steps;
    const int detail = query.record().indexOf(QStringLiteral("detail"));
    while (query.next())
        steps << query.value(detail).toString();
    return steps.join(QLatin1String(" / "));
}

qint64 scalar(Database &db, const QString &sql, const QVariantList &binds = {})
{
    QSqlQuery query = db.run(sql, binds);
    return query.next() ? query.value(0).toLongLong() : -1;
}

// The same venue in a database of its own on the server named by the PG* variables (as tools/with-postgres.sh
// sets them), reused when a complete one is there. Returns its address.
QString prepareServerVenue(const Venue &venue)
{
    const QString name = QStringLiteral("ktv_bench_") + venue.folderName;
    const QString user = qEnvironmentVariable("PGUSER");
    const QString port = qEnvironmentVariable("PGPORT");
    const QString address = QStringLiteral("postgresql://%1%2%3/%4")
                                .arg(user.isEmpty() ? QString() : user + QLatin1Char('@'), qEnvironmentVariable("PGHOST"),
                                     port.isEmpty() ? QString() : QLatin1Char(':') + port, name);
    {
        QSqlDatabase admin = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("bench-admin"));
        admin.setHostName(qEnvironmentVariable("PGHOST"));
        if (!port.isEmpty())
            admin.setPort(port.toInt());
        admin.setUserName(user);
        admin.setDatabaseName(QStringLiteral("postgres"));
        if (!admin.open())
            throw StoreError(QStringLiteral("cannot reach the PostgreSQL server: ") + admin.lastError().text());
        QSqlQuery q(admin);
        bool complete = false;
        if (q.exec(QStringLiteral("SELECT 1 FROM pg_database WHERE datname = '%1'").arg(name)) && q.next()) {
            try {
                std::unique_ptr<Database> db = Database::open(address);
                complete = scalar(*db, QStringLiteral("SELECT count(*) FROM Settings WHERE Settings_key = '%1'")
                                           .arg(kCompleteMarker)) == 1;
            } catch (const StoreError &) {
            }
        }
        if (complete) {
            say(QStringLiteral("Reusing %1").arg(address));
        } else {
            q.exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
            if (!q.exec(QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8'").arg(name)))
                throw StoreError(QStringLiteral("cannot make %1: %2").arg(name, q.lastError().text()));
        }
        q.finish();
        admin.close();
        if (complete) {
            admin = QSqlDatabase();
            QSqlDatabase::removeDatabase(QStringLiteral("bench-admin"));
            return address;
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench-admin"));
    say(QStringLiteral("Generating %1 members, %2 visits (%3 open), %4 order lines in %5 ...")
            .arg(venue.members)
            .arg(venue.visits)
            .arg(kOpenVisits)
            .arg(venue.lines)
            .arg(address));
    QElapsedTimer timer;
    timer.start();
    std::unique_ptr<Database> db = Database::create(address);
    fill(*db, venue);
    db->run(QStringLiteral("INSERT INTO Settings (Settings_key, Settings_value) VALUES ('%1', 'yes')").arg(kCompleteMarker));
    say(QStringLiteral("  done in %1 s").arg(timer.elapsed() / 1000.0, 0, 'f', 1));
    return address;
}

void openVisitList(Cursor &c, bool filtered)
{
    c.setIndexName(QStringLiteral("openroom_id"));
    if (filtered) {
        c.setFilter(QStringLiteral("Openroom_beizhu<>'结清'"));
        c.setFiltered(true);
    }
    c.open();
}

int measure(const QString &folder, int repeat)
{
    QElapsedTimer startup;
    startup.start();
    std::unique_ptr<Database> db = Database::open(folder);
    say(QStringLiteral("startup %1").arg(startup.nsecsElapsed()));

    const qint64 visits = scalar(*db, QStringLiteral("SELECT count(*) FROM Openroom"));
    const QString notSettled = db->dialect().notSame(QStringLiteral("Openroom_beizhu"), QStringLiteral("?"));
    const qint64 openCount =
        scalar(*db, QStringLiteral("SELECT count(*) FROM Openroom WHERE ") + notSettled, {settled()});
    // The oldest open visit lies deep in the history; the newest open one in a 20x room is what a search finds.
    const qint64 serial = scalar(
        *db, QStringLiteral("SELECT min(Openroom_Lishui) FROM Openroom WHERE ") + notSettled, {settled()});
    const qint64 newestIn20 =
        scalar(*db,
               QStringLiteral("SELECT max(Openroom_Lishui) FROM Openroom WHERE ") + notSettled + QStringLiteral(" AND "
                              "Openroom_room_id LIKE '20%'"),
               {settled()});
    say(QStringLiteral("visits %1").arg(visits));

    // The plans are SQLite's; the server's figures stand on their own.
    const bool onServer = db->dialect().isServer();
    if (!onServer) {
        say(QStringLiteral("plan filteredOpen %1").arg(planOf(*db, kFilteredKeys, {settled()})));
        say(QStringLiteral("plan locateSerial %1").arg(planOf(*db, kLocateSerial, {settled(), serial})));
        say(QStringLiteral("plan locateRoom %1").arg(planOf(*db, kLocateRoom, {settled(), QStringLiteral("20")})));
        say(QStringLiteral("plan unfilteredLast %1").arg(planOf(*db, kAllKeys, {})));
    }

    bool ok = true;
    const auto check = [&ok](bool good, const QString &what) {
        if (!good) {
            ok = false;
            complain(QStringLiteral("wrong result: ") + what);
        }
    };
    qint64 sink = 0; // keeps the reads from being optimised away

    const auto report = [](const char *key, const Timing &t) {
        say(QStringLiteral("op %1 %2 %3 %4").arg(QLatin1String(key)).arg(t.first).arg(t.best).arg(t.median));
    };

    report("filteredOpen", timeRepeatedly(repeat, [&] {
               QElapsedTimer timer;
               timer.start();
               Cursor c(*db, tables::openroom());
               openVisitList(c, true);
               const qint64 first = c.integer(QStringLiteral("Openroom_Lishui"));
               sink += c.text(QStringLiteral("Openroom_room_id")).size();
               const qint64 ns = timer.nsecsElapsed();
               check(c.recordCount() == openCount, QStringLiteral("filtered count %1").arg(c.recordCount()));
               check(first == visits, QStringLiteral("newest open visit %1").arg(first));
               return ns;
           }));

    // The same without reading a record: the part that depends on the size of the table.
    report("filteredKeys", timeRepeatedly(repeat, [&] {
               QElapsedTimer timer;
               timer.start();
               Cursor c(*db, tables::openroom());
               openVisitList(c, true);
               const qint64 ns = timer.nsecsElapsed();
               check(c.recordCount() == openCount, QStringLiteral("filtered count %1").arg(c.recordCount()));
               return ns;
           }));

    // A locate moves to the record; reading its fields is timed with the open above.
    report("locateSerial", timeRepeatedly(repeat, [&] {
               Cursor c(*db, tables::openroom());
               openVisitList(c, true);
               QElapsedTimer timer;
               timer.start();
               const bool found = c.locate(QStringLiteral("Openroom_Lishui"), serial);
               const qint64 ns = timer.nsecsElapsed();
               check(found && c.integer(QStringLiteral("Openroom_Lishui")) == serial,
                     QStringLiteral("locate serial %1").arg(serial));
               return ns;
           }));

    report("locateRoom", timeRepeatedly(repeat, [&] {
               Cursor c(*db, tables::openroom());
               openVisitList(c, true);
               QElapsedTimer timer;
               timer.start();
               const bool found =
                   c.locate(QStringLiteral("Openroom_room_id"), QStringLiteral("20"), LocateOption::PartialKey);
               const qint64 ns = timer.nsecsElapsed();
               check(found && c.integer(QStringLiteral("Openroom_Lishui")) == newestIn20,
                     QStringLiteral("locate room 20x found %1").arg(c.integer(QStringLiteral("Openroom_Lishui"))));
               return ns;
           }));

    report("unfilteredLast", timeRepeatedly(repeat, [&] {
               QElapsedTimer timer;
               timer.start();
               Cursor c(*db, tables::openroom());
               openVisitList(c, false);
               c.last();
               const qint64 oldest = c.integer(QStringLiteral("Openroom_Lishui"));
               sink += c.text(QStringLiteral("Openroom_begintime")).size();
               const qint64 ns = timer.nsecsElapsed();
               check(oldest == 1, QStringLiteral("unfiltered last %1").arg(oldest));
               return ns;
           }));

    // A grid's screenful of the order lines (a few at 1k, 3 000 000 at 1M) at either end of the list.
    const auto screenful = [&sink](Cursor &c) {
        const int top = std::max(0, c.currentRow() - 29);
        for (int row = top; row < top + 30; ++row) {
            for (int column = 0; column < c.fieldCount(); ++column)
                sink += c.displayValue(row, column).toString().size();
        }
    };
    const qint64 lines = scalar(*db, QStringLiteral("SELECT count(*) FROM Callpear"));
    report("linesFirstScreen", timeRepeatedly(repeat, [&] {
               QElapsedTimer timer;
               timer.start();
               Cursor c(*db, tables::callpear());
               c.setIndexName(QStringLiteral("openroomls"));
               c.open();
               c.first();
               screenful(c);
               return timer.nsecsElapsed();
           }));
    report("linesLast", timeRepeatedly(repeat, [&] {
               QElapsedTimer timer;
               timer.start();
               Cursor c(*db, tables::callpear());
               c.setIndexName(QStringLiteral("openroomls"));
               c.open();
               c.last();
               sink += c.text(QStringLiteral("Pear_id")).size();
               const qint64 ns = timer.nsecsElapsed();
               // Its row number is counted, outside the time.
               check(c.currentRow() == lines - 1, QStringLiteral("last order line at row %1").arg(c.currentRow()));
               return ns;
           }));
    // What a grid asks besides its screenful: the number of rows, counted in the smallest index.
    report("linesCount", timeRepeatedly(repeat, [&] {
               Cursor c(*db, tables::callpear());
               c.setIndexName(QStringLiteral("openroomls"));
               c.open();
               c.first();
               QElapsedTimer timer;
               timer.start();
               const int n = c.recordCount();
               const qint64 ns = timer.nsecsElapsed();
               check(n == lines, QStringLiteral("order lines counted %1").arg(n));
               return ns;
           }));

    // A shown member list (100 000 members at 1M) on its last member after another program commits: the
    // list is read again, kept on its record, counted for the scroll bar and its screenful shown.
    std::unique_ptr<Database> other = Database::open(folder);
    report("membersReread", timeRepeatedly(repeat, [&] {
               Cursor c(*db, tables::customers());
               c.setIndexName(QStringLiteral("Customers_id"));
               c.open();
               c.last();
               const Bookmark last = c.bookmark();
               sink += c.recordCount();
               screenful(c);
               other->run(QStringLiteral("UPDATE room SET Room_used = Room_used WHERE Room_id = '101'"));
               QElapsedTimer timer;
               timer.start();
               c.ensureFresh();
               sink += c.recordCount();
               screenful(c);
               const qint64 ns = timer.nsecsElapsed();
               check(c.bookmark() == last, QStringLiteral("member list kept on its record"));
               return ns;
           }));

    // The board's running charges with time bands on and the newest open visit moved once: the open visits,
    // then each room's stays (its moves and rooms, read by key) and the charge over them. Written inside a
    // transaction that is never committed, so that the kept database stays as generated.
    {
        Transaction tx(*db);
        venuesettings::set(*db, venuesettings::timeBands, tables::yes);
        // The generated open visits have no end time; check-in writes one before the begin time.
        db->run(QStringLiteral("UPDATE Openroom SET Openroom_endtime = '1999-01-01 00:00:00.000' "
                               "WHERE Openroom_endtime IS NULL"));
        db->run(QStringLiteral("UPDATE room SET Room_begintime1 = '18:00:00', Room_endtime1 = '02:00:00'"));
        StoredRecord::insert(*db, tables::roomMove(),
                             {{QStringLiteral("RoomMove_visit"), visits},
                              {QStringLiteral("RoomMove_from"), QStringLiteral("205")},
                              {QStringLiteral("RoomMove_to"), QStringLiteral("204")},
                              {QStringLiteral("RoomMove_time"), visitStart(int(visits)).addSecs(1800)}});
        // The part that the stays add: the moves and rooms of each room's open visit, and the charge.
        QHash<QString, openvisits::OpenVisit> open;
        for (const openvisits::OpenVisit &v : openvisits::listOpen(*db))
            open.insert(v.room.toLower(), v);
        report("boardStays", timeRepeatedly(repeat, [&] {
                   QElapsedTimer timer;
                   timer.start();
                   for (const openvisits::OpenVisit &v : std::as_const(open)) {
                       const QList<charge::Stay> stays = visitstays::read(*db, v.serial, v.room, v.begin);
                       sink += charge::runningCharge(stays, v.begin, v.begin.addSecs(3 * 3600), v.discountMinutes,
                                                     v.memberRate, v.roomRate, v.lines)
                                   .minutes;
                   }
                   return timer.nsecsElapsed();
               }));
        report("boardCharges", timeRepeatedly(repeat, [&] {
                   QElapsedTimer timer;
                   timer.start();
                   QHash<QString, openvisits::OpenVisit> newest;
                   for (const openvisits::OpenVisit &v : openvisits::listOpen(*db)) {
                       if (!newest.contains(v.room.toLower()))
                           newest.insert(v.room.toLower(), v);
                   }
                   int moved = 0;
                   check(!newest.isEmpty(), QStringLiteral("no room in use"));
                   for (const openvisits::OpenVisit &v : std::as_const(newest)) {
                       const QList<charge::Stay> stays = visitstays::read(*db, v.serial, v.room, v.begin);
                       moved += stays.size() > 1 ? 1 : 0;
                       const charge::RunningCharge c =
                           charge::runningCharge(stays, v.begin, v.begin.addSecs(3 * 3600), v.discountMinutes,
                                                 v.memberRate, v.roomRate, v.lines);
                       sink += c.minutes;
                   }
                   const qint64 ns = timer.nsecsElapsed();
                   check(moved == 1, QStringLiteral("moved visits on the board %1").arg(moved));
                   return ns;
               }));
    }

    // The reports of the month of the middle visit: about 4 500 visits and 13 000 order lines at 1M. The index
    // they read is made on the first report of a database that lacks it; that is timed once, apart.
    QElapsedTimer indexing;
    indexing.start();
    reports::ensureReportIndexes(*db);
    say(QStringLiteral("reportIndex %1").arg(indexing.nsecsElapsed()));
    const QDate middle = visitStart(int(visits / 2)).date();
    const reports::DateRange month{QDate(middle.year(), middle.month(), 1),
                                   QDate(middle.year(), middle.month(), middle.daysInMonth())};
    const qint64 monthVisits = scalar(
        *db, QStringLiteral("SELECT count(*) FROM Openroom WHERE Openroom_endtime >= ? AND Openroom_endtime < ? AND "
                            "Openroom_endtime >= Openroom_begintime"),
        {fieldvalue::dateTimeStorageForm(month.start()), fieldvalue::dateTimeStorageForm(month.end())});
    const QVariantList monthBounds{fieldvalue::dateTimeStorageForm(month.start()),
                                   fieldvalue::dateTimeStorageForm(month.end())};
    if (!onServer)
        say(QStringLiteral("plan reportMonth %1 | %2")
                .arg(planOf(*db, reports::visitsStatement(), monthBounds),
                     planOf(*db, reports::linesStatement(db->dialect()), monthBounds)));
    report("reportMonth", timeRepeatedly(repeat, [&] {
               QElapsedTimer timer;
               timer.start();
               const reports::ReportSet set = reports::readReports(*db, month);
               const qint64 ns = timer.nsecsElapsed();
               check(set.takings.total.visits == monthVisits,
                     QStringLiteral("month's visits %1 of %2").arg(set.takings.total.visits).arg(monthVisits));
               sink += set.drinks.size();
               return ns;
           }));

    say(QStringLiteral("peak %1").arg(bench::peakResidentBytes()));
    say(QStringLiteral("sink %1").arg(sink));
    return ok ? 0 : 1;
}

// The reports over long ranges, each in a process of its own so that its peak memory is its own: the three
// reports of the year of the middle visit (about 52 000 visits and 158 000 order lines at 1M), or the takings of
// the ten years around it (about 526 000 visits), as `ktv --report takings` reads them.
int measureLongReports(const QString &folder, const QString &which, int repeat)
{
    std::unique_ptr<Database> db = Database::open(folder);
    reports::ensureReportIndexes(*db);
    const qint64 visits = scalar(*db, QStringLiteral("SELECT count(*) FROM Openroom"));
    const int year = visitStart(int(visits / 2)).date().year();
    const bool tenYears = which == QLatin1String("tenYearsTakings");
    const reports::DateRange range = tenYears ? reports::DateRange{QDate(year - 5, 1, 1), QDate(year + 4, 12, 31)}
                                              : reports::DateRange{QDate(year, 1, 1), QDate(year, 12, 31)};
    const qint64 counted =
        scalar(*db,
               QStringLiteral("SELECT count(*) FROM Openroom WHERE Openroom_endtime >= ? AND Openroom_endtime < ? AND "
                              "Openroom_endtime >= Openroom_begintime"),
               {fieldvalue::dateTimeStorageForm(range.start()), fieldvalue::dateTimeStorageForm(range.end())});
    reports::ReportParts parts;
    if (tenYears)
        parts = reports::ReportParts{true, false, false};
    bool ok = true;
    qint64 sink = 0;
    const Timing t = timeRepeatedly(repeat, [&] {
        QElapsedTimer timer;
        timer.start();
        const reports::ReportSet set = reports::readReports(*db, range, parts);
        const qint64 ns = timer.nsecsElapsed();
        if (set.takings.total.visits != counted) {
            ok = false;
            complain(QStringLiteral("wrong result: %1 visits of %2").arg(set.takings.total.visits).arg(counted));
        }
        sink += set.drinks.size() + set.rooms.size();
        return ns;
    });
    say(QStringLiteral("op %1 %2 %3 %4").arg(which).arg(t.first).arg(t.best).arg(t.median));
    say(QStringLiteral("counted %1").arg(counted));
    say(QStringLiteral("peak %1").arg(bench::peakResidentBytes()));
    say(QStringLiteral("sink %1").arg(sink));
    return ok ? 0 : 1;
}

// --- the parent: run the children, print the table ------------------------------------------------

struct Results
{
    qint64 visits = 0;
    qint64 startup = 0;
    qint64 peak = -1;
    qint64 reportIndex = 0;
    qint64 counted = 0;
    QMap<QString, Timing> ops;
    QMap<QString, QString> plans;
};

// The child measures the cursors, or with a report named, that report alone.
std::optional<Results> measureInChild(const QString &folder, int repeat, const QString &report = {})
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList arguments{QStringLiteral("--measure"), folder, QStringLiteral("--repeat"), QString::number(repeat)};
    if (!report.isEmpty())
        arguments << QStringLiteral("--report") << report;
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        complain(QStringLiteral("measuring %1 failed (exit code %2)").arg(folder).arg(child.exitCode()));
        return std::nullopt;
    }
    Results r;
    const QStringList lines = QString::fromUtf8(child.readAllStandardOutput()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const QStringList w = line.split(QLatin1Char(' '));
        if (w.size() >= 5 && w[0] == QLatin1String("op"))
            r.ops[w[1]] = Timing{w[2].toLongLong(), w[3].toLongLong(), w[4].toLongLong()};
        else if (w.size() >= 3 && w[0] == QLatin1String("plan"))
            r.plans[w[1]] = line.section(QLatin1Char(' '), 2);
        else if (w.size() == 2 && w[0] == QLatin1String("startup"))
            r.startup = w[1].toLongLong();
        else if (w.size() == 2 && w[0] == QLatin1String("visits"))
            r.visits = w[1].toLongLong();
        else if (w.size() == 2 && w[0] == QLatin1String("peak"))
            r.peak = w[1].toLongLong();
        else if (w.size() == 2 && w[0] == QLatin1String("reportIndex"))
            r.reportIndex = w[1].toLongLong();
        else if (w.size() == 2 && w[0] == QLatin1String("counted"))
            r.counted = w[1].toLongLong();
    }
    return r;
}

QString ms(qint64 ns)
{
    return QString::number(ns / 1e6, 'f', 3);
}

QString cell(const QString &text, int width)
{
    return text.leftJustified(width);
}
QString rcell(const QString &text, int width)
{
    return text.rightJustified(width);
}

// The reports of a year and the takings of ten years, on both venues; false when a target is missed.
bool runLongReports(const QString &smallFolder, const QString &largeFolder, int repeat)
{
    bool allMet = true;
    say(QString());
    say(QStringLiteral("Long reports (a process each; ms, best and median of %1; peak memory of the process):")
            .arg(repeat));
    for (const auto &[key, label, limitMs] : {std::tuple{"reportYear", "the three reports of a year", 1000},
                                              std::tuple{"tenYearsTakings", "takings of ten years", 3000}}) {
        for (const QString &folder : {smallFolder, largeFolder}) {
            const std::optional<Results> r = measureInChild(folder, repeat, QLatin1String(key));
            if (!r)
                return false;
            const Timing t = r->ops.value(QLatin1String(key));
            const bool met = t.median < qint64(limitMs) * 1000000 && r->peak >= 0 && r->peak < 100LL * 1048576;
            allMet = allMet && met;
            say(cell(QStringLiteral("%1 (%2 visits)").arg(QLatin1String(label)).arg(r->counted), 52) +
                rcell(ms(t.best), 10) + rcell(ms(t.median), 10) +
                rcell(QStringLiteral("%1 MB").arg(r->peak / 1048576.0, 0, 'f', 1), 10) +
                QStringLiteral("  < %1 ms, < 100 MB ").arg(limitMs) +
                (met ? QStringLiteral("PASS") : QStringLiteral("MISS")));
        }
    }
    return allMet;
}

struct Row
{
    const char *key;
    const char *label;
};
const Row kRows[] = {
    {"filteredOpen", "open filtered visit list + read record"},
    {"filteredKeys", "  (the open alone, no record read)"},
    {"locateSerial", "locate Openroom_Lishui (serial)"},
    {"locateRoom", "locate Openroom_room_id '20' partial"},
    {"unfilteredLast", "open unfiltered visit list + last"},
    {"linesFirstScreen", "order lines: open, first, a screenful"},
    {"linesLast", "order lines: open, last, read it"},
    {"linesCount", "order lines: count for a grid"},
    {"membersReread", "member list re-read after another commit"},
    {"boardCharges", "the board's running charges (bands, a move)"},
    {"boardStays", "  (of which the visits' stays read)"},
    {"reportMonth", "the three reports of a month"},
};

void printCursorTable(const Results &small, const Results &large)
{
    say(QString());
    // Best of the repetitions for the comparisons: on a busy machine the others mostly measure the neighbours.
    say(QStringLiteral("Times in ms; the ratio compares the best runs (%1 visits | %2 visits)")
            .arg(small.visits)
            .arg(large.visits));
    say(cell(QStringLiteral("operation"), 40) + rcell(QStringLiteral("best 1k"), 10) +
        rcell(QStringLiteral("best 1M"), 10) + rcell(QStringLiteral("ratio"), 8) +
        rcell(QStringLiteral("median 1k"), 11) + rcell(QStringLiteral("median 1M"), 11) +
        rcell(QStringLiteral("first 1k"), 10) + rcell(QStringLiteral("first 1M"), 10));
    for (const Row &row : kRows) {
        const Timing s = small.ops.value(QLatin1String(row.key));
        const Timing l = large.ops.value(QLatin1String(row.key));
        say(cell(QLatin1String(row.label), 40) + rcell(ms(s.best), 10) + rcell(ms(l.best), 10) +
            rcell(QString::number(double(l.best) / double(std::max<qint64>(1, s.best)), 'f', 2), 8) +
            rcell(ms(s.median), 11) + rcell(ms(l.median), 11) + rcell(ms(s.first), 10) + rcell(ms(l.first), 10));
    }
    say(cell(QStringLiteral("Database::open (once)"), 40) + rcell(ms(small.startup), 10) +
        rcell(ms(large.startup), 10));
    say(cell(QStringLiteral("report index made if missing (once)"), 40) + rcell(ms(small.reportIndex), 10) +
        rcell(ms(large.reportIndex), 10));
}

// The targets both engines meet; false when one is missed.
bool cursorTargets(const Results &small, const Results &large)
{
    bool allMet = true;
    const auto target = [&allMet](const QString &what, bool met, const QString &figure) {
        allMet = allMet && met;
        say(cell(what, 52) + cell(figure, 22) + (met ? QStringLiteral("PASS") : QStringLiteral("MISS")));
    };
    const auto ratio = [&](const char *key) {
        return double(large.ops.value(QLatin1String(key)).best) /
               double(std::max<qint64>(1, small.ops.value(QLatin1String(key)).best));
    };
    say(QString());
    say(QStringLiteral("Targets:"));
    for (const char *key :
         {"filteredOpen", "locateSerial", "locateRoom", "unfilteredLast", "linesFirstScreen", "linesLast"}) {
        const double r = ratio(key);
        target(QStringLiteral("%1 at 1M <= 2x its cost at 1k").arg(QLatin1String(key)), r <= 2.0,
               QStringLiteral("%1x").arg(r, 0, 'f', 2));
    }
    const qint64 unfiltered = large.ops.value(QStringLiteral("unfilteredLast")).median;
    target(QStringLiteral("unfiltered open + last at 1M < 1 s (median)"), unfiltered < 1000000000,
           QStringLiteral("%1 ms").arg(ms(unfiltered)));
    const qint64 monthReport = large.ops.value(QStringLiteral("reportMonth")).median;
    target(QStringLiteral("the reports of a month at 1M < 1 s (median)"), monthReport < 1000000000,
           QStringLiteral("%1 ms").arg(ms(monthReport)));
    target(QStringLiteral("peak memory of the 1M run < 200 MB"), large.peak >= 0 && large.peak < 200LL * 1048576,
           QStringLiteral("%1 MB").arg(large.peak / 1048576.0, 0, 'f', 1));
    if (!large.plans.isEmpty()) {
        const QString reportPlan = large.plans.value(QStringLiteral("reportMonth"));
        target(QStringLiteral("the reports read the check-out and order-line indexes"),
               reportPlan.contains(reports::kCheckoutIndex) && reportPlan.contains(QLatin1String("openroomls")) &&
                   !reportPlan.contains(QLatin1String("SCAN")),
               QStringLiteral("(plan above)"));
        target(QStringLiteral("filtered open reads the open_visits index"),
               large.plans.value(QStringLiteral("filteredOpen")).contains(QLatin1String("open_visits")),
               QStringLiteral("(plan above)"));
    }
    say(QStringLiteral("(peak memory of the 1k run: %1 MB)").arg(small.peak / 1048576.0, 0, 'f', 1));
    return allMet;
}

int run(const QString &root, int repeat, bool reportsOnly)
{
    const QString smallFolder = prepareVenue(root, kSmall);
    const QString largeFolder = prepareVenue(root, kLarge);
    if (reportsOnly)
        return runLongReports(smallFolder, largeFolder, repeat) ? 0 : 2;
    const QString clearingFolder = prepareVenue(root, kClearing);

    say(QStringLiteral("Measuring (%1 repetitions each, a fresh cursor every time) ...").arg(repeat));
    const std::optional<Results> small = measureInChild(smallFolder, repeat);
    const std::optional<Results> large = measureInChild(largeFolder, repeat);
    if (!small || !large)
        return 1;
    printCursorTable(*small, *large);
    say(QString());
    say(QStringLiteral("Query plans at 1M:"));
    for (const Row &row : kRows) {
        if (large->plans.contains(QLatin1String(row.key)))
            say(QStringLiteral("  %1: %2").arg(QLatin1String(row.key), large->plans.value(QLatin1String(row.key))));
    }
    const bool allMet = cursorTargets(*small, *large);
    const bool reportsMet = runLongReports(smallFolder, largeFolder, repeat);
    const bool startMet = bench::measureStartAndClear(smallFolder, largeFolder, clearingFolder, repeat);
    const bool stepsMet = bench::measureStepStatements({{QStringLiteral("SQLite 1M"), largeFolder}});
    return allMet && reportsMet && startMet && stepsMet ? 0 : 2;
}

// The same figures on a PostgreSQL server on this machine, named by the PG* variables.
int runOnServer(int repeat)
{
    if (qEnvironmentVariableIsEmpty("PGHOST")) {
        complain(QStringLiteral("--server needs a PostgreSQL server named by PGHOST (run under tools/with-postgres.sh)"));
        return 1;
    }
    const QString smallUrl = prepareServerVenue(kSmall);
    const QString largeUrl = prepareServerVenue(kLarge);
    say(QStringLiteral("Measuring on the server (%1 repetitions each, a fresh cursor every time) ...").arg(repeat));
    const std::optional<Results> small = measureInChild(smallUrl, repeat);
    const std::optional<Results> large = measureInChild(largeUrl, repeat);
    if (!small || !large)
        return 1;
    printCursorTable(*small, *large);
    const bool allMet = cursorTargets(*small, *large);
    const bool startMet = bench::measureServerStart(smallUrl, largeUrl, repeat);
    const bool stepsMet = bench::measureStepStatements({{QStringLiteral("PostgreSQL 1M"), largeUrl}});
    return allMet && startMet && stepsMet ? 0 : 2;
}

} // namespace

int main(int argc, char *argv[])
{
    if (const int code = bench::runChildMode(argc, argv); code >= 0)
        return code;
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times the visit lists on venue databases of 1k and 1M visits."));
    parser.addHelpOption();
    const QCommandLineOption keep(QStringLiteral("keep"),
                                  QStringLiteral("Keep the generated databases in <dir> and reuse them next time."),
                                  QStringLiteral("dir"));
    const QCommandLineOption repeat(QStringLiteral("repeat"), QStringLiteral("Repetitions of each operation."),
                                    QStringLiteral("n"), QStringLiteral("21"));
    QCommandLineOption measureOnly(QStringLiteral("measure"), QStringLiteral("Measure one database folder (internal)."),
                                   QStringLiteral("dir"));
    measureOnly.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption reportOnly(QStringLiteral("report"),
                                  QStringLiteral("With --measure: that report alone (internal)."),
                                  QStringLiteral("name"));
    reportOnly.setFlags(QCommandLineOption::HiddenFromHelp);
    const QCommandLineOption reportsOnly(QStringLiteral("reports-only"),
                                         QStringLiteral("Measure only the reports of a year and of ten years."));
    const QCommandLineOption server(QStringLiteral("server"),
                                    QStringLiteral("Measure on the PostgreSQL server named by the PG* variables."));
    parser.addOptions({keep, repeat, measureOnly, reportOnly, reportsOnly, server});
    parser.process(app);

    const int repetitions = std::max(1, parser.value(repeat).toInt());
    try {
        if (parser.isSet(measureOnly) && parser.isSet(reportOnly))
            return measureLongReports(parser.value(measureOnly), parser.value(reportOnly), repetitions);
        if (parser.isSet(measureOnly))
            return measure(parser.value(measureOnly), repetitions);
        if (parser.isSet(server))
            return runOnServer(repetitions);
        if (parser.isSet(keep))
            return run(parser.value(keep), repetitions, parser.isSet(reportsOnly));
        QTemporaryDir scratch;
        if (!scratch.isValid()) {
            complain(QStringLiteral("cannot make a temporary folder: %1").arg(scratch.errorString()));
            return 1;
        }
        return run(scratch.path(), repetitions, parser.isSet(reportsOnly));
    } catch (const StoreError &e) {
        complain(e.message());
        return 1;
    }
}
