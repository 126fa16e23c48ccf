#include "databaseinit.h"

#include "emptytables.h"

#include "backup/automaticbackup.h"
#include "store/datamodule.h"
#include "store/database.h"
#include "staff/formauthorise.h"
#include "widgets/platform.h"

namespace ktv {

void zapData(TDataModule1 &data, const Platform &platform, QWidget *parent,
             const std::function<void(TFormEmptyTable &)> &whileOpen)
{
    const std::optional<QString> confirmedBy =
        confirmingAdministrator(data.database(), platform, QStringLiteral("初始化数据库"), parent);
    if (!confirmedBy)
        return;
    if (!platform.dialogs.warn(QStringLiteral("此操作将删除所有数据！确定继续吗？")))
        return;
    // Nothing may be cleared without a backup of what is there now.
    backupBeforeClearing(data.database(), platform, parent);
    platform.beeper.beep();
    {
        TFormEmptyTable window(data, platform, parent);
        window.setConfirmedBy(*confirmedBy);
        if (whileOpen)
            whileOpen(window);
        else
            window.exec();
    }
    platform.dialogs.showMessage(QStringLiteral("数据已初始化完毕！"));
}

} // namespace ktv
