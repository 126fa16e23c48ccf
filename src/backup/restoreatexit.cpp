#include "restoreatexit.h"

#include "restore.h"

#include "store/storeerror.h"
#include "widgets/platform.h"

#include <QDir>

namespace ktv {

namespace {

std::unique_ptr<StagedRestore> &pending()
{
    static std::unique_ptr<StagedRestore> staged;
    return staged;
}

} // namespace

void restoreAtExit(std::unique_ptr<StagedRestore> staged)
{
    pending() = std::move(staged);
}

bool restorePending()
{
    return pending() != nullptr;
}

void finishRestoreAtExit(const QString &dataFolder, const Platform &platform)
{
    const std::unique_ptr<StagedRestore> staged = std::move(pending());
    if (!staged)
        return;
    try {
        const RestoreResult result = putInPlace(dataFolder, *staged, platform.clock.now());
        QString text = QStringLiteral("已从备份 %1 恢复数据。").arg(QDir::toNativeSeparators(staged->source()));
        if (!result.kept.isEmpty())
            text += QStringLiteral("\n恢复前的数据库已保存为 %1。").arg(QDir::toNativeSeparators(result.kept));
        platform.dialogs.showMessage(text + QStringLiteral("\n请重新启动程序。"));
    } catch (const StoreError &e) {
        platform.dialogs.showError(QStringLiteral("恢复失败，数据库保持原样：%1").arg(e.message()));
    }
}

} // namespace ktv
