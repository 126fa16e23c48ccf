#include "adminpassword.h"

#include "platform.h"

namespace ktv {

namespace {
const QString kAdministratorPassword = QStringLiteral("RoomKeeper");
} // namespace

bool askAdministratorPassword(Dialogs &dialogs, const QString &title)
{
    // The password is not shown on the cashier's screen while it is typed.
    return dialogs.askText(title, QStringLiteral("请输入管理员密码"), QStringLiteral("****"),
                           Dialogs::Echo::Password) == kAdministratorPassword;
}

} // namespace ktv
