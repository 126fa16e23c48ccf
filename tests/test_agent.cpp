#include "storefixture.h"
#include "support/scripted.h"

#include "agent/agentconnection.h"
#include "agent/agentoptions.h"
#include "agent/agentserver.h"
#include "agent/commandwords.h"
#include "agent/launch.h"
#include "clients/agentlink.h"
#include "clients/formclientsview.h"
#include "store/datamodule.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace ktv;

namespace {

const QString kRestartLine = QStringLiteral("restart-this-pc now");
const QString kShutDownLine = QStringLiteral("power-off now");

// The agent on loopback at a port the system chooses, with the command lines it would start recorded
// instead of started.
struct AgentFixture
{
    AgentSettings settings;
    QStringList started;
    QStringList log;
    std::unique_ptr<AgentServer> server;

    AgentFixture()
    {
        settings.port = 0;
        settings.onRestart = kRestartLine;
        settings.onShutdown = kShutDownLine;
    }

    bool start()
    {
        server = std::make_unique<AgentServer>(
            settings,
            [this](const QString &line) {
                started << line;
                return true;
            },
            [this](const QString &line) { log << line; });
        return server->listen(QHostAddress::LocalHost);
    }

    // Sends the bytes on a connection of its own and waits until the agent has closed it.
    bool send(const QByteArray &bytes, bool end = true)
    {
        QSignalSpy closed(server.get(), &AgentServer::connectionClosed);
        QTcpSocket peer;
        peer.connectToHost(QHostAddress::LocalHost, server->port());
        if (!peer.waitForConnected(5000))
            return false;
        peer.write(bytes);
        if (end)
            peer.disconnectFromHost();
        return closed.wait(5000);
    }
};

} // namespace

class AgentTest : public QObject
{
    Q_OBJECT

private slots:
    void restartFromTheCashierWindowRunsOnce();
    void onlyACommandRuns_data();
    void onlyACommandRuns();
    void commandFromAnotherAddressIsDropped_data();
    void commandFromAnotherAddressIsDropped();
    void silentConnectionClosedWhenIdle();
    void connectionsBeyondTheLimitAreClosed();
    void commandLineIsStarted();
    void commandWordsSplitAsAShellWould_data();
    void commandWordsSplitAsAShellWould();
    void options_data();
    void options();
};

// The program's own window sends "2" to the agent: the restart command line is started once.
void AgentTest::restartFromTheCashierWindowRunsOnce()
{
    AgentFixture agent;
    QVERIFY(agent.start());
    StoreFixture store;
    store.addRecord(tables::clients(), {{QStringLiteral("Clients_ip"), QStringLiteral("127.0.0.1")}});
    TestPlatform services;
    services.agentPort = agent.server->port();
    TDataModule1 data(*store.db, services.clock);
    TFormClientsView view(data, services.platform());
    QSignalSpy closed(agent.server.get(), &AgentServer::connectionClosed);
    view.BitBtnRebootClient()->click();
    QCOMPARE(services.dialogs.messages(), QStringList{QStringLiteral("连接成功")});
    QTRY_COMPARE(closed.count(), 1);
    QCOMPARE(agent.started, QStringList{kRestartLine});
    QCOMPARE(agent.server->openConnections(), 0);
}

void AgentTest::onlyACommandRuns_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("started");
    QTest::newRow("shut down") << QByteArray("1\r\n") << QStringList{kShutDownLine};
    QTest::newRow("command, then anything") << QByteArray("2\r\nrm -rf /\r\n") << QStringList{kRestartLine};
    QTest::newRow("unknown digit") << QByteArray("3\r\n") << QStringList();
    QTest::newRow("two digits") << QByteArray("22\r\n") << QStringList();
    QTest::newRow("bare line feed") << QByteArray("2\n") << QStringList();
    QTest::newRow("no line end") << QByteArray("2") << QStringList();
    QTest::newRow("empty line first") << QByteArray("\r\n2\r\n") << QStringList();
    QTest::newRow("text") << QByteArray("restart\r\n") << QStringList();
    QTest::newRow("flood") << QByteArray(4 << 20, '2') << QStringList();
}

// Anything but a command's three bytes at the start of a connection starts nothing.
void AgentTest::onlyACommandRuns()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, started);
    AgentFixture agent;
    QVERIFY(agent.start());
    QVERIFY(agent.send(bytes));
    QCOMPARE(agent.started, started);
    if (started.isEmpty())
        QVERIFY(agent.log.last().endsWith(QStringLiteral("sent no command; ignored")));
}

void AgentTest::commandFromAnotherAddressIsDropped_data()
{
    QTest::addColumn<QString>("allow");
    QTest::addColumn<bool>("runs");
    QTest::newRow("only another cashier PC") << QStringLiteral("127.0.0.2") << false;
    QTest::newRow("this one among others") << QStringLiteral("127.0.0.2,127.0.0.1") << true;
}

void AgentTest::commandFromAnotherAddressIsDropped()
{
    QFETCH(QString, allow);
    QFETCH(bool, runs);
    AgentFixture agent;
    agent.settings = parseAgentOptions({QStringLiteral("ktv-agent"), QStringLiteral("--allow"), allow,
                                        QStringLiteral("--on-restart"), kRestartLine})
                         .settings;
    agent.settings.port = 0;
    QVERIFY(agent.start());
    ScriptedResolver resolver;
    AgentLink link(resolver, agent.server->port());
    QSignalSpy closed(agent.server.get(), &AgentServer::connectionClosed);
    QVERIFY(link.connectTo(QStringLiteral("127.0.0.1")));
    link.write(agentCommandBytes(AgentCommand::Restart));
    link.close();
    QTRY_COMPARE(closed.count(), 1);
    QCOMPARE(agent.started, runs ? QStringList{kRestartLine} : QStringList());
    if (!runs)
        QCOMPARE(agent.log.last(), QStringLiteral("127.0.0.1: restart command dropped: address not in --allow"));
}

// A connection held silent, as while the cashier reads "连接成功", is closed when its idle time is up.
void AgentTest::silentConnectionClosedWhenIdle()
{
    AgentFixture agent;
    agent.settings.idleSeconds = 7;
    QVERIFY(agent.start());
    QTcpSocket peer;
    peer.connectToHost(QHostAddress::LocalHost, agent.server->port());
    QVERIFY(peer.waitForConnected(5000));
    QTRY_COMPARE(agent.server->openConnections(), 1);
    auto *connection = agent.server->findChild<AgentConnection *>();
    QVERIFY(connection);
    QCOMPARE(connection->idleTimer()->interval(), 7000);
    QVERIFY(connection->idleTimer()->isActive());
    connection->closeIdle(); // the timer's handler
    QCOMPARE(agent.server->openConnections(), 0);
    QTRY_COMPARE(peer.state(), QAbstractSocket::UnconnectedState);
    QVERIFY(agent.started.isEmpty());
}

void AgentTest::connectionsBeyondTheLimitAreClosed()
{
    AgentFixture agent;
    QVERIFY(agent.start());
    std::vector<std::unique_ptr<QTcpSocket>> peers;
    for (int i = 0; i <= AgentServer::kMaxConnections; ++i) {
        peers.push_back(std::make_unique<QTcpSocket>());
        peers.back()->connectToHost(QHostAddress::LocalHost, agent.server->port());
        QVERIFY(peers.back()->waitForConnected(5000));
    }
    QTRY_COMPARE(peers.back()->state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(agent.server->openConnections(), AgentServer::kMaxConnections);
    QVERIFY(peers.front()->state() == QAbstractSocket::ConnectedState);
}

void AgentTest::commandLineIsStarted()
{
    QTemporaryDir dir;
    const QString marker = dir.filePath(QStringLiteral("restarted"));
    QVERIFY(launchDetached(QStringLiteral("\"%1\" -E touch \"%2\"").arg(QStringLiteral(KTV_CMAKE_COMMAND), marker)));
    QTRY_VERIFY(QFile::exists(marker));
    // Single quotes hold a path with a space together, as in sh -c 'a b'.
    const QString spaced = dir.filePath(QStringLiteral("shut down"));
    QVERIFY(launchDetached(QStringLiteral("'%1' -E touch '%2'").arg(QStringLiteral(KTV_CMAKE_COMMAND), spaced)));
    QTRY_VERIFY(QFile::exists(spaced));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("'shut"))));
    QVERIFY(!launchDetached(QStringLiteral("   ")));
    QVERIFY(!launchDetached(dir.filePath(QStringLiteral("no-such-program"))));
}

void AgentTest::commandWordsSplitAsAShellWould_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("words");
    QTest::newRow("single quotes") << QStringLiteral("sh -c 'a b'") << QStringList{"sh", "-c", "a b"};
    QTest::newRow("double quotes in single")
        << QStringLiteral("sh -c 'echo \"x\"'") << QStringList{"sh", "-c", "echo \"x\""};
    QTest::newRow("escaped double quote") << QStringLiteral("say \"a \\\"b\\\" c\"") << QStringList{"say", "a \"b\" c"};
    QTest::newRow("parts joined") << QStringLiteral("a'b c'\"d e\"f") << QStringList{"ab cd ef"};
    QTest::newRow("empty word") << QStringLiteral("run '' \"\" x") << QStringList{"run", "", "", "x"};
    QTest::newRow("spaces and tabs") << QStringLiteral("  shutdown \t /r   /t 5 ")
                                     << QStringList{"shutdown", "/r", "/t", "5"};
    QTest::newRow("windows path") << QStringLiteral("\"C:\\Program Files\\ktv\\off.exe\" C:\\temp\\x")
                                  << QStringList{"C:\\Program Files\\ktv\\off.exe", "C:\\temp\\x"};
}

void AgentTest::commandWordsSplitAsAShellWould()
{
    QFETCH(QString, line);
    QFETCH(QStringList, words);
    QCOMPARE(commandWords(line), std::optional<QStringList>(words));
}

void AgentTest::options_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error"); // a part of it; empty: none
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("allowed");
    QTest::newRow("defaults") << QStringList() << QString() << 886 << 0;
    QTest::newRow("port and allow list") << QStringList{QStringLiteral("--port=8860"), QStringLiteral("--allow"),
                                                        QStringLiteral("127.0.0.2, 127.0.0.3")}
                                         << QString() << 8860 << 2;
    QTest::newRow("allow given twice") << QStringList{QStringLiteral("--allow=127.0.0.2"),
                                                      QStringLiteral("--allow=127.0.0.3")}
                                       << QString() << 886 << 2;
    QTest::newRow("port 0") << QStringList{QStringLiteral("--port=0")} << QStringLiteral("--port") << 0 << 0;
    QTest::newRow("port too high") << QStringList{QStringLiteral("--port=65536")} << QStringLiteral("--port") << 0 << 0;
    QTest::newRow("address cut short") << QStringList{QStringLiteral("--allow=127.0.0")} << QStringLiteral("--allow")
                                       << 0 << 0;
    QTest::newRow("host name") << QStringList{QStringLiteral("--allow=cashier")} << QStringLiteral("--allow") << 0 << 0;
    QTest::newRow("idle of nothing") << QStringList{QStringLiteral("--idle=0")} << QStringLiteral("--idle") << 0 << 0;
    QTest::newRow("stray word") << QStringList{QStringLiteral("restart")} << QStringLiteral("restart") << 0 << 0;
    QTest::newRow("quote not closed") << QStringList{QStringLiteral("--on-restart=sh -c 'reboot")}
                                      << QStringLiteral("--on-restart") << 0 << 0;
    QTest::newRow("unknown option") << QStringList{QStringLiteral("--db=ktv.db")} << QStringLiteral("db") << 0 << 0;
}

void AgentTest::options()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    QFETCH(int, port);
    QFETCH(int, allowed);
    const AgentOptions options = parseAgentOptions(QStringList{QStringLiteral("ktv-agent")} + arguments);
    if (!error.isEmpty()) {
        QVERIFY2(options.error.contains(error), qPrintable(options.error));
        return;
    }
    QVERIFY2(options.error.isEmpty(), qPrintable(options.error));
    QCOMPARE(int(options.settings.port), port);
    QCOMPARE(int(options.settings.allowed.size()), allowed);
}

QTEST_MAIN(AgentTest)
#include "test_agent.moc"
