#include "store/storeerror.h"
#include "widgets/platform.h"

#include <exception>
#include <memory>

namespace ktv {

// Every handler of a screen runs in here: Qt must never see an exception leave an event handler, and the
// cashier must be able to carry on after any failed action.
void runGuarded(Dialogs &dialogs, const std::function<void()> &handler)
{
    try {
        handler();
    } catch (const AbortAction &) {
        // The handler has already told the cashier why it stopped.
    } catch (const StoreError &e) {
        dialogs.showError(e.message());
    } catch (const std::exception &e) {
        dialogs.showError(QStringLiteral("程序出错：") + QString::fromUtf8(e.what()));
    } catch (...) {
        dialogs.showError(QStringLiteral("程序出错：未知错误。"));
    }
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
