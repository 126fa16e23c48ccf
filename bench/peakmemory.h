#pragma once

#include <QtGlobal>

namespace ktv::bench {

// The most memory this process has held resident since it started, in bytes; -1 where it cannot be read.
qint64 peakResidentBytes();

} // namespace ktv::bench
