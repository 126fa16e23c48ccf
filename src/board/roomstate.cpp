#include "roomstate.h"

namespace ktv::roomstate {

QString statusText(bool free) { return free ? QStringLiteral("空闲") : QStringLiteral("使用中"); }

QString imageFile(bool free) { return free ? QStringLiteral("LED_green_ON.BMP") : QStringLiteral("LED_red_ON.BMP"); }

const QStringList &refreshOrder()
{
    static const QStringList order{QStringLiteral("101"), QStringLiteral("102"), QStringLiteral("103"),
                                   QStringLiteral("201"), QStringLiteral("202"), QStringLiteral("203"),
                                   QStringLiteral("204"), QStringLiteral("205")};
    return order;
}

QString reservedText(const QString &name, const QDateTime &from)
{
    return QStringLiteral("预 ") + name + QLatin1Char(' ') + from.toString(QStringLiteral("HH:mm"));
}

} // namespace ktv::roomstate
