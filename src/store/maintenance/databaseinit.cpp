#include "databaseinit.h"

#include "emptytables.h"

#include "widgets/platform.h"

namespace ktv {

namespace {
// Compared exactly: case-sensitive and untrimmed.
const QString kAdministratorPassword = QStringLiteral("RoomKeeper");
} // namespace

void zapData(TDataModule1 &data, const Platform &platform, QWidget *parent,
             const std::function<void(TFormEmptyTable &)> &whileOpen)
{
    // The password is not shown on the cashier's screen while it is typed.
    const QString password = platform.dialogs.askText(QStringLiteral("初始化数据库"), QStringLiteral("请输入管理员密码"),
                                                      QStringLiteral("****"), Dialogs::Echo::Password);
    if (password != kAdministratorPassword)
        return;
    if (!platform.dialogs.warn(QStringLiteral("此操作将删除所有数据！确定继续吗？")))
        return;
    platform.beeper.beep();
    {
        TFormEmptyTable window(data, platform, parent);
        if (whileOpen)
            whileOpen(window);
        else
            window.exec();
    }
    platform.dialogs.showMessage(QStringLiteral("数据已初始化完毕！"));
}

} // namespace ktv
