#pragma once

#include <QString>

namespace ktv {

// The maker's web page: shown in the main window's caption and the about box, opened by both web links.
inline QString makerWebAddress() { return QStringLiteral("https://www.rivivizev.example/"); }

} // namespace ktv
