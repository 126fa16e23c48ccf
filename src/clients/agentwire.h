#pragma once

// What this side puts on the wire to a client agent, and how it reads the address it connects to.

#include <QByteArray>
#include <QString>

#include <optional>

namespace ktv {

// The two commands a client agent takes, one per connection.
enum class AgentCommand { ShutDown, Restart };

// The command's three bytes: its digit ("1" shut down, "2" restart) followed by CR LF.
QByteArray agentCommandBytes(AgentCommand command);
inline constexpr int kAgentCommandSize = 3;

// The command that the first three bytes a connection carries stand for; nothing when they are no command.
std::optional<AgentCommand> agentCommandFrom(const QByteArray &opening);

// How the text of Clients_ip is taken: text beginning with a digit is a dotted IPv4 address, anything else
// a host name to resolve.
bool isDottedAddressForm(const QString &host);

// A dotted IPv4 address of four decimal parts, each 0 to 255, as a host-order number; nothing when the
// text is not one. Parts are read in decimal even with leading zeros, so "192.168.001.010" is .1.10.
std::optional<quint32> parseDottedAddress(const QString &host);

} // namespace ktv
