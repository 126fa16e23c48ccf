#include "runningcharges.h"

#include "board/roomboard.h"
#include "board/roombutton.h"
#include "board/roomstate.h"
#include "store/clock.h"
#include "store/openvisits.h"
#include "store/reservations.h"
#include "store/storeerror.h"
#include "visits/charge.h"

#include <QHash>
#include <QTimer>

namespace ktv {

RunningCharges::RunningCharges(RoomBoard &board, Database &db, const Clock &clock, QObject *parent)
    : QObject(parent), m_board(board), m_db(db), m_clock(clock), m_timer(new QTimer(this))
{
    m_timer->setObjectName(QStringLiteral("TimerRunning"));
    m_timer->setInterval(30'000);
    connect(m_timer, &QTimer::timeout, this, &RunningCharges::update);
    connect(&m_board, &RoomBoard::refreshed, this, &RunningCharges::update);
    m_timer->start();
}

void RunningCharges::update()
{
    QHash<QString, openvisits::OpenVisit> newest;
    try {
        for (const openvisits::OpenVisit &v : openvisits::listOpen(m_db)) {
            if (!newest.contains(v.room.toLower()))
                newest.insert(v.room.toLower(), v); // newest first: a room's latest visit counts
        }
    } catch (const StoreError &) {
        // A figure for the cashier's eye only: what cannot be read now shows nothing and asks nothing.
        newest.clear();
    }
    const QDateTime now = m_clock.now();
    for (RoomButton *button : m_board.buttons()) {
        const auto found = newest.constFind(button->room().toLower());
        if (roomstate::isFree(button->captionColor()) || found == newest.constEnd()) {
            button->setRunning({});
            continue;
        }
        const charge::RunningCharge c =
            charge::runningCharge(found->begin, now, found->discountMinutes, found->hourlyPrice, found->memberRate, found->roomRate, found->lines);
        button->setRunning(charge::runningText(c));
    }
    showBookings(now);
}

void RunningCharges::showBookings(const QDateTime &now)
{
    QList<reservations::Booking> due;
    try {
        due = reservations::onBoard(m_db, now, reservations::leadMinutes(m_db));
    } catch (const StoreError &) {
        // As the charges: what cannot be read now marks nothing.
    }
    m_board.showBookings(due);
}

} // namespace ktv
