#include "serververbs.h"

#include "startup.h"

#include "backup/enginecopy.h"
#include "backup/folderlock.h"
#include "backup/onlinecopy.h"
#include "backup/restore.h"
#include "backup/schemacheck.h"
#include "reports/reportquery.h"
#include "visits/charge.h"

#include "store/clock.h"
#include "store/database.h"
#include "store/storeerror.h"
#include "store/venuelocation.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>
#include <QUrl>

namespace ktv {

namespace {

QString shown(const QString &where)
{
    return Database::isServerAddress(where) ? QUrl(where).toDisplayString(QUrl::RemovePassword)
                                            : QDir::toNativeSeparators(where);
}

// One line to err each tenth of the rows, so that a long copy shows it is going on.
CopyProgress progressTo(QTextStream &err)
{
    return [&err, shownTenths = 0](qint64 done, qint64 total) mutable {
        const int tenths = total > 0 ? int(done * 10 / total) : 10;
        if (tenths <= shownTenths)
            return;
        shownTenths = tenths;
        err << QStringLiteral("ktv: 已复制 %1 / %2 条记录（%3%）").arg(done).arg(total).arg(tenths * 10) << Qt::endl;
    };
}

QString money(double sum)
{
    return QString::number(sum, 'f', 4);
}

// One line per table: its name, rows on each side, money sums on each side; then the copy is refused, before
// anything of it is kept, when a table's rows or money differ (at 1/10 000).
CopyCheck printedAndAlike(QTextStream &out)
{
    return [&out](const QList<TableTally> &tallies) {
        QStringList differing;
        for (const TableTally &t : tallies) {
            const bool same = t.sourceRows == t.targetRows && charge::compareMoney(t.sourceMoney, t.targetMoney) == 0;
            out << QStringLiteral("%1  记录 %2 / %3  金额合计 %4 / %5%6")
                       .arg(t.table)
                       .arg(t.sourceRows)
                       .arg(t.targetRows)
                       .arg(money(t.sourceMoney), money(t.targetMoney), same ? QString() : QStringLiteral("  不一致"))
                << Qt::endl;
            if (!same)
                differing << t.table;
        }
        if (!differing.isEmpty())
            throw StoreError(QStringLiteral("复制前后 %1 的记录数或金额合计不一致，没有保存任何复制的记录")
                                 .arg(differing.join(QStringLiteral("、"))));
    };
}

void refuseUpgradeNeeded(const Database &db, const QString &where)
{
    if (db.needsUpgrade())
        throw StoreError(
            QStringLiteral("数据库 %1 来自较早的版本：请先启动一次程序，让它升级数据库").arg(shown(where)));
}

std::unique_ptr<FolderLock> holdFolder(const QString &folder)
{
    std::unique_ptr<FolderLock> lock = FolderLock::tryHold(folder);
    if (!lock)
        throw StoreError(
            QStringLiteral("程序正在使用数据文件夹 %1，请先退出程序").arg(QDir::toNativeSeparators(folder)));
    return lock;
}

} // namespace

int copyToVerb(const VenueLocation &venue, const QString &to, QTextStream &out, QTextStream &err)
{
    try {
        const std::unique_ptr<Database> source = Database::open(venue.where());
        if (Database::isServerAddress(to))
            Database::create(
                to, [&](Database &target) { copyVenue(*source, target, progressTo(err), printedAndAlike(out)); });
        else
            copyToFile(*source, reserveCopy(to), progressTo(err), printedAndAlike(out));
        out << QStringLiteral("ktv: 已把 %1 复制到 %2").arg(shown(venue.where()), shown(to)) << Qt::endl;
        return 0;
    } catch (const StoreError &e) {
        err << "ktv: " << e.message() << Qt::endl;
        return 1;
    }
}

int serverBackupVerb(const VenueLocation &venue, const Clock &clock, QTextStream &out, QTextStream &err)
{
    try {
        const std::unique_ptr<Database> source = Database::open(venue.where());
        const CopyTarget target = reserveBackup(venue.folder, BackupKind::Manual, clock.now());
        copyToFile(*source, target, progressTo(err));
        out << QDir::toNativeSeparators(target.finalPath) << Qt::endl;
        return 0;
    } catch (const StoreError &e) {
        err << "ktv: " << e.message() << Qt::endl;
        return 1;
    }
}

int serverRestoreVerb(const VenueLocation &venue, const QString &file, const Clock &clock, QTextStream &out,
                      QTextStream &err)
{
    try {
        // The file is checked before the server is touched: a refusal leaves the venue as it was.
        const std::unique_ptr<StagedRestore> staged = StagedRestore::stage(file);
        const std::unique_ptr<FolderLock> lock = holdFolder(venue.folder);
        const std::unique_ptr<Database> backup = Database::open(QFileInfo(staged->copyPath()).path());
        backup->upgrade(); // the staged copy is this run's own: an older backup gets today's tables
        const std::unique_ptr<Database> server = Database::open(venue.where());
        refuseUpgradeNeeded(*server, venue.where());
        out << QStringLiteral("ktv: 恢复会替换服务器上的全部数据：其他收银台上的程序请先退出") << Qt::endl;
        const CopyTarget keep = reserveBackup(venue.folder, BackupKind::BeforeRestore, clock.now());
        copyToFile(*server, keep, progressTo(err));
        {
            Transaction tx(*server);
            emptyVenue(*server);
            copyVenue(*backup, *server, progressTo(err), printedAndAlike(out));
            tx.commit();
        }
        out << "ktv: restored " << QDir::toNativeSeparators(file) << " into " << shown(venue.where()) << Qt::endl;
        out << "ktv: the database it replaced is kept as " << QDir::toNativeSeparators(keep.finalPath) << Qt::endl;
        return 0;
    } catch (const StoreError &e) {
        err << "ktv: " << e.message() << Qt::endl;
        return 1;
    }
}

int checkServerDatabase(const QString &address, QTextStream &out)
{
    try {
        const std::unique_ptr<Database> db = Database::open(address);
        refuseUpgradeNeeded(*db, address);
        QStringList missing;
        for (const QString &index : programIndexes()) {
            // The reports' index is made by the first report.
            if (index.compare(reports::kCheckoutIndex, Qt::CaseInsensitive) != 0 && !db->hasIndex(index))
                missing << index;
        }
        if (!missing.isEmpty()) {
            out << QStringLiteral("数据库 %1 缺少索引：%2").arg(shown(address), missing.join(QStringLiteral("、")))
                << Qt::endl;
            return 1;
        }
    } catch (const StoreError &e) {
        out << e.message() << Qt::endl;
        return 1;
    }
    out << "ok" << Qt::endl;
    return 0;
}

QString createServerVenue(const QString &folder, const QString &address, bool demo, const Clock &clock)
{
    try {
        checkVenueIniWritable(folder, address);
        const QString error = createVenueData(address, demo, clock);
        if (!error.isEmpty())
            return error;
        writeVenueIni(folder, address);
    } catch (const StoreError &e) {
        return e.message();
    }
    return {};
}

} // namespace ktv
