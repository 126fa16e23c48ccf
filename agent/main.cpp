// ktv-agent: the reference client agent for the venue's room PCs.

#include "agentoptions.h"
#include "agentserver.h"
#include "launch.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ktv-agent"));
    const ktv::AgentOptions options = ktv::parseAgentOptions(QCoreApplication::arguments());
    if (options.help) {
        std::fputs(options.helpText.toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "ktv-agent: %s\n", options.error.toLocal8Bit().constData());
        return 2;
    }
    const auto log = [](const QString &line) {
        const QString stamped = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss ")) + line;
        std::printf("%s\n", stamped.toLocal8Bit().constData());
        std::fflush(stdout);
    };
    ktv::AgentServer server(options.settings, ktv::launchDetached, log);
    if (!server.listen())
        return 1;
    return app.exec();
}
