#include "gbk.h"

#include <QStringEncoder>

namespace ktv::gbk {

namespace {

bool isAscii(const QString &text)
{
    for (QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

// Bytes of one character (a code point of one or two UTF-16 units); -1 when GBK has no form for it.
int charWidth(QStringView ch)
{
    if (ch.size() == 1 && ch.front().unicode() < 0x80)
        return 1;
    // A fresh encoder each time: an encoder's error flag outlives resetState().
    QStringEncoder enc("GBK");
    const QByteArray bytes = enc.encode(ch);
    return enc.hasError() ? -1 : int(bytes.size());
}

qsizetype charLength(const QString &text, qsizetype i)
{
    return (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) ? 2 : 1;
}

} // namespace

int width(const QString &text)
{
    if (isAscii(text))
        return int(text.size());
    int total = 0;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n = charLength(text, i);
        total += qMax(1, charWidth(QStringView(text).mid(i, n)));
        i += n;
    }
    return total;
}

QString cut(const QString &text, int maxBytes)
{
    if (isAscii(text))
        return text.left(maxBytes);
    int total = 0;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n = charLength(text, i);
        const int w = qMax(1, charWidth(QStringView(text).mid(i, n)));
        if (total + w > maxBytes)
            return text.left(i);
        total += w;
        i += n;
    }
    return text;
}

QString firstUnencodable(const QString &text)
{
    if (isAscii(text))
        return {};
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n = charLength(text, i);
        if (charWidth(QStringView(text).mid(i, n)) < 0)
            return text.mid(i, n);
        i += n;
    }
    return {};
}

} // namespace ktv::gbk
