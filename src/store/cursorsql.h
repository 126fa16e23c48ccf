#pragma once

#include <QString>

namespace ktv {

// A table or field name as SQL reads it.
inline QString quoted(const QString &name) { return QLatin1Char('"') + name + QLatin1Char('"'); }

} // namespace ktv
