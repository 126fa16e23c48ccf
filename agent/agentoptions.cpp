#include "agentoptions.h"

#include "commandwords.h"

#include "clients/agentwire.h"
#include "store/database.h"

#include <QCommandLineParser>

namespace ktv {

namespace {

const QString kPort = QStringLiteral("port");
const QString kOnShutdown = QStringLiteral("on-shutdown");
const QString kOnRestart = QStringLiteral("on-restart");
const QString kAllow = QStringLiteral("allow");
const QString kIdle = QStringLiteral("idle");
const QString kListen = QStringLiteral("listen");
const QString kDatabase = QStringLiteral("database");

// Four dotted parts, read as the cashier program reads Clients_ip: no short forms.
std::optional<QHostAddress> address(const QString &text)
{
    const std::optional<quint32> parsed = parseDottedAddress(text.trimmed());
    if (!parsed)
        return std::nullopt;
    return QHostAddress(*parsed);
}

// A command line's words must split: an open quote would start something else than was meant.
QString commandProblem(const QString &option, const QString &commandLine)
{
    if (commandWords(commandLine))
        return {};
    return QStringLiteral("--%1: a quote is not closed in “%2”").arg(option, commandLine);
}

// A whole number from low to high written in decimal, or nothing.
std::optional<int> number(const QString &text, int low, int high)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

} // namespace

AgentOptions parseAgentOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Client agent for a room PC: takes the cashier program's restart and shut-down commands."));
    const QCommandLineOption help = parser.addHelpOption();
    parser.addOptions({
        {kListen, QStringLiteral("Listen only at this IPv4 address of the PC (default: all of its addresses)."),
         QStringLiteral("ADDRESS")},
        {kPort, QStringLiteral("TCP port to listen on (886)."), QStringLiteral("PORT"), QStringLiteral("886")},
        {kOnShutdown,
         QStringLiteral("Command line run for a shut-down command, split into words as a shell would but run "
                        "without one; without it the command is only logged."),
         QStringLiteral("CMD")},
        {kOnRestart,
         QStringLiteral("Command line run for a restart command, split into words as a shell would but run without "
                        "one; without it the command is only logged."),
         QStringLiteral("CMD")},
        {kAllow, QStringLiteral("Take commands only from these IPv4 addresses (the cashier PCs)."),
         QStringLiteral("ADDR[,ADDR...]")},
        {kIdle, QStringLiteral("Close a connection that has brought no command after this many seconds (10)."),
         QStringLiteral("SECONDS"), QStringLiteral("10")},
        {kDatabase,
         QStringLiteral("Keep this PC's record (address, host name, running or stopped) in the venue database on "
                        "this server; the password comes from PGPASSWORD or the password file."),
         QStringLiteral("postgresql://USER@HOST:PORT/DBNAME")},
    });

    AgentOptions options;
    options.helpText = parser.helpText();
    if (!parser.parse(arguments)) {
        options.error = parser.errorText();
        return options;
    }
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        options.help = true;
        return options;
    }
    if (!parser.positionalArguments().isEmpty()) {
        options.error = QStringLiteral("unexpected argument “%1”").arg(parser.positionalArguments().first());
        return options;
    }

    AgentSettings &settings = options.settings;
    const std::optional<int> port = number(parser.value(kPort), 1, 65535);
    if (!port) {
        options.error = QStringLiteral("--port: “%1” is no port number (1 to 65535)").arg(parser.value(kPort));
        return options;
    }
    settings.port = quint16(*port);
    const std::optional<int> idle = number(parser.value(kIdle), 1, 3600);
    if (!idle) {
        options.error = QStringLiteral("--idle: “%1” is no number of seconds (1 to 3600)").arg(parser.value(kIdle));
        return options;
    }
    settings.idleSeconds = *idle;
    settings.onShutdown = parser.value(kOnShutdown).trimmed();
    settings.onRestart = parser.value(kOnRestart).trimmed();
    for (const auto &[option, line] :
         {std::pair{kOnShutdown, settings.onShutdown}, std::pair{kOnRestart, settings.onRestart}}) {
        options.error = commandProblem(option, line);
        if (!options.error.isEmpty())
            return options;
    }
    if (parser.isSet(kListen)) {
        const std::optional<QHostAddress> listen = address(parser.value(kListen));
        if (!listen) {
            options.error = QStringLiteral("--listen: “%1” is no IPv4 address").arg(parser.value(kListen).trimmed());
            return options;
        }
        settings.listen = *listen;
    }
    if (parser.isSet(kDatabase)) {
        options.database = parser.value(kDatabase).trimmed();
        if (!Database::isServerAddress(options.database)) {
            options.error = QStringLiteral("--database: “%1” is no postgresql://USER@HOST:PORT/DBNAME address")
                                .arg(options.database);
            return options;
        }
    }
    for (const QString &list : parser.values(kAllow)) {
        for (const QString &item : list.split(u',', Qt::SkipEmptyParts)) {
            const std::optional<QHostAddress> allowed = address(item);
            if (!allowed) {
                options.error = QStringLiteral("--allow: “%1” is no IPv4 address").arg(item.trimmed());
                return options;
            }
            settings.allowed.append(*allowed);
        }
    }
    return options;
}

} // namespace ktv
