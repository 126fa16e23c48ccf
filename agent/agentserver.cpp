#include "agentserver.h"

#include "agentconnection.h"

#include <QTcpSocket>

#include <algorithm>

namespace ktv {

namespace {

// How the log speaks of a command.
struct Words
{
    QString name;   // "restart", as in "restart command"
    QString verb;   // "restart", as in "would restart this PC"
    QString option; // the option that sets its command line
};

Words words(AgentCommand command)
{
    if (command == AgentCommand::Restart)
        return {QStringLiteral("restart"), QStringLiteral("restart"), QStringLiteral("--on-restart")};
    return {QStringLiteral("shut-down"), QStringLiteral("shut down"), QStringLiteral("--on-shutdown")};
}

} // namespace

AgentServer::AgentServer(AgentSettings settings, Launch launch, Log log, QObject *parent)
    : QObject(parent), m_settings(std::move(settings)), m_launch(std::move(launch)), m_log(std::move(log))
{
    connect(&m_server, &QTcpServer::newConnection, this, &AgentServer::accept);
}

bool AgentServer::listen(const QHostAddress &address)
{
    if (!m_server.listen(address, m_settings.port)) {
        m_log(QStringLiteral("cannot listen on port %1: %2").arg(m_settings.port).arg(m_server.errorString()));
        return false;
    }
    m_log(QStringLiteral("listening on port %1").arg(port()));
    for (AgentCommand command : {AgentCommand::Restart, AgentCommand::ShutDown}) {
        const Words w = words(command);
        const QString &line = commandLine(command);
        m_log(line.isEmpty() ? QStringLiteral("%1 command: only logged (no %2 given)").arg(w.name, w.option)
                             : QStringLiteral("%1 command: runs %2").arg(w.name, line));
    }
    if (m_settings.allowed.isEmpty()) {
        m_log(QStringLiteral("taking commands from any address (no --allow given)"));
    } else {
        QStringList addresses;
        for (const QHostAddress &allowed : std::as_const(m_settings.allowed))
            addresses << allowed.toString();
        m_log(QStringLiteral("taking commands only from %1").arg(addresses.join(QStringLiteral(", "))));
    }
    return true;
}

void AgentServer::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        const QString peer = socket->peerAddress().toString();
        if (m_open >= kMaxConnections) {
            m_log(QStringLiteral("%1: connection closed at once, %2 already open").arg(peer).arg(m_open));
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++m_open;
        auto *connection = new AgentConnection(socket, m_settings.idleSeconds * 1000, this);
        connect(connection, &AgentConnection::commandRead, this,
                [this, connection](AgentCommand command) { act(command, connection->peer()); });
        connect(connection, &AgentConnection::ignored, this,
                [this, peer](const QString &why) { m_log(QStringLiteral("%1: %2; ignored").arg(peer, why)); });
        connect(connection, &AgentConnection::closed, this, [this] {
            --m_open;
            emit connectionClosed();
        });
        connection->start();
    }
}

const QString &AgentServer::commandLine(AgentCommand command) const
{
    return command == AgentCommand::Restart ? m_settings.onRestart : m_settings.onShutdown;
}

bool AgentServer::isAllowed(const QHostAddress &peer) const
{
    return m_settings.allowed.isEmpty() ||
           std::any_of(m_settings.allowed.cbegin(), m_settings.allowed.cend(), [&peer](const QHostAddress &allowed) {
               return allowed.isEqual(peer, QHostAddress::TolerantConversion);
           });
}

void AgentServer::act(AgentCommand command, const QHostAddress &peer)
{
    const Words w = words(command);
    const QString what = QStringLiteral("%1: %2 command").arg(peer.toString(), w.name);
    if (!isAllowed(peer)) {
        m_log(what + QStringLiteral(" dropped: address not in --allow"));
        return;
    }
    const QString &line = commandLine(command);
    if (line.isEmpty()) {
        m_log(what + QStringLiteral("; would %1 this PC (no %2 given)").arg(w.verb, w.option));
        return;
    }
    if (m_launch(line))
        m_log(what + QStringLiteral("; started %1").arg(line));
    else
        m_log(what + QStringLiteral("; could not start %1").arg(line));
}

} // namespace ktv
