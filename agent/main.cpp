// ktv-agent: the reference client agent for the venue's room PCs.

#include "agentoptions.h"
#include "agentserver.h"
#include "clientrecord.h"
#include "launch.h"
#include "stopsignal.h"

#include "store/storeerror.h"

#include <QCoreApplication>
#include <QDateTime>

#include <QTimer>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

// The PC's record in the venue database: marked running at start and stopped at an orderly stop. A server
// not reachable yet (the PC started first) is tried again every half minute; the agent takes commands
// meanwhile.
class Registration
{
public:
    using Log = std::function<void(const QString &)>;
    Registration(QString address, ktv::PcIdentity pc, Log log) : m_address(std::move(address)), m_pc(std::move(pc)), m_log(std::move(log)) {}

    void start(QCoreApplication &app)
    {
        if (tryRegister())
            return;
        auto *retry = new QTimer(&app);
        QObject::connect(retry, &QTimer::timeout, &app, [this, retry] {
            if (tryRegister())
                retry->deleteLater();
        });
        retry->start(30000);
    }

    void stop()
    {
        if (!m_record)
            return;
        try {
            m_record->markStopped();
            m_log(QStringLiteral("marked stopped in the venue database"));
        } catch (const ktv::StoreError &e) {
            m_log(QStringLiteral("could not mark this PC stopped in the venue database: ") + e.message());
        }
    }

private:
    bool tryRegister()
    {
        try {
            auto record = std::make_unique<ktv::ClientRecord>(m_address, m_pc);
            record->markRunning();
            m_record = std::move(record);
            m_log(QStringLiteral("registered %1 (%2, %3) in the venue database").arg(m_pc.mac, m_pc.address, m_pc.host));
            return true;
        } catch (const ktv::StoreError &e) {
            m_log(QStringLiteral("could not register this PC in the venue database, trying again in 30 s: ") +
                  e.message());
            return false;
        }
    }

    QString m_address;
    ktv::PcIdentity m_pc;
    Log m_log;
    std::unique_ptr<ktv::ClientRecord> m_record;
};

} // namespace

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
    std::unique_ptr<Registration> registration;
    if (!options.database.isEmpty()) {
        const std::optional<ktv::PcIdentity> pc = ktv::thisPc();
        if (!pc) {
            std::fprintf(stderr, "ktv-agent: --database: this PC has no network interface with an IPv4 address\n");
            return 1;
        }
        registration = std::make_unique<Registration>(options.database, *pc, log);
        registration->start(app);
    }
    ktv::quitOnStopSignal(app);
    const int code = app.exec();
    if (registration)
        registration->stop();
    return code;
}
