#include "reporttable.h"

#include "store/gbk.h"
#include "store/storeerror.h"
#include "widgets/numberforms.h"

#include <QDir>
#include <QSaveFile>

#include <algorithm>

namespace ktv::reports {

namespace {

QString money(double value) { return numberform::twoDecimals(value); }

QStringList takingsCells(const QString &day, const TakingsRow &row)
{
    return {day,
            QString::number(row.visits),
            money(row.room),
            money(row.drinks),
            money(row.waived),
            money(row.owed),
            money(row.due),
            money(row.paid),
            money(row.change)};
}

ReportTable takingsTable(const Takings &takings)
{
    ReportTable table;
    table.columns = {{QStringLiteral("day"), QStringLiteral("营业日"), false},
                     {QStringLiteral("visits"), QStringLiteral("开房数")},
                     {QStringLiteral("room"), QStringLiteral("房费")},
                     {QStringLiteral("drinks"), QStringLiteral("酒水")},
                     {QStringLiteral("waived"), QStringLiteral("抹零")},
                     {QStringLiteral("owed"), QStringLiteral("欠帐")},
                     {QStringLiteral("due"), QStringLiteral("应付")},
                     {QStringLiteral("paid"), QStringLiteral("实付")},
                     {QStringLiteral("change"), QStringLiteral("找零")}};
    for (const TakingsRow &row : takings.days)
        table.rows.append(takingsCells(row.day.toString(Qt::ISODate), row));
    table.rows.append(takingsCells(QStringLiteral("total"), takings.total));
    return table;
}

ReportTable roomsTable(const QList<RoomRow> &rooms)
{
    ReportTable table;
    table.columns = {{QStringLiteral("room"), QStringLiteral("房间"), false},
                     {QStringLiteral("visits"), QStringLiteral("开房数")},
                     {QStringLiteral("room_charge"), QStringLiteral("房费")},
                     {QStringLiteral("hours"), QStringLiteral("使用小时")},
                     {QStringLiteral("occupancy"), QStringLiteral("使用率%")}};
    for (const RoomRow &row : rooms)
        table.rows.append({row.room.isEmpty() ? QStringLiteral("(无房间)") : row.room, QString::number(row.visits),
                           money(row.roomCharge), money(row.hours), money(row.occupancy)});
    return table;
}

ReportTable drinksTable(const QList<DrinkRow> &drinks)
{
    ReportTable table;
    table.columns = {{QStringLiteral("code"), QStringLiteral("酒水编码"), false},
                     {QStringLiteral("name"), QStringLiteral("酒水名称"), false},
                     {QStringLiteral("quantity"), QStringLiteral("数量")},
                     {QStringLiteral("revenue"), QStringLiteral("金额")}};
    for (const DrinkRow &row : drinks)
        table.rows.append({row.code, row.name, QString::number(row.quantity), money(row.revenue)});
    return table;
}

QString csvField(const QString &text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    QString quoted = text;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString csvLine(const QStringList &fields)
{
    QStringList quoted;
    for (const QString &field : fields)
        quoted.append(csvField(field));
    return quoted.join(u',') + u'\n';
}

QString padded(const QString &text, int width, bool right)
{
    const QString fill(std::max(0, width - gbk::width(text)), u' ');
    return right ? fill + text : text + fill;
}

} // namespace

namespace {

struct KindNames
{
    ReportKind kind;
    const char *name;
    const char *caption;
};

constexpr KindNames kKindNames[] = {
    {ReportKind::Takings, "takings", "营业额"},
    {ReportKind::Rooms, "rooms", "房间使用"},
    {ReportKind::Drinks, "drinks", "酒水销售"},
    {ReportKind::Staff, "staff", "员工操作"},
};

const KindNames &namesOf(ReportKind kind)
{
    return *std::find_if(std::begin(kKindNames), std::end(kKindNames),
                         [kind](const KindNames &k) { return k.kind == kind; });
}

ReportTable staffTable(const QList<StaffRow> &staff)
{
    ReportTable table;
    table.columns = {{QStringLiteral("staff"), QStringLiteral("员工编号"), false},
                     {QStringLiteral("name"), QStringLiteral("姓名"), false},
                     {QStringLiteral("checked_in"), QStringLiteral("开房")},
                     {QStringLiteral("paid"), QStringLiteral("收费次数")},
                     {QStringLiteral("takings"), QStringLiteral("收款")},
                     {QStringLiteral("waived"), QStringLiteral("抹零")},
                     {QStringLiteral("owed"), QStringLiteral("欠帐")},
                     {QStringLiteral("removed_lines"), QStringLiteral("删除酒水")},
                     {QStringLiteral("removed_value"), QStringLiteral("删除金额")}};
    for (const StaffRow &row : staff)
        table.rows << QStringList{row.staff,
                                  row.name,
                                  QString::number(row.checkedIn),
                                  QString::number(row.payments),
                                  money(row.takings),
                                  money(row.waived),
                                  money(row.owed),
                                  QString::number(row.removedLines),
                                  money(row.removedValue)};
    return table;
}

} // namespace

QString kindName(ReportKind kind) { return QLatin1String(namesOf(kind).name); }

std::optional<ReportKind> kindNamed(const QString &name)
{
    for (const KindNames &k : kKindNames) {
        if (name == QLatin1String(k.name))
            return k.kind;
    }
    return std::nullopt;
}

QString kindCaption(ReportKind kind) { return QString::fromUtf8(namesOf(kind).caption); }

QStringList ReportTable::keys() const
{
    QStringList result;
    for (const ReportColumn &column : columns)
        result.append(column.key);
    return result;
}

QStringList ReportTable::captions() const
{
    QStringList result;
    for (const ReportColumn &column : columns)
        result.append(column.caption);
    return result;
}

ReportTable reportTable(const ReportSet &reports, ReportKind kind)
{
    switch (kind) {
    case ReportKind::Takings:
        return takingsTable(reports.takings);
    case ReportKind::Rooms:
        return roomsTable(reports.rooms);
    case ReportKind::Drinks:
        return drinksTable(reports.drinks);
    case ReportKind::Staff:
        return staffTable(reports.staff);
    }
    return {};
}

QString toCsv(const ReportTable &table)
{
    QString text = csvLine(table.keys());
    for (const QStringList &row : table.rows)
        text += csvLine(row);
    return text;
}

void saveCsv(const QString &path, const ReportTable &table)
{
    QSaveFile file(path);
    const QByteArray text = "\xEF\xBB\xBF" + toCsv(table).toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        throw StoreError(QStringLiteral("无法写入文件 %1：%2").arg(QDir::toNativeSeparators(path), file.errorString()));
}

QStringList alignedLines(const ReportTable &table, bool captions)
{
    const QStringList header = captions ? table.captions() : table.keys();
    QList<int> widths;
    for (const QString &title : header)
        widths.append(gbk::width(title));
    for (const QStringList &row : table.rows) {
        for (qsizetype i = 0; i < row.size() && i < widths.size(); ++i)
            widths[i] = std::max(widths[i], gbk::width(row[i]));
    }
    const auto line = [&](const QStringList &cells) {
        QStringList parts;
        for (qsizetype i = 0; i < cells.size() && i < widths.size(); ++i)
            parts.append(padded(cells[i], widths[i], table.columns[i].numeric));
        QString text = parts.join(QStringLiteral("  "));
        while (text.endsWith(u' '))
            text.chop(1);
        return text;
    };
    QStringList lines{line(header)};
    for (const QStringList &row : table.rows)
        lines.append(line(row));
    return lines;
}

} // namespace ktv::reports
