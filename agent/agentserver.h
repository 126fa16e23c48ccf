#pragma once

#include "agentoptions.h"
#include "clients/agentwire.h"

#include <QObject>
#include <QTcpServer>

#include <functional>

namespace ktv {

// The agent's listener: takes one command per connection from the allowed addresses and runs the command
// line set for it, or only logs it when none is set. Everything it does is told to the log, with the peer's
// address.
class AgentServer : public QObject
{
    Q_OBJECT
public:
    using Launch = std::function<bool(const QString &commandLine)>;
    using Log = std::function<void(const QString &line)>;

    // Connections open at once beyond this are closed as they come.
    static constexpr int kMaxConnections = 16;

    AgentServer(AgentSettings settings, Launch launch, Log log, QObject *parent = nullptr);

    // Listens at the address on the settings' port (0: one the system chooses) and logs what the agent
    // will do; false, with the reason logged, when it cannot listen.
    bool listen(const QHostAddress &address);
    quint16 port() const { return m_server.serverPort(); }
    int openConnections() const { return m_open; }

signals:
    void connectionClosed();

private:
    void accept();
    void act(AgentCommand command, const QHostAddress &peer);
    bool isAllowed(const QHostAddress &peer) const;
    const QString &commandLine(AgentCommand command) const;

    AgentSettings m_settings;
    Launch m_launch;
    Log m_log;
    QTcpServer m_server;
    int m_open = 0;
};

} // namespace ktv
