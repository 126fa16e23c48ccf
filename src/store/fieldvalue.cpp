#include "fieldvalue.h"

#include "gbk.h"
#include "storeerror.h"

#include <QDateTime>
#include <QLocale>

#include <cmath>
#include <limits>

namespace ktv::fieldvalue {

namespace {

const QString kDate = QStringLiteral("yyyy-MM-dd");
const QString kTime = QStringLiteral("HH:mm:ss");
const QString kDateTimeStored = QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz");
const QString kDateTimeShown = QStringLiteral("yyyy-MM-dd HH:mm:ss");

[[noreturn]] void conversionFailed(const FieldDef &field, const QString &text, const char *what)
{
    throw ConversionError(
        QStringLiteral("“%1”不是有效的%2（字段 %3）").arg(text, QString::fromUtf8(what), field.displayLabel()));
}

double parseNumber(const FieldDef &field, const QString &text)
{
    bool ok = false;
    double d = QLocale::c().toDouble(text, &ok);
    if (!ok)
        d = QLocale::system().toDouble(text, &ok);
    if (!ok || !std::isfinite(d))
        conversionFailed(field, text, "数值");
    return d;
}

qint64 checkedInteger(const FieldDef &field, const QString &text, double d)
{
    const qint64 lo = field.kind == FieldKind::Int16 ? -32768 : std::numeric_limits<qint32>::min();
    const qint64 hi = field.kind == FieldKind::Int16 ? 32767 : std::numeric_limits<qint32>::max();
    if (d != std::trunc(d))
        conversionFailed(field, text, "整数");
    if (d < double(lo) || d > double(hi))
        throw ConversionError(QStringLiteral("%1 超出字段 %2 的范围（%3 到 %4）")
                                  .arg(text, field.displayLabel())
                                  .arg(lo)
                                  .arg(hi));
    return qint64(d);
}

QDateTime parseDateTime(const FieldDef &field, const QString &text)
{
    static const QStringList forms{kDateTimeStored,       kDateTimeShown,          QStringLiteral("yyyy-MM-dd HH:mm"),
                                   QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"), QStringLiteral("yyyy-MM-ddTHH:mm:ss"),
                                   QStringLiteral("yyyy/M/d H:mm:ss"),        QStringLiteral("yyyy/M/d H:mm"),
                                   kDate,                 QStringLiteral("yyyy/M/d")};
    for (const QString &form : forms) {
        const QDateTime dt = QDateTime::fromString(text, form);
        if (dt.isValid())
            return dt;
    }
    conversionFailed(field, text, "日期时间");
}

QDate parseDate(const FieldDef &field, const QString &text)
{
    for (const QString &form : {kDate, QStringLiteral("yyyy/M/d"), QStringLiteral("yyyy-M-d")}) {
        const QDate d = QDate::fromString(text, form);
        if (d.isValid())
            return d;
    }
    const QDateTime dt = parseDateTime(field, text);
    return dt.date();
}

QTime parseTime(const FieldDef &field, const QString &text)
{
    for (const QString &form : {kTime, QStringLiteral("H:mm:ss"), QStringLiteral("H:mm"), QStringLiteral("HH:mm:ss.zzz")}) {
        const QTime t = QTime::fromString(text, form);
        if (t.isValid())
            return t;
    }
    conversionFailed(field, text, "时间");
}

int digits(QStringView text, qsizetype from, qsizetype count)
{
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

// Reads the stored form by its fixed digit positions: parsing by format costs far more, and every row of
// a grid holds date-times.
QDateTime storedDateTime(const QString &text)
{
    if (text.size() == 23 && text[4] == u'-' && text[7] == u'-' && text[10] == u' ' && text[13] == u':' &&
        text[16] == u':' && text[19] == u'.') {
        const QDate date(digits(text, 0, 4), digits(text, 5, 2), digits(text, 8, 2));
        const QTime time(digits(text, 11, 2), digits(text, 14, 2), digits(text, 17, 2), digits(text, 20, 3));
        if (date.isValid() && time.isValid())
            return QDateTime(date, time);
    }
    QDateTime dt = QDateTime::fromString(text, kDateTimeStored);
    if (!dt.isValid())
        dt = QDateTime::fromString(text, kDateTimeShown);
    return dt;
}

QVariant normalizeText(const FieldDef &field, const QString &text)
{
    if (text.isEmpty())
        return {};
    // Half of a character pair (pasted from a broken source) is no character: it would be stored as bytes
    // that no program can read back.
    if (!text.isValidUtf16())
        throw StoreError(QStringLiteral("字段 %1 含有无效的字符，不能保存").arg(field.displayLabel()));
    const QString bad = gbk::firstUnencodable(text);
    if (!bad.isEmpty())
        throw StoreError(QStringLiteral("字段 %1 不能保存字符“%2”").arg(field.displayLabel(), bad));
    if (field.whole && gbk::width(text) > field.width)
        throw StoreError(QStringLiteral("字段 %1 最多容纳 %2 个字节，“%3”太长，没有保存")
                             .arg(field.displayLabel())
                             .arg(field.width)
                             .arg(text));
    return gbk::cut(text, field.width);
}

} // namespace

QVariant normalize(const FieldDef &field, const QVariant &input)
{
    if (!input.isValid() || input.isNull())
        return {};
    const bool isString = input.typeId() == QMetaType::QString;
    const QString text = isString ? input.toString().trimmed() : QString();
    if (isString && text.isEmpty() && field.kind != FieldKind::Text)
        return {};

    switch (field.kind) {
    case FieldKind::Text:
        return normalizeText(field, input.toString());
    case FieldKind::Money:
    case FieldKind::Float: {
        if (isString)
            return parseNumber(field, text);
        bool ok = false;
        const double d = input.toDouble(&ok);
        if (!ok)
            conversionFailed(field, input.toString(), "数值");
        return d;
    }
    case FieldKind::Int16:
    case FieldKind::Int32:
    case FieldKind::AutoInc: {
        const double d = isString ? parseNumber(field, text) : input.toDouble();
        return checkedInteger(field, isString ? text : input.toString(), d);
    }
    case FieldKind::Date:
        if (input.typeId() == QMetaType::QDate)
            return input;
        if (input.typeId() == QMetaType::QDateTime)
            return input.toDateTime().date();
        return parseDate(field, text);
    case FieldKind::Time:
        if (input.typeId() == QMetaType::QTime)
            return input;
        if (input.typeId() == QMetaType::QDateTime)
            return input.toDateTime().time();
        return parseTime(field, text);
    case FieldKind::DateTime:
        if (input.typeId() == QMetaType::QDateTime)
            return input;
        if (input.typeId() == QMetaType::QDate)
            return QDateTime(input.toDate(), QTime(0, 0));
        return parseDateTime(field, text);
    }
    return {};
}

QString dateTimeStorageForm(const QDateTime &moment) { return moment.toString(kDateTimeStored); }

QVariant toSql(const FieldDef &field, const QVariant &value)
{
    if (value.isNull() || !value.isValid())
        return QVariant(field.isNumber() ? QMetaType(QMetaType::Double) : QMetaType(QMetaType::QString));
    switch (field.kind) {
    case FieldKind::Date:
        return value.toDate().toString(kDate);
    case FieldKind::Time:
        return value.toTime().toString(kTime);
    case FieldKind::DateTime:
        return dateTimeStorageForm(value.toDateTime());
    case FieldKind::Money:
    case FieldKind::Float:
        return value.toDouble();
    case FieldKind::Int16:
    case FieldKind::Int32:
    case FieldKind::AutoInc:
        return value.toLongLong();
    case FieldKind::Text:
        return value.toString();
    }
    return value;
}

QVariant fromSql(const FieldDef &field, const QVariant &stored)
{
    if (stored.isNull() || !stored.isValid())
        return {};
    switch (field.kind) {
    case FieldKind::Date:
        return QDate::fromString(stored.toString(), kDate);
    case FieldKind::Time:
        return QTime::fromString(stored.toString(), kTime);
    case FieldKind::DateTime:
        return storedDateTime(stored.toString());
    case FieldKind::Money:
    case FieldKind::Float:
        return stored.toDouble();
    case FieldKind::Int16:
    case FieldKind::Int32:
    case FieldKind::AutoInc:
        return stored.toLongLong();
    case FieldKind::Text: {
        const QString s = stored.toString();
        return s.isEmpty() ? QVariant() : QVariant(s);
    }
    }
    return stored;
}

QString toText(const FieldDef &field, const QVariant &value)
{
    if (value.isNull() || !value.isValid())
        return {};
    switch (field.kind) {
    case FieldKind::Date:
        return value.toDate().toString(kDate);
    case FieldKind::Time:
        return value.toTime().toString(kTime);
    case FieldKind::DateTime:
        return value.toDateTime().toString(kDateTimeShown);
    case FieldKind::Money:
    case FieldKind::Float:
        return QString::number(value.toDouble(), 'g', 15);
    case FieldKind::Int16:
    case FieldKind::Int32:
    case FieldKind::AutoInc:
        return QString::number(value.toLongLong());
    case FieldKind::Text:
        return value.toString();
    }
    return value.toString();
}

} // namespace ktv::fieldvalue
