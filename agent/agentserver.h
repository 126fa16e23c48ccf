#pragma once

#include "agentoptions.h"
#include "logthrottle.h"

#include "clients/agentwire.h"

#include <QHash>
#include <QObject>
#include <QTcpServer>
#include <QTimer>

#include <functional>

class QTcpSocket;

namespace ktv {

// The agent's listener: takes one command per connection from the allowed addresses and runs the command
// line set for it, or only logs it when none is set. Everything it does is told to the log, with the peer's
// address; connections closed unheard or without a command are told at most once a minute per address, with
// their number.
class AgentServer : public QObject
{
    Q_OBJECT
public:
    using Launch = std::function<bool(const QString &commandLine)>;
    using Log = std::function<void(const QString &line)>;
    using Clock = std::function<qint64()>; // milliseconds on a steady clock

    // Connections open at once beyond these are closed as they come: in all, and from one address, so that
    // one address cannot shut the others out.
    static constexpr int kMaxConnections = 16;
    static constexpr int kMaxPerAddress = 4;

    // Without a clock, the system's steady clock.
    AgentServer(AgentSettings settings, Launch launch, Log log, Clock clock = {}, QObject *parent = nullptr);

    // Listens at the settings' address and port (0: one the system chooses) and logs what the agent will do;
    // false, with the reason logged, when it cannot listen.
    bool listen();
    quint16 port() const { return m_server.serverPort(); }
    int openConnections() const { return m_open; }
    int openConnectionsFrom(const QHostAddress &peer) const;

    // Tells the connections closed unheard that were held back for a minute; the handler of a timer that
    // runs once a minute.
    void logHeldBack();

signals:
    void connectionClosed();  // a connection taken was closed
    void connectionRefused(); // a connection was closed as it came

private:
    enum class Unheard { NotAllowed, AddressFull, AllFull, Idle, NoCommand };

    void accept();
    bool refuses(QTcpSocket *socket, const QString &peer);
    void act(AgentCommand command, const QHostAddress &peer);
    bool isAllowed(const QHostAddress &peer) const;
    const QString &commandLine(AgentCommand command) const;
    void noteUnheard(Unheard kind, const QString &peer);
    QString unheardLine(Unheard kind, const QString &peer, qint64 count) const;

    AgentSettings m_settings;
    Launch m_launch;
    Log m_log;
    Clock m_clock;
    QTcpServer m_server;
    QTimer m_heldBackTimer;
    LogThrottle m_throttle;
    int m_open = 0;
    QHash<QString, int> m_openFrom; // by peer address
};

} // namespace ktv
