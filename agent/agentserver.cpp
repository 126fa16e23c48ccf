#include "agentserver.h"

#include "agentconnection.h"

#include <QElapsedTimer>
#include <QTcpSocket>

#include <algorithm>
#include <optional>

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

qint64 steadyMs()
{
    static QElapsedTimer started = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return started.elapsed();
}

// An address as the log and the limits name it: an IPv4 peer of an IPv6 socket as plain IPv4.
QString addressText(const QHostAddress &address)
{
    bool isIPv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIPv4);
    return isIPv4 ? QHostAddress(ipv4).toString() : address.toString();
}

QString addressText(const QHostAddress &address, quint16 port)
{
    const QString text = address == QHostAddress::AnyIPv4 ? QStringLiteral("every address") : addressText(address);
    return QStringLiteral("%1 port %2").arg(text).arg(port);
}

} // namespace

AgentServer::AgentServer(AgentSettings settings, Launch launch, Log log, Clock clock, QObject *parent)
    : QObject(parent), m_settings(std::move(settings)), m_launch(std::move(launch)), m_log(std::move(log)),
      m_clock(clock ? std::move(clock) : Clock(steadyMs))
{
    connect(&m_server, &QTcpServer::newConnection, this, &AgentServer::accept);
    m_heldBackTimer.setObjectName(QStringLiteral("heldBackTimer"));
    m_heldBackTimer.setInterval(int(LogThrottle::kIntervalMs));
    connect(&m_heldBackTimer, &QTimer::timeout, this, &AgentServer::logHeldBack);
}

bool AgentServer::listen()
{
    if (!m_server.listen(m_settings.listen, m_settings.port)) {
        m_log(QStringLiteral("cannot listen at %1: %2")
                  .arg(addressText(m_settings.listen, m_settings.port), m_server.errorString()));
        return false;
    }
    m_heldBackTimer.start();
    m_log(QStringLiteral("listening at %1").arg(addressText(m_settings.listen, port())));
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

int AgentServer::openConnectionsFrom(const QHostAddress &peer) const
{
    return m_openFrom.value(addressText(peer));
}

void AgentServer::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        const QString peer = addressText(socket->peerAddress());
        if (refuses(socket, peer)) {
            // Closed unread: a refused peer holds no place among the connections.
            socket->abort();
            socket->deleteLater();
            emit connectionRefused();
            continue;
        }
        ++m_open;
        ++m_openFrom[peer];
        auto *connection = new AgentConnection(socket, m_settings.idleSeconds * 1000, this);
        connect(connection, &AgentConnection::commandRead, this,
                [this, connection](AgentCommand command) { act(command, connection->peer()); });
        connect(connection, &AgentConnection::sentNoCommand, this,
                [this, peer] { noteUnheard(Unheard::NoCommand, peer); });
        connect(connection, &AgentConnection::timedOut, this, [this, peer] { noteUnheard(Unheard::Idle, peer); });
        connect(connection, &AgentConnection::closed, this, [this, peer] {
            --m_open;
            if (--m_openFrom[peer] <= 0)
                m_openFrom.remove(peer);
            emit connectionClosed();
        });
        connection->start();
    }
}

bool AgentServer::refuses(QTcpSocket *socket, const QString &peer)
{
    std::optional<Unheard> why;
    if (!isAllowed(socket->peerAddress()))
        why = Unheard::NotAllowed;
    else if (m_openFrom.value(peer) >= kMaxPerAddress)
        why = Unheard::AddressFull;
    else if (m_open >= kMaxConnections)
        why = Unheard::AllFull;
    if (why)
        noteUnheard(*why, peer);
    return why.has_value();
}

void AgentServer::noteUnheard(Unheard kind, const QString &peer)
{
    if (const qint64 count = m_throttle.note(QString::number(int(kind)) + u' ' + peer, m_clock()))
        m_log(unheardLine(kind, peer, count));
}

void AgentServer::logHeldBack()
{
    for (const auto &[key, count] : m_throttle.due(m_clock()))
        m_log(unheardLine(Unheard(key.section(u' ', 0, 0).toInt()), key.section(u' ', 1), count));
}

QString AgentServer::unheardLine(Unheard kind, const QString &peer, qint64 count) const
{
    const QString connections = count == 1 ? QStringLiteral("connection") : QStringLiteral("%1 connections").arg(count);
    switch (kind) {
    case Unheard::NotAllowed:
        return QStringLiteral("%1: %2 closed at once: address not in --allow").arg(peer, connections);
    case Unheard::AddressFull:
        return QStringLiteral("%1: %2 closed at once: %3 already open from this address")
            .arg(peer, connections)
            .arg(kMaxPerAddress);
    case Unheard::AllFull:
        return QStringLiteral("%1: %2 closed at once: %3 already open").arg(peer, connections).arg(kMaxConnections);
    case Unheard::NoCommand:
        return QStringLiteral("%1: %2 sent no command; ignored").arg(peer, connections);
    case Unheard::Idle:
        break;
    }
    return QStringLiteral("%1: %2 closed for bringing no command within %3 s")
        .arg(peer, connections)
        .arg(m_settings.idleSeconds);
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
    const QString what = QStringLiteral("%1: %2 command").arg(addressText(peer), w.name);
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
