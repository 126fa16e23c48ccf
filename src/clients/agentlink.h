#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

class QTcpSocket;

namespace ktv {

// The control link to one client agent: at most one TCP client socket, and the attempt mark that records
// whether a connection has been tried since the window opened or since a left-over socket was discarded.
// The link only connects and writes; it never reads what an agent may send.
class AgentLink : public QObject
{
    Q_OBJECT
public:
    // Each of the two connect attempts gives up after this long, so an unreachable address holds the
    // program for seconds rather than for the operating system's TCP time-out.
    static constexpr int kAttemptTimeoutMs = 3000;
    static constexpr int kAttempts = 2;

    explicit AgentLink(quint16 port, QObject *parent = nullptr);
    ~AgentLink() override;

    quint16 port() const { return m_port; }
    void setAttemptTimeout(int ms) { m_attemptTimeoutMs = ms; }
    int attemptTimeout() const { return m_attemptTimeoutMs; }

    bool hasSocket() const { return m_socket != nullptr; }
    bool isConnected() const;
    bool attempted() const { return m_attempted; }
    int lastAttempts() const { return m_lastAttempts; } // connect attempts made by the last connectTo

    // Closes a socket left by an earlier connect, connected or not, and clears the attempt mark; nothing
    // happens when there is no socket.
    void discard();
    // Creates the socket and connects to the host on the link's port; when that fails, tries once more at
    // once on the same socket. Sets the attempt mark whatever the outcome. The wait cursor is shown
    // meanwhile. True when the link is connected.
    bool connectTo(const QString &host);
    // Writes the bytes with one write when the link is connected; a failed write goes unnoticed.
    void write(const QByteArray &bytes);
    // Shuts a connected link down and closes the socket, keeping the attempt mark.
    void close();

private:
    bool attempt(const QString &host);

    quint16 m_port;
    int m_attemptTimeoutMs = kAttemptTimeoutMs;
    std::unique_ptr<QTcpSocket> m_socket;
    bool m_attempted = false;
    int m_lastAttempts = 0;
};

} // namespace ktv
