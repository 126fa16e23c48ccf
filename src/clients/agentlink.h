#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class QTcpSocket;

namespace ktv {

class HostResolver;

// The control link to one client agent: at most one TCP client socket, and the attempt mark that records
// whether a connection has been tried since the window opened or since a left-over socket was discarded.
// The link only connects and writes; whatever an agent sends is read and thrown away as it arrives, so a
// peer that talks while the link is held costs neither memory nor time.
class AgentLink : public QObject
{
    Q_OBJECT
public:
    // Each of the two connect attempts, name lookup included, gives up after this long, so an unreachable
    // address or a silent name server holds the program for seconds rather than for the system's time-outs.
    static constexpr int kAttemptTimeoutMs = 3000;
    static constexpr int kAttempts = 2;
    // How long a command's three bytes may take to leave before the link is closed regardless.
    static constexpr int kWriteTimeoutMs = 1000;
    // The most the socket keeps of what an agent sends before it is thrown away.
    static constexpr qint64 kReadBufferBytes = 4096;

    AgentLink(HostResolver &resolver, quint16 port, QObject *parent = nullptr);
    ~AgentLink() override;

    quint16 port() const { return m_port; }
    void setAttemptTimeout(int ms) { m_attemptTimeoutMs = ms; }
    int attemptTimeout() const { return m_attemptTimeoutMs; }

    bool hasSocket() const { return m_socket != nullptr; }
    bool isConnected() const;
    bool isConnecting() const { return m_connecting; } // inside connectTo, waiting on the event loop
    bool attempted() const { return m_attempted; }
    int lastAttempts() const { return m_lastAttempts; } // connect attempts made by the last connectTo
    qint64 unreadBytes() const;                         // what the socket holds of what the agent sent

    // Closes a socket left by an earlier connect, connected or not, and clears the attempt mark; nothing
    // happens when there is no socket.
    void discard();
    // Creates the socket and connects to the host on the link's port; when that fails, tries once more at
    // once on the same socket. Sets the attempt mark whatever the outcome. The wait cursor is shown and the
    // cashier's input waits meanwhile, while the program keeps painting. True when the link is connected.
    bool connectTo(const QString &host);
    // Writes the bytes with one write when the link is connected; a failed write goes unnoticed.
    void write(const QByteArray &bytes);
    // Shuts a connected link down and closes the socket, keeping the attempt mark.
    void close();

private:
    bool attempt(const QString &host);
    std::optional<quint32> address(const QString &host, const QDeadlineTimer &deadline);
    void dropIncoming();

    HostResolver &m_resolver;
    quint16 m_port;
    int m_attemptTimeoutMs = kAttemptTimeoutMs;
    std::unique_ptr<QTcpSocket> m_socket;
    bool m_attempted = false;
    bool m_connecting = false;
    int m_lastAttempts = 0;
};

} // namespace ktv
