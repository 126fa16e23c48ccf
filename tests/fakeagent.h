#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTcpServer>

class QTcpSocket;

// A client agent for tests, listening on a loopback address (127.0.0.1 unless told) at a port the system chooses. It
// records, for each connection it accepts, every byte received and whether the other side has ended the stream.
// Recording happens in the event loop, so a test waits for it (QTRY_COMPARE).
class FakeAgent : public QObject
{
    Q_OBJECT
public:
    struct Connection
    {
        QByteArray bytes;
        bool ended = false;
    };

    explicit FakeAgent(const QHostAddress &address = QHostAddress(QHostAddress::LocalHost));
    ~FakeAgent() override;

    bool isListening() const { return m_server.isListening(); }
    quint16 port() const { return m_server.serverPort(); }
    int connectionCount() const { return int(m_connections.size()); }
    const Connection &connection(int i) const { return m_connections.at(i); }
    const QList<Connection> &connections() const { return m_connections; }

    // A loopback port on which nothing listens, so that a connect there is refused at once.
    static quint16 closedPort();

private:
    void accept();

    QTcpServer m_server;
    QList<Connection> m_connections;
    QList<QTcpSocket *> m_sockets;
};

// A listener on 127.0.0.1 whose queue of connections waiting to be accepted is full, so that the
// handshake of a further connect is not answered and the connect waits.
class StalledListener
{
public:
    StalledListener();
    ~StalledListener();
    quint16 port() const { return m_server.serverPort(); }
    bool isReady() const { return m_ready; }

private:
    QTcpServer m_server;
    QList<QTcpSocket *> m_fillers;
    bool m_ready = false;
};
