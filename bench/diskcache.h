#pragma once

#include <QtGlobal>

namespace ktv::bench {

// Writes dirty pages out and drops the operating system's page cache, so that the next start reads the
// database from the disk as the first start of the evening does. Linux, as root; false elsewhere.
bool dropPageCache();

// Bytes this process has read from files so far, from the cache or the disk (Linux); -1 elsewhere.
qint64 bytesReadSoFar();

} // namespace ktv::bench
