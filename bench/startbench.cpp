#include "startbench.h"

#include "diskcache.h"
#include "peakmemory.h"

#include "app/formmain.h"
#include "app/membertidying.h"
#include "app/startup.h"
#include "maintenance/emptytables.h"
#include "store/database.h"
#include "store/datamodule.h"
#include "store/integritycheck.h"
#include "store/storeerror.h"
#include "support/scripted.h"
#include "visits/checkoutsteps.h"
#include "visits/formcallpear.h"
#include "visits/formcloseroomandpay.h"
#include "visits/formopenroom.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QPushButton>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QWindow>

#include <QDateTime>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

namespace ktv::bench {

namespace {

using Figures = QMap<QString, qint64>;

void put(const char *key, qint64 value)
{
    std::printf("%s %lld\n", key, static_cast<long long>(value));
}

void say(const QString &line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// The room pictures the board paints, in a working folder of their own, as tools/run.sh starts the program.
bool enterWorkingFolder(const QTemporaryDir &work)
{
    for (const char *picture : {"LED_green_ON.BMP", "LED_red_ON.BMP"}) {
        if (!QFile::copy(QStringLiteral(KTV_ASSETS_DIR "/") + QLatin1String(picture),
                         work.filePath(QLatin1String(picture))))
            return false;
    }
    return QDir::setCurrent(work.path());
}

// Until the main window is on the screen and painted once.
void waitUntilShown(QWidget &window)
{
    while (!window.windowHandle() || !window.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    window.repaint();
}

void waitForCheck(BackgroundCheck &check)
{
    if (check.state() == BackgroundCheck::State::Waiting || check.state() == BackgroundCheck::State::Running) {
        QEventLoop loop;
        QObject::connect(&check, &BackgroundCheck::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

template <typename Step> qint64 timed(Step step)
{
    QElapsedTimer timer;
    timer.start();
    step();
    return timer.nsecsElapsed();
}

int startOnce(const QString &location)
{
    // A venue on a server is started from an empty data folder of its own, as a station's would be.
    const bool onServer = Database::isServerAddress(location);
    QTemporaryDir stationFolder;
    const QString folder = onServer ? stationFolder.path() : location;
    TestPlatform services;
    std::unique_ptr<Program> program;
    qint64 read = 0;
    const qint64 shown = timed([&] {
        read = bytesReadSoFar();
        program = startProgram(folder, services.platform(), nullptr, onServer ? location : QString());
        // Before the event loop runs: the full check has not started reading yet.
        read = bytesReadSoFar() - read;
        if (program)
            waitUntilShown(*program->main);
    });
    if (!program)
        return 1;
    put("shown", shown);
    put("read", read);
    if (program->check) {
        put("check", timed([&] { waitForCheck(*program->check); }));
        put("damaged", program->check->state() == BackgroundCheck::State::Ok ? 0 : 1);
    }
    put("errors", services.dialogs.errors().size());
    put("peak", peakResidentBytes());

    // The parts of a start apart, now that the file is in the cache: the database's own checks, the six
    // shared cursors, and the cursors the three long-lived screens open.
    std::unique_ptr<Database> db;
    put("open", timed([&] { db = Database::open(location); }));
    std::unique_ptr<TDataModule1> data;
    put("sharedCursors", timed([&] { data = std::make_unique<TDataModule1>(*db, services.clock); }));
    put("tidying", timed([&] { tidyMembers(*data->TableCustomers, services.clock.now()); }));
    put("screenCursors", timed([&] {
            TFormcallpear drinks(*data, services.platform());
            TFormCloseroomandPay checkOut(*data, services.platform());
            TFormOpenroom checkIn(*data, services.platform());
        }));
    return 0;
}

qint64 scalar(Database &db, const QString &sql)
{
    QSqlQuery query = db.run(sql);
    return query.next() ? query.value(0).toLongLong() : -1;
}

int clearOnce(const QString &venue)
{
    QTemporaryDir scratch;
    if (!scratch.isValid() || !QFile::copy(Database::fileNameIn(venue), Database::fileNameIn(scratch.path())))
        return 1;
    TestPlatform services;
    std::unique_ptr<Program> program = startProgram(scratch.path(), services.platform());
    if (!program)
        return 1;
    waitUntilShown(*program->main);
    waitForCheck(*program->check); // not reading the file while it is cleared
    const qint64 visits = scalar(*program->db, QStringLiteral("SELECT count(*) FROM Openroom"));
    const qint64 lines = scalar(*program->db, QStringLiteral("SELECT count(*) FROM Callpear"));

    TFormEmptyTable window(*program->data, services.platform(), program->main.get());
    window.show();
    waitUntilShown(window);
    const auto click = [&window](const char *button) {
        return timed([&] { window.findChild<QPushButton *>(QLatin1String(button))->click(); });
    };
    put("clearedVisits", visits);
    put("clearedLines", lines);
    put("clearVisits", click("BitBtn6"));
    put("clearLines", click("BitBtn5"));
    put("left", scalar(*program->db, QStringLiteral("SELECT count(*) FROM Openroom")) +
                    scalar(*program->db, QStringLiteral("SELECT count(*) FROM Callpear")));
    put("errors", services.dialogs.errors().size());
    put("peak", peakResidentBytes());
    return 0;
}

// The statements each check-out step sends, on the oldest member's visit not checked out: what a step costs does not
// depend on the engine's speed or the machine's load. A venue in a folder is worked on a copy.
int stepsOnce(const QString &location)
{
    QTemporaryDir scratch;
    QString where = location;
    if (!Database::isServerAddress(location)) {
        if (!scratch.isValid() || !QFile::copy(Database::fileNameIn(location), Database::fileNameIn(scratch.path())))
            return 1;
        where = scratch.path();
    }
    std::unique_ptr<Database> db = Database::open(where);
    // A member's visit: the last two steps are the member's.
    const qint64 serial =
        scalar(*db, QStringLiteral("SELECT min(Openroom_Lishui) FROM Openroom WHERE (Openroom_endtime IS NULL OR "
                                   "Openroom_endtime < Openroom_begintime) AND Openroom_Customers_id IS NOT NULL"));
    if (serial < 0)
        return 1;
    const QDateTime now = QDateTime::currentDateTime();
    const auto count = [&db](const char *key, const std::function<void()> &step) {
        const quint64 before = db->statementsSent();
        step();
        put(key, qint64(db->statementsSent() - before));
    };
    count("checkOut", [&] { checkout::checkOut(*db, serial, now); });
    count("usedTime", [&] { checkout::computeUsedTime(*db, serial); });
    count("roomCharge", [&] { checkout::computeRoomCharge(*db, serial); });
    count("drinks", [&] { checkout::computeDrinks(*db, serial); });
    db->run(QStringLiteral("UPDATE Openroom SET Openroom_shifu = 100000 WHERE Openroom_Lishui = ?"), {serial});
    count("needsManager", [&] { checkout::paymentNeedingManager(*db, serial); });
    count("payment", [&] { checkout::takePayment(*db, serial, now); });
    count("lastVisit", [&] { checkout::stampLastVisit(*db, serial); });
    count("accumulate", [&] { checkout::accumulate(*db, serial); });
    return 0;
}

std::optional<Figures> inChild(const char *mode, const QString &folder)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QLatin1String(mode), folder});
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        say(QStringLiteral("%1 %2 failed (exit code %3)").arg(QLatin1String(mode), folder).arg(child.exitCode()));
        return std::nullopt;
    }
    Figures figures;
    for (const QString &line : QString::fromUtf8(child.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const QStringList w = line.split(QLatin1Char(' '));
        if (w.size() == 2)
            figures[w[0]] = w[1].toLongLong();
    }
    return figures;
}

// The runs of one venue: each key's values, one per run.
using Runs = QMap<QString, std::vector<qint64>>;

bool collect(Runs &runs, const char *mode, const QString &folder, int count, bool cold)
{
    for (int i = 0; i < count; ++i) {
        if (cold)
            dropPageCache();
        const std::optional<Figures> f = inChild(mode, folder);
        if (!f)
            return false;
        for (auto it = f->begin(); it != f->end(); ++it)
            runs[it.key()].push_back(it.value());
    }
    return true;
}

qint64 best(const Runs &runs, const QString &key)
{
    const std::vector<qint64> v = runs.value(key);
    return v.empty() ? -1 : *std::min_element(v.begin(), v.end());
}

qint64 median(const Runs &runs, const QString &key)
{
    std::vector<qint64> v = runs.value(key);
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

qint64 worst(const Runs &runs, const QString &key)
{
    const std::vector<qint64> v = runs.value(key);
    return v.empty() ? -1 : *std::max_element(v.begin(), v.end());
}

QString ms(qint64 ns)
{
    return ns < 0 ? QStringLiteral("-") : QString::number(ns / 1e6, 'f', 1);
}

QString mb(qint64 bytes)
{
    return QString::number(bytes / 1048576.0, 'f', 1);
}

QString row(const QString &label, const QStringList &cells)
{
    QString line = label.leftJustified(52);
    for (const QString &c : cells)
        line += c.rightJustified(12);
    return line;
}

} // namespace

int runChildMode(int argc, char *argv[])
{
    QString mode, folder;
    for (int i = 1; i + 1 < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (a == QLatin1String("--start") || a == QLatin1String("--clear") || a == QLatin1String("--steps")) {
            mode = a;
            folder = QString::fromLocal8Bit(argv[i + 1]);
        }
    }
    if (mode.isEmpty())
        return -1;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir work;
    if (!work.isValid() || !enterWorkingFolder(work))
        return 1;
    try {
        const int code = mode == QLatin1String("--start")   ? startOnce(folder)
                         : mode == QLatin1String("--steps") ? stepsOnce(folder)
                                                            : clearOnce(folder);
        std::fflush(stdout);
        return code;
    } catch (const StoreError &e) {
        std::fprintf(stderr, "%s\n", e.message().toUtf8().constData());
        return 1;
    }
}

bool measureStartAndClear(const QString &smallFolder, const QString &largeFolder, const QString &clearFolder,
                          int repeat)
{
    const int runs = std::clamp(repeat, 1, 5);
    say(QString());
    say(QStringLiteral("Starting the program (%1 warm runs after one to warm up, offscreen windows) ...").arg(runs));
    Runs small, large, smallCold, largeCold, clear;
    if (!collect(small, "--start", smallFolder, 1, false) || !collect(large, "--start", largeFolder, 1, false))
        return false;
    small.clear();
    large.clear();
    if (!collect(small, "--start", smallFolder, runs, false) || !collect(large, "--start", largeFolder, runs, false))
        return false;
    const bool cold = dropPageCache();
    if (cold) {
        say(QStringLiteral("Starting with the page cache dropped before each start (3 runs each) ..."));
        if (!collect(smallCold, "--start", smallFolder, 3, true) ||
            !collect(largeCold, "--start", largeFolder, 3, true))
            return false;
    } else {
        say(QStringLiteral("(The page cache cannot be dropped here: no cold starts.)"));
    }
    say(QStringLiteral("Clearing 100 000 visits and 300 000 order lines (3 runs on fresh copies) ..."));
    if (!collect(clear, "--clear", clearFolder, 3, false))
        return false;

    say(QString());
    say(row(QStringLiteral("start-up (ms)"), {QStringLiteral("1k"), QStringLiteral("1M"), QStringLiteral("ratio")}));
    const auto ratio = [](qint64 a, qint64 b) {
        return QString::number(double(b) / double(std::max<qint64>(1, a)), 'f', 2);
    };
    const auto line = [&](const QString &label, qint64 a, qint64 b) { say(row(label, {ms(a), ms(b), ratio(a, b)})); };
    line(QStringLiteral("to a shown main window, warm, best"), best(small, QStringLiteral("shown")),
         best(large, QStringLiteral("shown")));
    line(QStringLiteral("to a shown main window, warm, median"), median(small, QStringLiteral("shown")),
         median(large, QStringLiteral("shown")));
    if (cold)
        line(QStringLiteral("to a shown main window, cold, median"), median(smallCold, QStringLiteral("shown")),
             median(largeCold, QStringLiteral("shown")));
    line(QStringLiteral("  of which Database::open (warm, best)"), best(small, QStringLiteral("open")),
         best(large, QStringLiteral("open")));
    line(QStringLiteral("  of which the six shared cursors (warm, best)"), best(small, QStringLiteral("sharedCursors")),
         best(large, QStringLiteral("sharedCursors")));
    line(QStringLiteral("  of which the three screens' cursors (warm, best)"),
         best(small, QStringLiteral("screenCursors")), best(large, QStringLiteral("screenCursors")));
    line(QStringLiteral("  of which the member tidying (warm, best)"), best(small, QStringLiteral("tidying")),
         best(large, QStringLiteral("tidying")));
    const auto rest = [](const Runs &r) {
        return best(r, QStringLiteral("shown")) - best(r, QStringLiteral("open")) -
               best(r, QStringLiteral("sharedCursors")) - best(r, QStringLiteral("screenCursors"));
    };
    line(QStringLiteral("  the rest: windows, tidying, board, paint (warm, best)"), rest(small), rest(large));
    line(QStringLiteral("full check after the window shows (warm, median)"), median(small, QStringLiteral("check")),
         median(large, QStringLiteral("check")));
    if (cold)
        line(QStringLiteral("full check after the window shows (cold, median)"),
             median(smallCold, QStringLiteral("check")), median(largeCold, QStringLiteral("check")));
    say(row(QStringLiteral("read from files by the start itself (MB, worst run)"),
            {mb(worst(small, QStringLiteral("read"))), mb(worst(large, QStringLiteral("read")))}));
    say(row(QStringLiteral("peak memory of a start (MB, worst run)"),
            {mb(worst(small, QStringLiteral("peak"))), mb(worst(large, QStringLiteral("peak")))}));
    say(row(QStringLiteral("clearing (ms)"), {QStringLiteral("best"), QStringLiteral("median")}));
    for (const char *key : {"clearVisits", "clearLines"})
        say(row(QStringLiteral("  %1").arg(QLatin1String(key)),
                {ms(best(clear, QLatin1String(key))), ms(median(clear, QLatin1String(key)))}));

    bool met = true;
    const auto target = [&met](const QString &what, bool ok, const QString &figure) {
        met = met && ok;
        say(what.leftJustified(60) + figure.leftJustified(16) + (ok ? QStringLiteral("PASS") : QStringLiteral("MISS")));
    };
    say(QString());
    say(QStringLiteral("Targets:"));
    const double warmRatio = double(best(large, QStringLiteral("shown"))) /
                             double(std::max<qint64>(1, best(small, QStringLiteral("shown"))));
    target(QStringLiteral("start-up at 1M <= 2x its cost at 1k (warm, best)"), warmRatio <= 2.0,
           QStringLiteral("%1x").arg(warmRatio, 0, 'f', 2));
    if (cold) {
        const double coldRatio = double(median(largeCold, QStringLiteral("shown"))) /
                                 double(std::max<qint64>(1, median(smallCold, QStringLiteral("shown"))));
        target(QStringLiteral("start-up at 1M <= 2x its cost at 1k (cold, median)"), coldRatio <= 2.0,
               QStringLiteral("%1x").arg(coldRatio, 0, 'f', 2));
    }
    const qint64 peak = std::max(worst(large, QStringLiteral("peak")), worst(largeCold, QStringLiteral("peak")));
    target(QStringLiteral("peak memory of a start at 1M < 100 MB"), peak > 0 && peak < 100LL * 1048576,
           QStringLiteral("%1 MB").arg(mb(peak)));
    const qint64 clearing = median(clear, QStringLiteral("clearVisits")) + median(clear, QStringLiteral("clearLines"));
    target(QStringLiteral("clear 100 000 visits + 300 000 lines < 5 s (median)"),
           clearing < 5000000000LL && worst(clear, QStringLiteral("left")) == 0 &&
               worst(clear, QStringLiteral("errors")) == 0,
           QStringLiteral("%1 ms").arg(ms(clearing)));
    target(QStringLiteral("no damage reported on the generated databases"),
           worst(small, QStringLiteral("damaged")) == 0 && worst(large, QStringLiteral("damaged")) == 0, QString());
    return met;
}

bool measureServerStart(const QString &smallUrl, const QString &largeUrl, int repeat)
{
    const int runs = std::clamp(repeat, 1, 5);
    say(QString());
    say(QStringLiteral("Starting the program on the server's venues (%1 warm runs after one to warm up) ...").arg(runs));
    Runs small, large;
    if (!collect(small, "--start", smallUrl, 1, false) || !collect(large, "--start", largeUrl, 1, false))
        return false;
    small.clear();
    large.clear();
    if (!collect(small, "--start", smallUrl, runs, false) || !collect(large, "--start", largeUrl, runs, false))
        return false;
    say(row(QStringLiteral("start-up on the server (ms)"), {QStringLiteral("1k"), QStringLiteral("1M"), QStringLiteral("ratio")}));
    const auto line = [&](const QString &label, const QString &key) {
        const qint64 a = best(small, key);
        const qint64 b = best(large, key);
        say(row(label, {ms(a), ms(b), QString::number(double(b) / double(std::max<qint64>(1, a)), 'f', 2)}));
    };
    line(QStringLiteral("to a shown main window, warm, best"), QStringLiteral("shown"));
    line(QStringLiteral("  of which Database::open (warm, best)"), QStringLiteral("open"));
    line(QStringLiteral("  of which the three screens' cursors (warm, best)"), QStringLiteral("screenCursors"));
    say(row(QStringLiteral("peak memory of a start (MB, worst run)"),
            {mb(worst(small, QStringLiteral("peak"))), mb(worst(large, QStringLiteral("peak")))}));
    const double ratio = double(best(large, QStringLiteral("shown"))) /
                         double(std::max<qint64>(1, best(small, QStringLiteral("shown"))));
    const bool met = ratio <= 2.0;
    say(QStringLiteral("start-up on the server at 1M <= 2x its cost at 1k (warm, best)").leftJustified(60) +
        QStringLiteral("%1x").arg(ratio, 0, 'f', 2).leftJustified(16) + (met ? QStringLiteral("PASS") : QStringLiteral("MISS")));
    return met;
}

bool measureStepStatements(const QList<QPair<QString, QString>> &venues)
{
    const char *const steps[] = {"checkOut", "usedTime", "roomCharge", "drinks", "needsManager", "payment",
                                 "lastVisit", "accumulate"};
    say(QString());
    QStringList names;
    for (const auto &venue : venues)
        names << venue.first;
    say(row(QStringLiteral("statements sent by each check-out step"), names));
    QList<Figures> figures;
    for (const auto &venue : venues) {
        const std::optional<Figures> f = inChild("--steps", venue.second);
        if (!f)
            return false;
        figures << *f;
    }
    bool met = true;
    for (const char *step : steps) {
        QStringList cells;
        for (const Figures &f : figures) {
            const qint64 n = f.value(QLatin1String(step), -1);
            met = met && n >= 0 && n <= 20;
            cells << QString::number(n);
        }
        say(row(QStringLiteral("  %1").arg(QLatin1String(step)), cells));
    }
    say(QStringLiteral("every check-out step within 20 statements").leftJustified(76) +
        (met ? QStringLiteral("PASS") : QStringLiteral("MISS")));
    return met;
}

} // namespace ktv::bench
