#include "fakeagent.h"

#include "support/scripted.h"

#include "clients/agentlink.h"
#include "clients/agentwire.h"
#include "widgets/qtresolver.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

using namespace ktv;

class TestClientLink : public QObject
{
    Q_OBJECT

private slots:
    void commandBytes();
    void addressForm_data();
    void addressForm();
    void dottedAddress_data();
    void dottedAddress();

    void connectsToAHostName();
    void refusedConnectTriesTwiceAndKeepsTheSocket();
    void invalidDottedAddressFailsBothAttempts();
    void discardClosesTheSocketAndClearsTheMark();
    void destroyingTheLinkClosesTheConnection();
    void unreachableAddressGivesUpWithinTheBound();
    void nameIsLookedUpWhileTheProgramWaits();
    void silentNameServerGivesUpWithinTheBound();
    void floodingPeerCostsNoMemory();
};

void TestClientLink::commandBytes()
{
    QCOMPARE(agentCommandBytes(AgentCommand::Restart), QByteArray::fromHex("320d0a"));
    QCOMPARE(agentCommandBytes(AgentCommand::ShutDown), QByteArray::fromHex("310d0a"));
}

void TestClientLink::addressForm_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("dotted");
    QTest::newRow("address") << QStringLiteral("192.168.0.5") << true;
    QTest::newRow("digit first, not an address") << QStringLiteral("9pc") << true;
    QTest::newRow("host name") << QStringLiteral("room101") << false;
    QTest::newRow("localhost") << QStringLiteral("localhost") << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("space first") << QStringLiteral(" 1.2.3.4") << false;
}

void TestClientLink::addressForm()
{
    QFETCH(QString, host);
    QFETCH(bool, dotted);
    QCOMPARE(isDottedAddressForm(host), dotted);
}

void TestClientLink::dottedAddress_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<quint32>("address");
    QTest::newRow("loopback") << QStringLiteral("127.0.0.1") << true << 0x7F000001u;
    QTest::newRow("private") << QStringLiteral("192.168.1.13") << true << 0xC0A8010Du;
    QTest::newRow("leading zeros read as decimal") << QStringLiteral("192.168.001.010") << true << 0xC0A8010Au;
    QTest::newRow("all 255") << QStringLiteral("255.255.255.255") << true << 0xFFFFFFFFu;
    QTest::newRow("part above 255") << QStringLiteral("256.1.1.1") << false << 0u;
    QTest::newRow("three parts") << QStringLiteral("10.1.2") << false << 0u;
    QTest::newRow("five parts") << QStringLiteral("1.2.3.4.5") << false << 0u;
    QTest::newRow("empty part") << QStringLiteral("1..3.4") << false << 0u;
    QTest::newRow("trailing dot") << QStringLiteral("1.2.3.4.") << false << 0u;
    QTest::newRow("letter") << QStringLiteral("1.2.3.x") << false << 0u;
    QTest::newRow("sign") << QStringLiteral("1.2.-3.4") << false << 0u;
    QTest::newRow("four digits") << QStringLiteral("1.2.3.0004") << false << 0u;
}

void TestClientLink::dottedAddress()
{
    QFETCH(QString, host);
    QFETCH(bool, valid);
    QFETCH(quint32, address);
    const std::optional<quint32> parsed = parseDottedAddress(host);
    QCOMPARE(parsed.has_value(), valid);
    if (valid)
        QCOMPARE(*parsed, address);
}

void TestClientLink::connectsToAHostName()
{
    FakeAgent agent;
    QtHostResolver resolver;
    AgentLink link(resolver, agent.port());
    QVERIFY(link.connectTo(QStringLiteral("localhost")));
    link.close();
    QTRY_COMPARE(agent.connectionCount(), 1);
    QTRY_VERIFY(agent.connection(0).ended);
    QVERIFY(agent.connection(0).bytes.isEmpty());
}

void TestClientLink::refusedConnectTriesTwiceAndKeepsTheSocket()
{
    ScriptedResolver resolver;
    AgentLink link(resolver, FakeAgent::closedPort());
    QVERIFY(!link.connectTo(QStringLiteral("127.0.0.1")));
    QCOMPARE(link.lastAttempts(), 2);
    QVERIFY(link.attempted());
    QVERIFY(link.hasSocket());
    QVERIFY(!link.isConnected());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void TestClientLink::invalidDottedAddressFailsBothAttempts()
{
    FakeAgent agent;
    ScriptedResolver resolver;
    AgentLink link(resolver, agent.port());
    QVERIFY(!link.connectTo(QStringLiteral("127.0.0.256")));
    QCOMPARE(link.lastAttempts(), 2);
    QVERIFY(link.attempted());
    QCOMPARE(agent.connectionCount(), 0);
}

void TestClientLink::discardClosesTheSocketAndClearsTheMark()
{
    FakeAgent agent;
    ScriptedResolver resolver;
    AgentLink link(resolver, agent.port());
    link.discard(); // no socket: nothing to do
    QVERIFY(!link.attempted());

    QVERIFY(link.connectTo(QStringLiteral("127.0.0.1")));
    link.discard();
    QVERIFY(!link.hasSocket());
    QVERIFY(!link.attempted());
    QTRY_COMPARE(agent.connectionCount(), 1);
    QTRY_VERIFY(agent.connection(0).ended);
    QVERIFY(agent.connection(0).bytes.isEmpty());

    // An unconnected socket from a failed connect goes the same way.
    AgentLink refused(resolver, FakeAgent::closedPort());
    refused.connectTo(QStringLiteral("127.0.0.1"));
    refused.discard();
    QVERIFY(!refused.hasSocket());
    QVERIFY(!refused.attempted());
}

void TestClientLink::destroyingTheLinkClosesTheConnection()
{
    FakeAgent agent;
    {
        ScriptedResolver resolver;
        AgentLink link(resolver, agent.port());
        QVERIFY(link.connectTo(QStringLiteral("127.0.0.1")));
    }
    QTRY_COMPARE(agent.connectionCount(), 1);
    QTRY_VERIFY(agent.connection(0).ended);
    QVERIFY(agent.connection(0).bytes.isEmpty());
}

void TestClientLink::unreachableAddressGivesUpWithinTheBound()
{
    QCOMPARE(AgentLink::kAttemptTimeoutMs, 3000);
    StalledListener listener;
    if (!listener.isReady())
        QSKIP("this system answers every connect on loopback");
    ScriptedResolver resolver;
    AgentLink link(resolver, listener.port());
    link.setAttemptTimeout(300);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!link.connectTo(QStringLiteral("127.0.0.1")));
    // Two bounded attempts, far below the system's own connect time-out of a minute or more.
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(link.lastAttempts(), 2);
    QVERIFY(!link.isConnected());
    QVERIFY(link.attempted());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void TestClientLink::nameIsLookedUpWhileTheProgramWaits()
{
    FakeAgent agent;
    ScriptedResolver resolver;
    resolver.setAddress(QStringLiteral("room101"), QStringLiteral("127.0.0.1"));
    AgentLink link(resolver, agent.port());
    QVERIFY(link.connectTo(QStringLiteral("room101")));
    QCOMPARE(link.lastAttempts(), 1);
    QTRY_COMPARE(agent.connectionCount(), 1);

    // A name without an address fails both attempts.
    QVERIFY(!link.connectTo(QStringLiteral("room102")));
    QCOMPARE(link.lastAttempts(), 2);
    QCOMPARE(resolver.asked(),
             (QStringList{QStringLiteral("room101"), QStringLiteral("room102"), QStringLiteral("room102")}));
}

void TestClientLink::silentNameServerGivesUpWithinTheBound()
{
    FakeAgent agent;
    ScriptedResolver resolver;
    resolver.stall(QStringLiteral("room101"));
    QList<Qt::CursorShape> cursors;
    resolver.onLookUp([&cursors](const QString &) {
        const QCursor *cursor = QApplication::overrideCursor();
        cursors << (cursor ? cursor->shape() : Qt::ArrowCursor);
    });
    AgentLink link(resolver, agent.port());
    link.setAttemptTimeout(50);
    QVERIFY(!link.connectTo(QStringLiteral("room101")));
    QCOMPARE(link.lastAttempts(), 2);
    QCOMPARE(cursors, (QList<Qt::CursorShape>{Qt::WaitCursor, Qt::WaitCursor}));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(link.hasSocket());

    // Both lookups were abandoned: an answer that comes now finds nobody waiting, and nothing connects.
    QCOMPARE(resolver.answerLate(QStringLiteral("room101"), QStringLiteral("127.0.0.1")), 0);
    QVERIFY(!link.isConnected());
    QCOMPARE(agent.connectionCount(), 0);
}

// A peer that sends without end while the link is held, as after "&C连接客户端": the link reads and throws
// away everything as it comes, holding no more than its small buffer.
void TestClientLink::floodingPeerCostsNoMemory()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    ScriptedResolver resolver;
    AgentLink link(resolver, server.serverPort());
    QVERIFY(link.connectTo(QStringLiteral("127.0.0.1")));
    QTRY_VERIFY(server.hasPendingConnections());
    std::unique_ptr<QTcpSocket> peer(server.nextPendingConnection());
    QVERIFY(peer);

    // Far more than the system's socket buffers hold, so the flood only drains if the link keeps reading.
    constexpr qint64 kFlood = qint64(48) << 20;
    const QByteArray chunk(64 * 1024, 'x');
    qint64 sent = 0;
    const auto refill = [&] {
        while (sent < kFlood && peer->bytesToWrite() < 4 * chunk.size()) {
            peer->write(chunk);
            sent += chunk.size();
        }
    };
    connect(peer.get(), &QTcpSocket::bytesWritten, peer.get(), refill);
    refill();
    qint64 mostHeld = 0;
    const auto drained = [&] {
        mostHeld = std::max(mostHeld, link.unreadBytes());
        return sent == kFlood && peer->bytesToWrite() == 0;
    };
    QTRY_VERIFY_WITH_TIMEOUT(drained(), 15000);
    QVERIFY2(mostHeld <= AgentLink::kReadBufferBytes, qPrintable(QString::number(mostHeld)));
    QVERIFY(link.isConnected());

    // The command still goes out whole after the flood.
    QByteArray received;
    connect(peer.get(), &QTcpSocket::readyRead, peer.get(), [&] { received += peer->readAll(); });
    link.write(agentCommandBytes(AgentCommand::Restart));
    link.close();
    QTRY_COMPARE(received, agentCommandBytes(AgentCommand::Restart));
}

QTEST_MAIN(TestClientLink)
#include "test_clientlink.moc"
