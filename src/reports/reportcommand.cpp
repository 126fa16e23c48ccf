#include "reportcommand.h"

#include "reporttable.h"

#include "store/database.h"
#include "store/storeerror.h"

#include <QTextStream>

namespace ktv::reports {

int runReportCommand(const ReportRequest &request, QTextStream &out, QTextStream &err)
{
    const std::optional<ReportKind> kind = kindNamed(request.kind);
    if (!kind) {
        err << QStringLiteral("ktv: 没有名为“%1”的报表，可选 takings、rooms、drinks 或 staff\n").arg(request.kind);
        return 2;
    }
    if (request.from.isEmpty() || request.to.isEmpty()) {
        err << QStringLiteral("ktv: --report 需要 --from 和 --to 两个日期（YYYY-MM-DD）\n");
        return 2;
    }
    QString problem;
    const std::optional<DateRange> range = parseRange(request.from, request.to, &problem);
    if (!range) {
        err << QStringLiteral("ktv: ") << problem << u'\n';
        return 2;
    }
    try {
        const std::unique_ptr<Database> db = Database::open(request.folder);
        if (*kind == ReportKind::Staff && db->needsUpgrade())
            throw StoreError(QStringLiteral("数据库来自较早的版本，还没有操作日志：请先启动一次程序，让它升级数据库"));
        // Only the report asked for is read: the takings of years need no order line.
        const ReportParts parts{*kind == ReportKind::Takings, *kind == ReportKind::Rooms, *kind == ReportKind::Drinks,
                                *kind == ReportKind::Staff};
        const ReportTable table = reportTable(readReports(*db, *range, parts), *kind);
        if (request.csv)
            out << toCsv(table);
        else
            out << alignedLines(table).join(u'\n') << u'\n';
    } catch (const StoreError &e) {
        err << QStringLiteral("ktv: ") << e.message() << u'\n';
        return 1;
    }
    out.flush();
    return 0;
}

} // namespace ktv::reports
