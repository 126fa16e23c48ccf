#include "screenwiring.h"

#include "store/cursor.h"
#include "widgets/platform.h"

#include <QPushButton>
#include <QTimer>

namespace ktv::clients {

QPushButton *makeButton(const QString &caption, const QString &objectName, QWidget *parent, Dialogs &dialogs,
                        std::function<void()> handler)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(objectName);
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, parent,
                     [&dialogs, handler = std::move(handler)] { runGuarded(dialogs, handler); });
    return button;
}

QTimer *makeRefreshTimer(QObject *owner, int intervalMs, Dialogs &dialogs, std::function<void()> tick)
{
    auto *timer = new QTimer(owner);
    timer->setObjectName(QStringLiteral("Timer1"));
    timer->setInterval(intervalMs);
    QObject::connect(timer, &QTimer::timeout, owner, guardedTick(dialogs, std::move(tick)));
    return timer;
}

void readAgainDroppingRefused(Cursor &clients)
{
    try {
        clients.readAgain();
    } catch (...) {
        clients.cancel();
        throw;
    }
}

} // namespace ktv::clients
