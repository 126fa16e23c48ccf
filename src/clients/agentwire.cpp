#include "agentwire.h"

#include <QStringList>

namespace ktv {

QByteArray agentCommandBytes(AgentCommand command)
{
    return command == AgentCommand::Restart ? QByteArrayLiteral("2\r\n") : QByteArrayLiteral("1\r\n");
}

std::optional<AgentCommand> agentCommandFrom(const QByteArray &opening)
{
    for (AgentCommand command : {AgentCommand::ShutDown, AgentCommand::Restart}) {
        if (opening == agentCommandBytes(command))
            return command;
    }
    return std::nullopt;
}

bool isDottedAddressForm(const QString &host)
{
    return !host.isEmpty() && host.front() >= u'0' && host.front() <= u'9';
}

std::optional<quint32> parseDottedAddress(const QString &host)
{
    const QStringList parts = host.split(u'.');
    if (parts.size() != 4)
        return std::nullopt;
    quint32 address = 0;
    for (const QString &part : parts) {
        if (part.isEmpty() || part.size() > 3)
            return std::nullopt;
        int value = 0;
        for (QChar c : part) {
            if (c < u'0' || c > u'9')
                return std::nullopt;
            value = value * 10 + (c.unicode() - u'0');
        }
        if (value > 255)
            return std::nullopt;
        address = (address << 8) | quint32(value);
    }
    return address;
}

} // namespace ktv
