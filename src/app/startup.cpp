#include "startup.h"

#include "formmain.h"
#include "serverpassword.h"

#include "visits/formcallpear.h"
#include "visits/formcloseroomandpay.h"
#include "visits/formopenroom.h"

#include "backup/automaticbackup.h"
#include "backup/backupjob.h"
#include "backup/folderlock.h"
#include "backup/onlinecopy.h"
#include "backup/restore.h"
#include "backup/restoreatexit.h"
#include "reports/demovisits.h"
#include "staff/formauthorise.h"
#include "staff/formlogin.h"

#include "store/database.h"
#include "store/datamodule.h"
#include "store/demodata.h"
#include "store/integritycheck.h"
#include "store/storeerror.h"
#include "store/venuelocation.h"
#include "widgets/platform.h"
#include "widgets/statuspanels.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
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

namespace {

struct VerbLine
{
    const char *usage;
    const char *what;
};

// One line per verb for --help.
const VerbLine kVerbLines[] = {
    {"(不带命令)", "启动收银程序"},
    {"--data-dir DIR", "使用数据文件夹 DIR（默认为 %1），可与下面除 --create-data 外的命令同用"},
    {"--database URL", "使用 PostgreSQL 服务器上的数据库 postgresql://用户名@服务器:端口/数据库名"
                       "（密码来自 PGPASSWORD 或密码文件），优先于数据文件夹中 ktv.ini 的 [database] url；"
                       "可与任何命令同用，数据文件夹仍存放设置和备份"},
    {"--create-data DIR [--database URL] [--demo]",
     "在 DIR 新建空的场所数据库后退出；给了 --database 时在服务器上的空数据库中建立，并写入 DIR/ktv.ini"
     "（--demo 加入演示的房间、酒水、会员和一周的消费）"},
    {"--check", "检查数据库文件的每一页、每条记录和索引（服务器上的数据库：表结构和索引）：正常时打印 ok，否则打印问题"},
    {"--backup", "把数据库备份为 DIR/backups/ktv-日期-时间.db 并打印其路径（程序运行时也可以）"},
    {"--copy-to URL|FILE.db", "把数据库整个复制到服务器上的空数据库或新的数据库文件，并逐表打印两边的记录数和金额合计"},
    {"--restore FILE", "用备份文件 FILE 恢复数据库（须先退出程序），被替换的数据库另存为恢复前的备份"},
    {"--report takings|rooms|drinks|staff --from YYYY-MM-DD --to YYYY-MM-DD [--csv]", "打印营业、房间、酒水或员工操作报表"},
    {"--add-staff ID NAME ROLE", "添加员工（ROLE 为 收银员、经理 或 管理员），密码从标准输入读一行"},
    {"--help", "显示本说明"},
    {"--version", "显示程序版本"},
};

} // namespace

QString usageText()
{
    QString text = QStringLiteral("用法：ktv [--data-dir DIR] [命令]，一次只能给一个命令：\n");
    for (const VerbLine &line : kVerbLines) {
        QString what = QString::fromUtf8(line.what);
        if (what.contains(QLatin1String("%1")))
            what = what.arg(QDir::toNativeSeparators(Database::defaultFolder()));
        text += QStringLiteral("  %1  %2\n").arg(QString::fromUtf8(line.usage).leftJustified(26), what);
    }
    return text;
}

QString versionText()
{
    return QStringLiteral("ktv %1").arg(QStringLiteral(KTV_VERSION));
}

StartOptions parseStartOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    // Only the long forms: "-abc" is never read as three options.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption dataDir(QStringLiteral("data-dir"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption database(QStringLiteral("database"), QString(), QStringLiteral("URL"));
    const QCommandLineOption createData(QStringLiteral("create-data"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption demo(QStringLiteral("demo"));
    const QCommandLineOption report(QStringLiteral("report"), QString(), QStringLiteral("KIND"));
    const QCommandLineOption from(QStringLiteral("from"), QString(), QStringLiteral("YYYY-MM-DD"));
    const QCommandLineOption to(QStringLiteral("to"), QString(), QStringLiteral("YYYY-MM-DD"));
    const QCommandLineOption csv(QStringLiteral("csv"));
    const QCommandLineOption backup(QStringLiteral("backup"));
    const QCommandLineOption restore(QStringLiteral("restore"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption check(QStringLiteral("check"));
    const QCommandLineOption copyTo(QStringLiteral("copy-to"), QString(), QStringLiteral("URL"));
    const QCommandLineOption addStaff(QStringLiteral("add-staff"), QString(), QStringLiteral("ID"));
    const QCommandLineOption help(QStringLiteral("help"));
    const QCommandLineOption version(QStringLiteral("version"));
    const QList<QCommandLineOption> all{dataDir, database, createData, demo,     report, from,   to,     csv,
                                        backup,  restore,  check,      copyTo,   addStaff, help, version};
    parser.addOptions(all);
    StartOptions options;
    const auto refuse = [&options](const QString &why) {
        options.error = why + QStringLiteral("（ktv --help 列出全部命令）");
        return options;
    };
    if (!parser.parse(arguments))
        return refuse(parser.errorText());
    // Only --add-staff takes more than its option's value: the name and the role.
    const QStringList positional = parser.positionalArguments();
    if (parser.isSet(addStaff) && positional.size() != 2)
        return refuse(QStringLiteral("--add-staff 需要员工编号、姓名和岗位三项"));
    if (!parser.isSet(addStaff) && !positional.isEmpty())
        return refuse(QStringLiteral("多余的参数：%1").arg(positional.join(QLatin1Char(' '))));
    for (const QCommandLineOption &option : all) {
        if (!option.valueName().isEmpty() && parser.values(option).size() > 1)
            return refuse(QStringLiteral("--%1 只能给一次").arg(option.names().first()));
    }
    QStringList verbs;
    for (const QCommandLineOption *verb : {&createData, &check, &backup, &restore, &report, &copyTo, &addStaff, &help, &version}) {
        if (parser.isSet(*verb))
            verbs << QStringLiteral("--") + verb->names().first();
    }
    if (verbs.size() > 1)
        return refuse(QStringLiteral("一次只能给一个命令，不能同时给 %1").arg(verbs.join(QStringLiteral("、"))));

    options.help = parser.isSet(help);
    options.version = parser.isSet(version);
    options.dataFolder = parser.isSet(dataDir) ? parser.value(dataDir) : Database::defaultFolder();
    options.database = parser.value(database);
    options.createFolder = parser.value(createData);
    options.demo = parser.isSet(demo);
    options.backup = parser.isSet(backup);
    options.restoreFile = parser.value(restore);
    options.report = parser.value(report);
    options.reportFrom = parser.value(from);
    options.reportTo = parser.value(to);
    options.csv = parser.isSet(csv);
    options.check = parser.isSet(check);
    options.copyTo = parser.value(copyTo);
    if (parser.isSet(addStaff)) {
        options.addStaffId = parser.value(addStaff);
        options.addStaffName = positional.value(0);
        options.addStaffRole = positional.value(1);
        if (options.addStaffId.isEmpty())
            return refuse(QStringLiteral("--add-staff 需要员工编号"));
    }
    if (parser.isSet(createData) && options.createFolder.isEmpty())
        return refuse(QStringLiteral("--create-data 需要一个文件夹"));
    if (parser.isSet(copyTo) && options.copyTo.isEmpty())
        return refuse(QStringLiteral("--copy-to 需要服务器上数据库的地址或一个新的数据库文件"));
    if (parser.isSet(restore) && options.restoreFile.isEmpty())
        return refuse(QStringLiteral("--restore 需要一个备份文件"));
    if (parser.isSet(report) && options.report.isEmpty())
        return refuse(QStringLiteral("--report 需要报表的种类：takings、rooms、drinks 或 staff"));
    if (options.demo && options.createFolder.isEmpty())
        return refuse(QStringLiteral("--demo 只能与 --create-data 同用"));
    if (options.report.isEmpty() && (parser.isSet(from) || parser.isSet(to) || options.csv))
        return refuse(QStringLiteral("--from、--to 和 --csv 只能与 --report 同用"));
    if (parser.isSet(database) && !Database::isServerAddress(options.database))
        return refuse(QStringLiteral("--database 需要服务器上数据库的地址：postgresql://用户名@服务器:端口/数据库名"));
    if (parser.isSet(dataDir) && !options.createFolder.isEmpty())
        return refuse(QStringLiteral("--create-data 自带文件夹，不能再给 --data-dir"));
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

std::unique_ptr<Program> startProgram(const QString &folder, const Platform &platform, QString *error,
                                      const QString &database)
{
    auto program = std::make_unique<Program>();
    VenueLocation venue;
    try {
        venue = locateVenue(folder, database);
        if (venue.onServer() && !QFileInfo(folder).isDir())
            throw StoreError(QStringLiteral("找不到数据文件夹：%1").arg(QDir::toNativeSeparators(folder)));
        program->db = openAskingPassword(venue.where(), platform.dialogs);
        program->db->setStationFolder(folder);
        program->lock = FolderLock::tryHold(folder);
        if (!program->lock)
            throw StoreError(QStringLiteral("数据文件夹 %1 已被另一个运行中的本程序使用")
                                 .arg(QDir::toNativeSeparators(folder)));
        // What killed backups and restores left behind; nothing is being written under the folder's lock but
        // a backup from the command line, whose part is locked and stays.
        removeAbandonedParts(folder);
        removeAbandonedRestoreFiles(folder);
        // A database of an earlier release gets the tables added since, after a backup that passed its
        // check; on a server the upgrade is one transaction, which fails whole.
        if (program->db->needsUpgrade()) {
            if (!program->db->dialect().isServer())
                backupBeforeUpgrade(folder, platform);
            program->db->upgrade();
        }
        program->data = std::make_unique<TDataModule1>(*program->db, platform.clock);
    } catch (const StoreError &e) {
        platform.dialogs.showError(e.message());
        if (error)
            *error = e.message();
        return nullptr;
    }
    // Once staff are set up, nobody works the program without logging in; cancelled, the program ends.
    QString loggedIn;
    try {
        if (staff::anyActive(*program->db)) {
            TFormLogin login(*program->db, platform);
            if (login.exec() != QDialog::Accepted) {
                if (error)
                    error->clear();
                return nullptr;
            }
            loggedIn = staff::loggedInText(login.member());
        }
    } catch (const StoreError &e) {
        platform.dialogs.showError(e.message());
        if (error)
            *error = e.message();
        return nullptr;
    }
    TFormMain *main = new TFormMain(*program->data, platform);
    program->main.reset(main);
    main->StatusBar1()->setPanelText(3, loggedIn);
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
            Database &db = *program->db;
            checkOut->setAuthoriser([&db, platform, checkOut](const QString &role, const QString &what) {
                return askAuthorisation(db, platform, role, what, checkOut);
            });
            drinks->setRemovalAuthoriser(
                [&db, platform, drinks](const QString &role, const QString &what) -> std::optional<TFormcallpear::Removal> {
                    const std::optional<Authorisation> allowed = askAuthorisationWithReason(db, platform, role, what, drinks);
                    if (!allowed)
                        return std::nullopt;
                    return TFormcallpear::Removal{allowed->by, allowed->reason};
                });
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
    // The daily copy and the full check read the database file; a server's database has none here.
    if (!venue.onServer()) {
        program->dailyBackup = startDailyBackup(folder, platform);
        startCheckWhenShown(*program, platform.dialogs);
    }
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
