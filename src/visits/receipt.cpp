#include "receipt.h"

#include "charge.h"
#include "widgets/numberforms.h"

#include <iterator>

namespace ktv::receipt {

namespace {

enum class Form { Serial, Text, HashPattern, General, Change };

struct Line
{
    const char *field;
    const char *label;
    Form form;
};

// clang-format off
constexpr Line kLines[] = {
    {"Openroom_Lishui", "开房流水号:", Form::Serial},
    {"Openroom_Customers_id", "开房客户号:", Form::Text},
    {"Openroom_room_id", "开房房间号:", Form::Text},
    {"Openroom_jbxf", "基本消费额:", Form::HashPattern},
    {"Openroom_jiushui", "酒水消费额:", Form::General},
    {"Openroom_yingfu", "客户应付额:", Form::General},
    {"Openroom_shifu", "客户付现额:", Form::General},
    {"Openroom_zhaoling", "找零客户额:", Form::Change},
    {"Openroom_beizhu", "结帐备注项:", Form::Text},
};
// clang-format on

QString valueText(Form form, const QVariant &value, QChar decimalPoint)
{
    if (!value.isValid() || value.isNull())
        return {};
    switch (form) {
    case Form::Serial:
        return QString::number(value.toLongLong());
    case Form::Text:
        return value.toString();
    case Form::HashPattern:
        return numberform::hashPattern(value, decimalPoint);
    case Form::General:
        return numberform::general(value, decimalPoint);
    case Form::Change:
        // An exact payment leaves a remainder of the double sums, not change: 9.70 paid on 0.90 + 8.80.
        if (charge::compareMoney(value.toDouble(), 0) == 0)
            return QStringLiteral("0");
        return numberform::general(value, decimalPoint);
    }
    return {};
}

} // namespace

const QStringList &fields()
{
    static const QStringList names = [] {
        QStringList list;
        for (const Line &line : kLines)
            list << QLatin1String(line.field);
        return list;
    }();
    return names;
}

QStringList texts(const QVariantList &values, QChar decimalPoint)
{
    QStringList lines;
    for (qsizetype k = 0; k < qsizetype(std::size(kLines)); ++k) {
        const QVariant value = k < values.size() ? values[k] : QVariant();
        lines << QString::fromUtf8(kLines[k].label) + valueText(kLines[k].form, value, decimalPoint);
    }
    lines << QStringLiteral("欢迎再次光临欢歌KTV！");
    return lines;
}

QStringList chargeLines(const charge::StayCharge &charge, QChar decimalPoint)
{
    const bool moved = charge.stayParts.size() > 1;
    const auto line = [decimalPoint](const QString &what, const charge::ChargePart &part) {
        return QStringLiteral("%1 %2分钟 %3")
            .arg(what)
            .arg(part.minutes)
            .arg(numberform::twoDecimals(part.amount).replace(QLatin1Char('.'), decimalPoint));
    };
    QStringList lines;
    for (const charge::ChargePart &part : charge.bandParts)
        lines << line((moved ? QStringLiteral("房间%1 ").arg(part.room) : QString()) + QStringLiteral("时段") +
                          part.band.times(),
                      part);
    if (moved) {
        for (const charge::ChargePart &part : charge.stayParts)
            lines << line(QStringLiteral("房间") + part.room, part);
    }
    return lines;
}

} // namespace ktv::receipt
