#include "stopsignal.h"

#include <QCoreApplication>
#include <QTimer>

#include <atomic>
#include <csignal>

namespace ktv {

namespace {

// A signal handler may only set a flag; the event loop looks at it.
std::atomic<bool> g_stopAsked{false};

extern "C" void askStop(int) { g_stopAsked = true; }

} // namespace

void quitOnStopSignal(QCoreApplication &app)
{
    std::signal(SIGINT, askStop);
    std::signal(SIGTERM, askStop);
    auto *poll = new QTimer(&app);
    QObject::connect(poll, &QTimer::timeout, &app, [] {
        if (g_stopAsked)
            QCoreApplication::quit();
    });
    poll->start(200);
}

} // namespace ktv
