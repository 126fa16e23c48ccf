#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>
#include <QStringList>

namespace ktv {

// What the agent on a room PC is told on its command line.
struct AgentSettings
{
    quint16 port = 886;
    QHostAddress listen = QHostAddress(QHostAddress::AnyIPv4); // the address listened at
    QString onShutdown;          // command line run for "1"; empty: the command is only logged
    QString onRestart;           // command line run for "2"; empty: the command is only logged
    QList<QHostAddress> allowed; // the cashier PCs whose commands count; empty: any address
    int idleSeconds = 10;        // a connection that has brought no command by then is closed
};

struct AgentOptions
{
    AgentSettings settings;
    QString database; // the venue database on a server where the agent keeps its PC's record; empty: none
    bool help = false;
    QString helpText;
    QString error; // what is wrong with the command line, for whoever started the agent
};

// Reads the agent's command line (the program's name first).
AgentOptions parseAgentOptions(const QStringList &arguments);

} // namespace ktv
