#include "startup.h"

#include "formmain.h"

#include "visits/formcallpear.h"
#include "visits/formcloseroomandpay.h"
#include "visits/formopenroom.h"

#include "reports/demovisits.h"
#include "backup/automaticbackup.h"
#include "backup/backupjob.h"
#include "backup/folderlock.h"
#include "backup/restoreatexit.h"

#include "store/database.h"
#include "store/datamodule.h"
#include "store/demodata.h"
#include "store/integritycheck.h"
#include "store/storeerror.h"
#include "widgets/platform.h"

#include <QCommandLineParser>
#include <QDir>
#include <QTimer>

namespace ktv {

Program::~Program()
{
    check.reset(); // waits for a check still reading the file
    // Windows go first: they hold cursors on the database.
    main.reset();
    data.reset();
    db.reset();
    dailyBackup.reset(); // waits for a copy under way
}

StartOptions parseStartOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption dataDir(QStringLiteral("data-dir"), QStringLiteral("The venue's data folder."),
                                     QStringLiteral("DIR"));
    const QCommandLineOption createData(QStringLiteral("create-data"),
                                        QStringLiteral("Create a new, empty venue database in DIR and stop."),
                                        QStringLiteral("DIR"));
    const QCommandLineOption demo(QStringLiteral("demo"),
                                  QStringLiteral("With --create-data: add the demo rooms, drinks, member and a week of past visits."));
    const QCommandLineOption report(QStringLiteral("report"),
                                    QStringLiteral("Print a report (takings, rooms or drinks) and stop."),
                                    QStringLiteral("KIND"));
    const QCommandLineOption from(QStringLiteral("from"), QStringLiteral("With --report: the first business day."),
                                  QStringLiteral("YYYY-MM-DD"));
    const QCommandLineOption to(QStringLiteral("to"), QStringLiteral("With --report: the last business day."),
                                QStringLiteral("YYYY-MM-DD"));
    const QCommandLineOption csv(QStringLiteral("csv"), QStringLiteral("With --report: print CSV."));
    const QCommandLineOption backup(QStringLiteral("backup"),
                                    QStringLiteral("Write a backup of the venue database to DIR/backups and stop."));
    const QCommandLineOption restore(QStringLiteral("restore"),
                                     QStringLiteral("Restore the venue database from FILE and stop."),
                                     QStringLiteral("FILE"));
    const QCommandLineOption check(QStringLiteral("check"),
                                   QStringLiteral("Check every page of the database in the data folder and stop."));
    parser.addOptions({dataDir, createData, demo, report, from, to, csv, backup, restore, check});
    StartOptions options;
    if (!parser.parse(arguments)) {
        options.error = parser.errorText();
        return options;
    }
    options.dataFolder = parser.isSet(dataDir) ? parser.value(dataDir) : Database::defaultFolder();
    options.createFolder = parser.value(createData);
    options.demo = parser.isSet(demo);
    options.backup = parser.isSet(backup);
    options.restoreFile = parser.value(restore);
    if (options.demo && options.createFolder.isEmpty())
        options.error = QStringLiteral("--demo goes with --create-data");
    options.report = parser.value(report);
    options.reportFrom = parser.value(from);
    options.reportTo = parser.value(to);
    options.csv = parser.isSet(csv);
    if (options.report.isEmpty() && (parser.isSet(from) || parser.isSet(to) || options.csv))
        options.error = QStringLiteral("--from, --to and --csv go with --report");
    options.check = parser.isSet(check);
    if (options.check && !options.createFolder.isEmpty())
        options.error = QStringLiteral("--check checks an existing data folder; leave out --create-data");
    return options;
}

namespace {

// The full check reads the whole file: it starts once the event loop runs, so never before the main window
// shows, and reports damage through the error display.
void startCheckWhenShown(Program &program, Dialogs &dialogs)
{
    program.check = std::make_unique<BackgroundCheck>(Database::fileNameIn(program.db->folder()));
    BackgroundCheck *check = program.check.get();
    program.main->setIntegrityCheck(check);
    QObject::connect(check, &BackgroundCheck::finished, program.main.get(), [check, &dialogs] {
        if (!check->message().isEmpty())
            dialogs.showError(check->message());
    });
    QTimer::singleShot(0, check, &BackgroundCheck::start);
}

} // namespace

std::unique_ptr<Program> startProgram(const QString &folder, const Platform &platform, QString *error)
{
    auto program = std::make_unique<Program>();
    try {
        program->db = Database::open(folder);
        program->lock = FolderLock::tryHold(folder);
        if (!program->lock)
            throw StoreError(QStringLiteral("数据文件夹 %1 已被另一个运行中的本程序使用")
                                 .arg(QDir::toNativeSeparators(folder)));
        program->data = std::make_unique<TDataModule1>(*program->db, platform.clock);
    } catch (const StoreError &e) {
        platform.dialogs.showError(e.message());
        if (error)
            *error = e.message();
        return nullptr;
    }
    TFormMain *main = new TFormMain(*program->data, platform);
    program->main.reset(main);
    runGuarded(platform.dialogs, [main] { main->FormCreate(); });
    main->showMaximized();
    // The long-lived screens, owned by the main window: hidden until the menu or the board brings them up.
    // The program cannot work without them: a failure to build one is shown and ends the start.
    bool built = false;
    QString failure;
    runGuarded(platform.dialogs, [&] {
        try {
            auto *drinks = new TFormcallpear(*program->data, platform, main);
            auto *checkOut = new TFormCloseroomandPay(*program->data, platform, main);
            auto *checkIn = new TFormOpenroom(*program->data, platform, main);
            main->attachScreens(drinks, checkOut, checkIn);
            built = true;
        } catch (const StoreError &e) {
            failure = e.message();
            throw;
        }
    });
    if (!built) {
        if (error)
            *error = failure.isEmpty() ? QStringLiteral("程序窗口无法建立") : failure;
        return nullptr;
    }
    program->db->watchOtherWriters(500);
    program->dailyBackup = startDailyBackup(folder, platform);
    startCheckWhenShown(*program, platform.dialogs);
    return program;
}

void endProgram(std::unique_ptr<Program> program, const Platform &platform)
{
    const std::unique_ptr<FolderLock> lock = std::move(program->lock);
    const QString folder = program->db->folder();
    program.reset();
    finishRestoreAtExit(folder, platform);
}

QString createVenueData(const QString &folder, bool demo, const Clock &clock)
{
    try {
        auto db = Database::create(folder);
        if (demo) {
            addDemoData(*db, clock);
            addDemoVisits(*db, clock);
        }
    } catch (const StoreError &e) {
        return e.message();
    }
    return {};
}

} // namespace ktv
