// The room PC's agent keeps its own record in the venue database on a server, under a role that may use the
// client table alone.
#include "testserver.h"

#include "agent/clientrecord.h"
#include "store/database.h"
#include "store/storeerror.h"

#include <QProcess>
#include <QtTest>

using namespace ktv;

namespace {

const QString kRunning = QStringLiteral("运行中");
const QString kStopped = QStringLiteral("停止运行");

// A role of the server's for one test, with the test user's password (PGPASSWORD serves both).
class AgentRole
{
public:
    AgentRole(Database &venue, const QString &grants) : m_venue(venue)
    {
        static int counter = 0;
        m_name = QStringLiteral("ktv_agent_%1_%2").arg(QCoreApplication::applicationPid()).arg(++counter);
        venue.run(QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD '%2'").arg(m_name, qEnvironmentVariable("PGPASSWORD")));
        if (!grants.isEmpty())
            venue.run(QStringLiteral("GRANT %1 ON clients TO %2").arg(grants, m_name));
    }
    ~AgentRole()
    {
        try {
            m_venue.run(QStringLiteral("DROP OWNED BY %1").arg(m_name));
            m_venue.run(QStringLiteral("DROP ROLE %1").arg(m_name));
        } catch (...) {
        }
    }
    QString address(const testserver::Database &server) const
    {
        QString address = server.address();
        const int at = address.indexOf(QLatin1Char('@'));
        const int hostStart = at >= 0 ? at + 1 : int(qstrlen("postgresql://"));
        return QStringLiteral("postgresql://%1@").arg(m_name) + address.mid(hostStart);
    }

private:
    Database &m_venue;
    QString m_name;
};

struct Row
{
    int count = 0;
    QString address, host, running;
};

Row clientsWithMac(Database &venue, const QString &mac)
{
    QSqlQuery q = venue.run(QStringLiteral("SELECT Clients_ip, Clients_hostname, Clients_Running FROM clients "
                                           "WHERE lower(Clients_mac) = lower(?)"),
                            {mac});
    Row row;
    while (q.next()) {
        ++row.count;
        row.address = q.value(0).toString();
        row.host = q.value(1).toString();
        row.running = q.value(2).toString();
    }
    return row;
}

} // namespace

class AgentRecordTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KTV_REQUIRE_ENGINE(); }
    void keepsItsOwnRecordAndNothingElse();
    void roleWithoutTheClientTableIsNamed();
    void orderlyStopMarksThePcStopped();
};

void AgentRecordTest::keepsItsOwnRecordAndNothingElse()
{
    testserver::Database server;
    std::unique_ptr<Database> venue = Database::create(server.address());
    venue->run(QStringLiteral("INSERT INTO clients (Clients_mac, Clients_ip, Clients_room_id, Clients_Running) "
                              "VALUES ('AA:BB:CC:00:00:02', '192.168.1.52', '102', '%1')").arg(kStopped));
    AgentRole role(*venue, QStringLiteral("SELECT, INSERT, UPDATE"));

    // A PC new to the venue gets a record of its own; the next start finds it by its hardware address
    // (written in the other case), whatever address DHCP gave it meanwhile.
    ClientRecord(role.address(server), {QStringLiteral("aa:bb:cc:00:00:01"), QStringLiteral("192.168.1.51"),
                                        QStringLiteral("room-pc-1")}).markRunning();
    ClientRecord again(role.address(server), {QStringLiteral("AA:BB:CC:00:00:01"), QStringLiteral("192.168.1.61"),
                                              QStringLiteral("room-pc-1")});
    again.markRunning();
    Row row = clientsWithMac(*venue, QStringLiteral("AA:BB:CC:00:00:01"));
    QCOMPARE(row.count, 1);
    QCOMPARE(row.address, QStringLiteral("192.168.1.61"));
    QCOMPARE(row.running, kRunning);
    again.markStopped();
    QCOMPARE(clientsWithMac(*venue, QStringLiteral("AA:BB:CC:00:00:01")).running, kStopped);
    // The other PC's record is as it was.
    row = clientsWithMac(*venue, QStringLiteral("AA:BB:CC:00:00:02"));
    QCOMPARE(row.running, kStopped);
    QCOMPARE(row.address, QStringLiteral("192.168.1.52"));

    // The role reads no other table of the venue's.
    const QString probe = QStringLiteral("ktv-agent-probe");
    {
        QSqlDatabase conn = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), probe);
        const QUrl url(role.address(server));
        conn.setHostName(url.host());
        if (url.port() > 0)
            conn.setPort(url.port());
        conn.setUserName(url.userName());
        conn.setDatabaseName(url.path().mid(1));
        QVERIFY2(conn.open(), qPrintable(conn.lastError().text()));
        QSqlQuery q(conn);
        QVERIFY(!q.exec(QStringLiteral("SELECT count(*) FROM openroom")));
        QVERIFY(q.lastError().text().contains(QLatin1String("permission denied")));
        QVERIFY(!q.exec(QStringLiteral("DELETE FROM clients")));
    }
    QSqlDatabase::removeDatabase(probe);
}

void AgentRecordTest::roleWithoutTheClientTableIsNamed()
{
    testserver::Database server;
    std::unique_ptr<Database> venue = Database::create(server.address());
    AgentRole role(*venue, QString());
    try {
        ClientRecord record(role.address(server), {QStringLiteral("AA:BB:CC:00:00:01"), QStringLiteral("192.168.1.51"),
                                                   QStringLiteral("room-pc-1")});
        record.markRunning();
        QFAIL("a role without the client table registered a PC");
    } catch (const StoreError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("Clients")), qPrintable(e.message()));
    }
    QCOMPARE(venue->run(QStringLiteral("SELECT count(*) FROM clients")).next(), true);
}

void AgentRecordTest::orderlyStopMarksThePcStopped()
{
#ifdef Q_OS_WIN
    QSKIP("the system's terminate request is a Unix signal here");
#endif
    const std::optional<PcIdentity> pc = thisPc();
    if (!pc)
        QSKIP("this machine has no network interface with an IPv4 address to register");
    testserver::Database server;
    std::unique_ptr<Database> venue = Database::create(server.address());
    QProcess agent;
    agent.setProcessChannelMode(QProcess::MergedChannels);
    agent.start(QStringLiteral(KTV_AGENT_PATH),
                {QStringLiteral("--listen"), QStringLiteral("127.0.0.1"), QStringLiteral("--port"),
                 QString::number(20000 + QCoreApplication::applicationPid() % 20000), QStringLiteral("--database"),
                 server.address()});
    QVERIFY(agent.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(clientsWithMac(*venue, pc->mac).running, kRunning, 10000);
    agent.terminate();
    QVERIFY(agent.waitForFinished(10000));
    QCOMPARE(agent.exitStatus(), QProcess::NormalExit);
    QCOMPARE(clientsWithMac(*venue, pc->mac).running, kStopped);
}

QTEST_MAIN(AgentRecordTest)
#include "test_agentrecord.moc"
