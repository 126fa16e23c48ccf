#pragma once

// Controls of the client screens wired to their handlers, each handler inside the general error display.

#include <functional>

class QObject;
class QPushButton;
class QString;
class QTimer;
class QWidget;

namespace ktv {

class Cursor;
class Dialogs;

namespace clients {

// A push button whose click runs the handler. It is never the dialog's default button, so Enter in a box
// does not press it.
QPushButton *makeButton(const QString &caption, const QString &objectName, QWidget *parent, Dialogs &dialogs,
                        std::function<void()> handler);

// A refresh timer named "Timer1", stopped (the screen starts it when shown); each tick runs the handler.
QTimer *makeRefreshTimer(QObject *owner, int intervalMs, Dialogs &dialogs, std::function<void()> tick);

// A refresh timer's read of the client list: what is pending is saved first and the list read again,
// keeping a PC deleted elsewhere as lost. A change the store refuses to save is reported by the caller
// once and dropped: these screens have no cancel, and the next tick would only be refused again.
void readAgainDroppingRefused(Cursor &clients);

} // namespace clients

} // namespace ktv
