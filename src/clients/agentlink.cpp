#include "agentlink.h"

#include "agentwire.h"

#include <QApplication>
#include <QHostAddress>
#include <QHostInfo>
#include <QTcpSocket>

namespace ktv {

namespace {

// The wait cursor for as long as the connect blocks the program.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

// The first IPv4 address of the host: a dotted address as written, a host name as resolved.
std::optional<QHostAddress> targetAddress(const QString &host)
{
    if (isDottedAddressForm(host)) {
        const std::optional<quint32> address = parseDottedAddress(host);
        return address ? std::optional<QHostAddress>(QHostAddress(*address)) : std::nullopt;
    }
    const QHostInfo info = QHostInfo::fromName(host);
    for (const QHostAddress &address : info.addresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol)
            return address;
    }
    return std::nullopt;
}

// How long a command's three bytes may take to leave before the link is closed regardless.
constexpr int kWriteTimeoutMs = 1000;

} // namespace

AgentLink::AgentLink(quint16 port, QObject *parent) : QObject(parent), m_port(port) {}

AgentLink::~AgentLink()
{
    close();
}

bool AgentLink::isConnected() const
{
    return m_socket && m_socket->state() == QAbstractSocket::ConnectedState;
}

void AgentLink::discard()
{
    if (!m_socket)
        return;
    close();
    m_attempted = false;
}

bool AgentLink::connectTo(const QString &host)
{
    close();
    m_socket = std::make_unique<QTcpSocket>();
    m_lastAttempts = 0;
    {
        WaitCursor wait;
        while (m_lastAttempts < kAttempts) {
            ++m_lastAttempts;
            if (attempt(host))
                break;
        }
    }
    m_attempted = true;
    return isConnected();
}

bool AgentLink::attempt(const QString &host)
{
    m_socket->abort(); // back to unconnected after a failed or timed-out attempt
    const std::optional<QHostAddress> address = targetAddress(host);
    if (!address)
        return false;
    m_socket->connectToHost(*address, m_port);
    return m_socket->waitForConnected(m_attemptTimeoutMs);
}

void AgentLink::write(const QByteArray &bytes)
{
    if (!isConnected())
        return;
    m_socket->write(bytes);
    // Hand the bytes to the system now: the socket is closed right after, without an event loop between.
    m_socket->flush();
    if (m_socket->bytesToWrite() > 0)
        m_socket->waitForBytesWritten(kWriteTimeoutMs);
}

void AgentLink::close()
{
    if (!m_socket)
        return;
    // A graceful close, so that the agent receives what was written and then the end of the stream.
    if (m_socket->state() == QAbstractSocket::ConnectedState)
        m_socket->disconnectFromHost();
    m_socket->abort();
    m_socket.reset();
}

} // namespace ktv
