#include "diskcache.h"

#include <QtGlobal>

#if defined(Q_OS_LINUX)
#include <QFile>
#include <QRegularExpression>
#include <unistd.h>
#endif

namespace ktv::bench {

bool dropPageCache()
{
#if defined(Q_OS_LINUX)
    ::sync();
    QFile control(QStringLiteral("/proc/sys/vm/drop_caches"));
    if (!control.open(QIODevice::WriteOnly))
        return false;
    return control.write("3\n") == 2;
#else
    return false;
#endif
}

qint64 bytesReadSoFar()
{
#if defined(Q_OS_LINUX)
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    static const QRegularExpression line(QStringLiteral("^rchar:\\s*(\\d+)"), QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = line.match(QString::fromLatin1(io.readAll()));
    return m.hasMatch() ? m.captured(1).toLongLong() : -1;
#else
    return -1;
#endif
}

} // namespace ktv::bench
