#include "checkin.h"

#include <QByteArray>

namespace ktv::checkin {

bool searchesByName(const QString &text)
{
    // Every byte of a non-ASCII character sorts after '9' in GBK and in UTF-8 alike.
    return text.toUtf8().compare(QByteArrayView("9")) > 0;
}

QString roomInUseMessage(const QString &room)
{
    return QStringLiteral("房间号为： ") + room + QStringLiteral("正在使用中，不能再开房！");
}

QString openedMessage(const QString &room, const QString &member)
{
    return QStringLiteral("房间号为： ") + room + QStringLiteral("已开房给客户：") + member;
}

QString bookedRoomQuestion(const QString &name, const QDateTime &from, const QString &step)
{
    return QStringLiteral("该房间已被预订：") + name + QLatin1Char(' ') + from.toString(QStringLiteral("HH:mm")) +
           QStringLiteral("，确定") + step + QStringLiteral("吗?");
}

} // namespace ktv::checkin
