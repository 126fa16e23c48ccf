#pragma once

#include "clients/agentwire.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>

class QTcpSocket;
class QTimer;

namespace ktv {

// One connection from a cashier PC. It takes the command that the first three bytes carry and closes; what
// a peer sends besides, a flood included, is thrown away unread. A connection that brings no command
// within the idle time is closed too. The connection deletes itself once closed.
class AgentConnection : public QObject
{
    Q_OBJECT
public:
    // Enough for a command; the system holds the rest until it is thrown away.
    static constexpr qint64 kReadBufferBytes = 64;

    AgentConnection(QTcpSocket *socket, int idleMs, QObject *parent = nullptr);

    // Starts the idle time and takes what has come already; the signals are connected by then.
    void start();

    QHostAddress peer() const { return m_peer; }
    QTimer *idleTimer() const { return m_idle; }
    // Closes the connection when it has brought no command yet; the idle timer's handler.
    void closeIdle();

signals:
    void commandRead(ktv::AgentCommand command);
    void sentNoCommand(); // the peer sent something else than a command, or ended the connection first
    void timedOut();      // closed for bringing no command within the idle time
    void closed();

private:
    void read();
    void peerEnded();
    void finish();

    QTcpSocket *m_socket;
    QTimer *m_idle;
    QHostAddress m_peer;
    QByteArray m_opening;
    bool m_finished = false;
};

} // namespace ktv
