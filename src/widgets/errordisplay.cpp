#include "store/storeerror.h"
#include "widgets/platform.h"

#include <QObject>

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
    static QStringList waiting;
    const std::optional<QString> failure = failureOf(handler);
    if (!failure)
        return true;
    if (failure->isEmpty() || waiting.contains(*failure))
        return false;
    waiting << *failure;
    QObject::connect(context, &QObject::destroyed, [message = *failure] { waiting.removeOne(message); });
    QMetaObject::invokeMethod(
        context,
        [&dialogs, message = *failure] {
            waiting.removeOne(message);
            dialogs.showError(message);
        },
        Qt::QueuedConnection);
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
