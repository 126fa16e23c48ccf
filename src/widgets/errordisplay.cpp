#include "store/storeerror.h"
#include "widgets/platform.h"

#include <QCoreApplication>
#include <QObject>
#include <QStringList>
#include <QVariant>

#include <exception>
#include <optional>
#include <memory>

namespace ktv {

namespace {

// Runs the handler; what went wrong, in the cashier's words, or nothing.
std::optional<QString> failureOf(const std::function<void()> &handler)
{
    try {
        handler();
    } catch (const AbortAction &) {
        // The handler has already told the cashier why it stopped.
        return QString();
    } catch (const StoreError &e) {
        return e.message();
    } catch (const std::exception &e) {
        return QStringLiteral("程序出错：") + QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("程序出错：未知错误。");
    }
    return std::nullopt;
}

} // namespace

// Every handler of a screen runs in here: Qt must never see an exception leave an event handler, and the
// cashier must be able to carry on after any failed action.
void runGuarded(Dialogs &dialogs, const std::function<void()> &handler)
{
    if (const std::optional<QString> failure = failureOf(handler); failure && !failure->isEmpty())
        dialogs.showError(*failure);
}

bool runGuardedLater(Dialogs &dialogs, QObject *context, const std::function<void()> &handler)
{
    // Kept on the application, so that a grid and its model reporting one refusal show one box.
    static const char kWaiting[] = "ktvWaitingErrors";
    const std::optional<QString> failure = failureOf(handler);
    if (!failure)
        return true;
    QObject *app = QCoreApplication::instance();
    QStringList waiting = app->property(kWaiting).toStringList();
    if (failure->isEmpty() || waiting.contains(*failure))
        return false;
    app->setProperty(kWaiting, waiting << *failure);
    const auto forget = [app, message = *failure] {
        QStringList still = app->property(kWaiting).toStringList();
        still.removeOne(message);
        app->setProperty(kWaiting, still);
    };
    QMetaObject::invokeMethod(
        context,
        [&dialogs, forget, message = *failure] {
            forget();
            dialogs.showError(message);
        },
        Qt::QueuedConnection);
    // Should the context go before the box is shown, the message must not stay waiting for ever.
    QObject::connect(context, &QObject::destroyed, app, forget, Qt::SingleShotConnection);
    return false;
}

std::function<void()> guardedTick(Dialogs &dialogs, std::function<void()> step)
{
    auto running = std::make_shared<bool>(false);
    return [&dialogs, step = std::move(step), running] {
        if (*running)
            return;
        *running = true;
        runGuarded(dialogs, step);
        *running = false;
    };
}

} // namespace ktv
