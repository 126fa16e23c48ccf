#include "fakeagent.h"

#include <QTcpSocket>

FakeAgent::FakeAgent(const QHostAddress &address)
{
    connect(&m_server, &QTcpServer::newConnection, this, &FakeAgent::accept);
    m_server.listen(address, 0);
}

FakeAgent::~FakeAgent()
{
    qDeleteAll(m_sockets);
}

void FakeAgent::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        socket->setParent(nullptr);
        const int index = int(m_connections.size());
        m_connections.append(Connection{});
        m_sockets.append(socket);
        const auto take = [this, socket, index] { m_connections[index].bytes += socket->readAll(); };
        connect(socket, &QTcpSocket::readyRead, this, take);
        const auto end = [this, index, take] {
            take();
            m_connections[index].ended = true;
        };
        connect(socket, &QTcpSocket::readChannelFinished, this, end);
        connect(socket, &QTcpSocket::disconnected, this, end);
        take(); // bytes that came with the connection
    }
}

quint16 FakeAgent::closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

StalledListener::StalledListener()
{
    m_server.setListenBacklogSize(0);
    if (!m_server.listen(QHostAddress::LocalHost, 0))
        return;
    m_server.pauseAccepting();
    // One connection left unaccepted fills the queue; a few more make sure on systems that allow more.
    for (int i = 0; i < 4; ++i) {
        auto *filler = new QTcpSocket;
        m_fillers.append(filler);
        filler->connectToHost(QHostAddress::LocalHost, m_server.serverPort());
        if (!filler->waitForConnected(200)) {
            m_ready = true;
            break;
        }
    }
}

StalledListener::~StalledListener()
{
    qDeleteAll(m_fillers);
}
