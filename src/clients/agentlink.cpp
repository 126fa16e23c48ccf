#include "agentlink.h"

#include "agentwire.h"
#include "widgets/platform.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QScopedValueRollback>
#include <QTcpSocket>
#include <QTimer>

#include <chrono>

namespace ktv {

namespace {

// The wait cursor for as long as a connect keeps the cashier waiting.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

// Runs the event loop until it is told to quit or the deadline passes. The cashier's clicks and keys wait
// until the step is over, as they would behind a blocking call, but the windows keep painting.
void runUntil(QEventLoop &loop, const QDeadlineTimer &deadline)
{
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    limit.start(std::chrono::milliseconds(deadline.remainingTime()));
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

} // namespace

AgentLink::AgentLink(HostResolver &resolver, quint16 port, QObject *parent)
    : QObject(parent), m_resolver(resolver), m_port(port)
{}

AgentLink::~AgentLink()
{
    close();
}

bool AgentLink::isConnected() const
{
    return m_socket && m_socket->state() == QAbstractSocket::ConnectedState;
}

qint64 AgentLink::unreadBytes() const
{
    return m_socket ? m_socket->bytesAvailable() : 0;
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
    // Qt would otherwise take in everything a peer sends for as long as the link is held.
    m_socket->setReadBufferSize(kReadBufferBytes);
    connect(m_socket.get(), &QIODevice::readyRead, this, &AgentLink::dropIncoming);
    m_lastAttempts = 0;
    {
        WaitCursor wait;
        const QScopedValueRollback connecting(m_connecting, true);
        while (m_lastAttempts < kAttempts) {
            ++m_lastAttempts;
            if (attempt(host))
                break;
        }
    }
    if (!isConnected())
        m_socket->abort(); // an attempt cut off by its deadline leaves no connect under way
    m_attempted = true;
    return isConnected();
}

bool AgentLink::attempt(const QString &host)
{
    const QDeadlineTimer deadline(m_attemptTimeoutMs);
    m_socket->abort(); // back to unconnected after a failed or timed-out attempt
    const std::optional<quint32> target = address(host, deadline);
    if (!target)
        return false;
    QEventLoop wait;
    connect(m_socket.get(), &QAbstractSocket::connected, &wait, &QEventLoop::quit);
    connect(m_socket.get(), &QAbstractSocket::errorOccurred, &wait, &QEventLoop::quit);
    m_socket->connectToHost(QHostAddress(*target), m_port);
    const QAbstractSocket::SocketState state = m_socket->state();
    if (state != QAbstractSocket::ConnectedState && state != QAbstractSocket::UnconnectedState)
        runUntil(wait, deadline);
    return isConnected();
}

// The first IPv4 address of the host: a dotted address as written, a host name as the resolver answers it
// before the deadline.
std::optional<quint32> AgentLink::address(const QString &host, const QDeadlineTimer &deadline)
{
    if (isDottedAddressForm(host))
        return parseDottedAddress(host);
    QEventLoop wait;
    std::optional<QList<quint32>> answer;
    {
        QObject receiver; // gone when this attempt stops waiting, and a late answer with it
        m_resolver.lookUp(host, &receiver, [&answer, &wait](const QList<quint32> &addresses) {
            answer = addresses;
            wait.quit();
        });
        if (!answer)
            runUntil(wait, deadline);
    }
    if (!answer || answer->isEmpty())
        return std::nullopt;
    return answer->first();
}

void AgentLink::dropIncoming()
{
    m_socket->skip(m_socket->bytesAvailable());
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
