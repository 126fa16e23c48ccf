#include "restoreatexit.h"

#include "restore.h"

#include "store/database.h"
#include "store/journal.h"
#include "store/storeerror.h"
#include "widgets/platform.h"

#include <QDir>
#include <QFileInfo>

namespace ktv {

namespace {

std::unique_ptr<StagedRestore> &pending()
{
    static std::unique_ptr<StagedRestore> staged;
    return staged;
}

RestoreConfirmation &pendingConfirmation()
{
    static RestoreConfirmation confirmation;
    return confirmation;
}

// The row goes into the restored database, the one the venue works on from now. A backup from before the
// journal existed gets its tables at the next start, after its own backup, and goes without the row.
void journalRestore(const QString &dataFolder, const RestoreConfirmation &confirmation, const QString &source,
                    const QDateTime &now)
{
    const std::unique_ptr<Database> db = Database::open(dataFolder);
    if (db->needsUpgrade())
        return;
    db->setStaff(confirmation.staff);
    Transaction tx(*db);
    journal::Entry entry{QStringLiteral("恢复备份")};
    entry.reason = QFileInfo(source).fileName();
    entry.authorised = confirmation.administrator;
    journal::record(*db, entry, now);
    tx.commit();
}

} // namespace

void restoreAtExit(std::unique_ptr<StagedRestore> staged, const RestoreConfirmation &confirmation)
{
    pending() = std::move(staged);
    pendingConfirmation() = confirmation;
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
        try {
            journalRestore(dataFolder, pendingConfirmation(), staged->source(), platform.clock.now());
        } catch (const StoreError &e) {
            text += QStringLiteral("\n这次恢复没能记入操作日志：%1").arg(e.message());
        }
        if (!result.kept.isEmpty())
            text += QStringLiteral("\n恢复前的数据库已保存为 %1。").arg(QDir::toNativeSeparators(result.kept));
        platform.dialogs.showMessage(text + QStringLiteral("\n请重新启动程序。"));
    } catch (const StoreError &e) {
        platform.dialogs.showError(QStringLiteral("恢复失败，数据库保持原样：%1").arg(e.message()));
    }
}

} // namespace ktv
