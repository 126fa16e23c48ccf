#include "agentconnection.h"

#include <QTcpSocket>
#include <QTimer>

namespace ktv {

AgentConnection::AgentConnection(QTcpSocket *socket, int idleMs, QObject *parent)
    : QObject(parent), m_socket(socket), m_idle(new QTimer(this)), m_peer(socket->peerAddress())
{
    m_socket->setParent(this);
    m_socket->setReadBufferSize(kReadBufferBytes);
    m_idle->setObjectName(QStringLiteral("idleTimer"));
    m_idle->setSingleShot(true);
    m_idle->setInterval(idleMs);
    connect(m_idle, &QTimer::timeout, this, &AgentConnection::closeIdle);
    connect(m_socket, &QIODevice::readyRead, this, &AgentConnection::read);
    connect(m_socket, &QAbstractSocket::disconnected, this, &AgentConnection::peerEnded);
    connect(m_socket, &QAbstractSocket::errorOccurred, this, &AgentConnection::peerEnded);
}

void AgentConnection::start()
{
    m_idle->start();
    read();
}

void AgentConnection::read()
{
    if (m_finished)
        return;
    m_opening += m_socket->read(kAgentCommandSize - m_opening.size());
    if (m_opening.size() < kAgentCommandSize)
        return;
    if (const std::optional<AgentCommand> command = agentCommandFrom(m_opening))
        emit commandRead(*command);
    else
        emit sentNoCommand();
    finish();
}

void AgentConnection::peerEnded()
{
    if (m_finished)
        return;
    read(); // the last bytes may come with the end
    if (m_finished)
        return;
    if (!m_opening.isEmpty())
        emit sentNoCommand();
    finish();
}

void AgentConnection::closeIdle()
{
    if (m_finished)
        return;
    emit timedOut();
    finish();
}

void AgentConnection::finish()
{
    m_finished = true;
    m_idle->stop();
    // Nothing is answered and nothing more is read: whatever else the peer sent goes with the socket.
    m_socket->abort();
    emit closed();
    deleteLater();
}

} // namespace ktv
