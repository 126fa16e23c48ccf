#pragma once

#include "store/database.h"
#include "store/storeerror.h"

#include <QList>
#include <QStringList>
#include <QThread>

#include <functional>
#include <latch>
#include <memory>

// Runs step on count stations at the same moment: each in a thread of its own, with its own connection to
// the database at location, opened before they all start together. Returns what each was told: empty when
// its step went through, the message of a refusal, or "failed: " and the reason of any other error.
inline QStringList atOnce(const QString &location, int count, const std::function<void(ktv::Database &, int)> &step)
{
    std::latch ready(count);
    QStringList outcomes(count);
    QList<QThread *> stations;
    for (int s = 0; s < count; ++s) {
        stations << QThread::create([&, s] {
            std::unique_ptr<ktv::Database> station;
            try {
                station = ktv::Database::open(location);
            } catch (const std::exception &e) {
                outcomes[s] = QStringLiteral("failed: ") + QString::fromStdString(e.what());
                ready.count_down();
                return;
            }
            ready.arrive_and_wait();
            try {
                step(*station, s);
            } catch (const ktv::Refused &e) {
                outcomes[s] = e.message();
            } catch (const std::exception &e) {
                outcomes[s] = QStringLiteral("failed: ") + QString::fromStdString(e.what());
            }
        });
        stations.last()->start();
    }
    for (QThread *station : stations) {
        station->wait();
        delete station;
    }
    return outcomes;
}
