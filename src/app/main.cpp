#include "apptitle.h"
#include "checkdata.h"
#include "formmain.h"
#include "serververbs.h"
#include "startup.h"

#include "reports/reportcommand.h"
#include "backup/backupverbs.h"
#include "staff/staffstore.h"
#include "store/database.h"
#include "store/storeerror.h"
#include "store/clock.h"
#include "store/venuelocation.h"
#include "widgets/platform.h"
#include "widgets/qtplatform.h"
#include "widgets/qtprinter.h"
#include "widgets/qtresolver.h"

#include <QApplication>
#include <QTextStream>

#include <cstdio>
#include <optional>

namespace {

// The venue every verb works on: the data folder's database, or the server's that --database or the folder's
// ktv.ini names. Nothing when it cannot be told; the reason is printed.
std::optional<ktv::VenueLocation> venueOf(const ktv::StartOptions &options)
{
    try {
        return ktv::locateVenue(options.dataFolder, options.database);
    } catch (const ktv::StoreError &e) {
        std::fprintf(stderr, "ktv: %s\n", qPrintable(e.message()));
        return std::nullopt;
    }
}

// Creating a venue database needs no display, so it runs before any window system is asked for.
int createData(int argc, char *argv[], const ktv::StartOptions &options)
{
    QCoreApplication app(argc, argv);
    const ktv::SystemClock clock;
    const QString error =
        options.database.isEmpty()
            ? ktv::createVenueData(options.createFolder, options.demo, clock)
            : ktv::createServerVenue(options.createFolder, options.database, options.demo, clock);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "ktv: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("ktv: created a venue database in %s\n", qPrintable(options.createFolder));
    return 0;
}

// A report is printed without a display too.
int printReport(int argc, char *argv[], const ktv::StartOptions &options)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const std::optional<ktv::VenueLocation> venue = venueOf(options);
    if (!venue)
        return 1;
    return ktv::reports::runReportCommand(
        {venue->where(), options.report, options.reportFrom, options.reportTo, options.csv}, out, err);
}

// Backing up and restoring need no display either.
int backupVerbs(int argc, char *argv[], const ktv::StartOptions &options)
{
    QCoreApplication app(argc, argv);
    const ktv::SystemClock clock;
    QTextStream out(stdout);
    QTextStream err(stderr);
    const std::optional<ktv::VenueLocation> venue = venueOf(options);
    if (!venue)
        return 1;
    if (venue->onServer())
        return options.backup ? ktv::serverBackupVerb(*venue, clock, out, err)
                              : ktv::serverRestoreVerb(*venue, options.restoreFile, clock, out, err);
    return options.backup ? ktv::backupVerb(options.dataFolder, clock, out, err)
                          : ktv::restoreVerb(options.dataFolder, options.restoreFile, clock, out, err);
}

// Copying between engines prints its progress as it goes.
int copyTo(int argc, char *argv[], const ktv::StartOptions &options)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const std::optional<ktv::VenueLocation> venue = venueOf(options);
    return venue ? ktv::copyToVerb(*venue, options.copyTo, out, err) : 1;
}

// Adding a member of staff reads the password from standard input, so that it shows in no process list.
int addStaff(int argc, char *argv[], const ktv::StartOptions &options)
{
    QCoreApplication app(argc, argv);
    const ktv::SystemClock clock;
    try {
        const ktv::VenueLocation venue = ktv::locateVenue(options.dataFolder, options.database);
        std::unique_ptr<ktv::Database> db = ktv::Database::open(venue.where());
        if (db->needsUpgrade())
            throw ktv::StoreError(QStringLiteral("数据库来自较早的版本：请先启动一次程序，让它升级数据库"));
        QTextStream in(stdin);
        const QString password = in.readLine();
        ktv::staff::add(*db, options.addStaffId, options.addStaffName, options.addStaffRole, password, clock.now());
    } catch (const ktv::StoreError &e) {
        std::fprintf(stderr, "ktv: %s\n", qPrintable(e.message()));
        return 1;
    }
    std::printf("ktv: %s\n", qPrintable(QStringLiteral("已添加员工 %1 %2（%3）")
                                             .arg(options.addStaffId, options.addStaffName, options.addStaffRole)));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const ktv::StartOptions options = ktv::parseStartOptions(arguments);
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "ktv: %s\n", qPrintable(options.error));
        return 2;
    }
    if (options.help || options.version) {
        QTextStream out(stdout);
        out << (options.help ? ktv::usageText() : ktv::versionText() + QLatin1Char('\n'));
        return 0;
    }
    if (!options.createFolder.isEmpty())
        return createData(argc, argv, options);
    if (!options.report.isEmpty())
        return printReport(argc, argv, options);
    if (options.backup || !options.restoreFile.isEmpty())
        return backupVerbs(argc, argv, options);
    if (!options.addStaffId.isEmpty())
        return addStaff(argc, argv, options);
    if (!options.copyTo.isEmpty())
        return copyTo(argc, argv, options);
    if (options.check) {
        QCoreApplication app(argc, argv);
        QTextStream out(stdout);
        const std::optional<ktv::VenueLocation> venue = venueOf(options);
        if (!venue)
            return 1;
        return venue->onServer() ? ktv::checkServerDatabase(venue->database, out)
                                 : ktv::checkVenueData(options.dataFolder, out);
    }

    QApplication app(argc, argv);
    ktv::setApplicationTitle();

    ktv::QtDialogs dialogs;
    ktv::QtBeeper beeper;
    ktv::SystemClock clock;
    ktv::QtWebOpener web;
    ktv::QtReceiptPrinter printer;
    ktv::QtHostResolver resolver;
    ktv::Platform platform{dialogs, beeper, clock, web, printer, resolver};

    QString error;
    std::unique_ptr<ktv::Program> program = ktv::startProgram(options.dataFolder, platform, &error, options.database);
    if (!program) {
        if (error.isEmpty())
            return 0; // the log-in was cancelled
        std::fprintf(stderr, "ktv: %s\n", qPrintable(error));
        return 1;
    }
    dialogs.setParentWidget(program->main.get());
    const int code = app.exec();
    ktv::endProgram(std::move(program), platform);
    return code;
}
