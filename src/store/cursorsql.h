#pragma once

#include <QString>

namespace ktv {

// A table or field name as SQL reads it: bare, so that SQLite (which ignores case) and PostgreSQL (which folds
// bare names to lower case, as it made them) both find it.
inline QString sqlName(const QString &name) { return name; }

} // namespace ktv
