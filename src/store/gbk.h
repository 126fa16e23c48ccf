#pragma once

#include <QString>

// Field widths count bytes of the GBK (code page 936) form of a text.
namespace ktv::gbk {

int width(const QString &text);
// The longest leading part of text whose GBK form fits in maxBytes; never splits a character.
QString cut(const QString &text, int maxBytes);
// The first character GBK cannot hold, or an empty string when there is none.
QString firstUnencodable(const QString &text);

} // namespace ktv::gbk
