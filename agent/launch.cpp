#include "launch.h"

#include "commandwords.h"

#include <QProcess>

namespace ktv {

bool launchDetached(const QString &commandLine)
{
    std::optional<QStringList> words = commandWords(commandLine);
    if (!words || words->isEmpty())
        return false;
    const QString program = words->takeFirst();
    return QProcess::startDetached(program, *words);
}

} // namespace ktv
