#include "peakmemory.h"

#if defined(Q_OS_WIN)
#include <windows.h>
// windows.h first: psapi.h needs its types.
#include <psapi.h>
#elif defined(Q_OS_LINUX)
#include <QFile>
#include <QRegularExpression>
#include <sys/resource.h>
#else
#include <sys/resource.h>
#endif

namespace ktv::bench {

qint64 peakResidentBytes()
{
#if defined(Q_OS_WIN)
    PROCESS_MEMORY_COUNTERS counters{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return -1;
    return qint64(counters.PeakWorkingSetSize);
#elif defined(Q_OS_LINUX)
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        static const QRegularExpression line(QStringLiteral("^VmHWM:\\s*(\\d+)\\s*kB"),
                                             QRegularExpression::MultilineOption);
        const QRegularExpressionMatch m = line.match(QString::fromLatin1(status.readAll()));
        if (m.hasMatch())
            return m.captured(1).toLongLong() * 1024;
    }
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0)
        return -1;
    return qint64(usage.ru_maxrss) * 1024; // kilobytes on Linux
#else
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0)
        return -1;
#if defined(Q_OS_DARWIN)
    return qint64(usage.ru_maxrss); // bytes on macOS
#else
    return qint64(usage.ru_maxrss) * 1024;
#endif
#endif
}

} // namespace ktv::bench
