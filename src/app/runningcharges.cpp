#include "runningcharges.h"

#include "board/roomboard.h"
#include "board/roombutton.h"
#include "board/roomstate.h"
#include "store/clock.h"
#include "store/openvisits.h"
#include "store/reservations.h"
#include "store/storeerror.h"
#include "visits/charge.h"
#include "visits/visitstays.h"

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
    QHash<QString, QString> texts;
    const QDateTime now = m_clock.now();
    try {
        QHash<QString, openvisits::OpenVisit> newest;
        for (const openvisits::OpenVisit &v : openvisits::listOpen(m_db)) {
            if (!newest.contains(v.room.toLower()))
                newest.insert(v.room.toLower(), v); // newest first: a room's latest visit counts
        }
        for (auto it = newest.cbegin(); it != newest.cend(); ++it) {
            const openvisits::OpenVisit &v = it.value();
            const charge::RunningCharge c =
                charge::runningCharge(visitstays::read(m_db, v.serial, v.room, v.begin), v.begin, now,
                                      v.discountMinutes, v.memberRate, v.roomRate, v.lines);
            texts.insert(it.key(), charge::runningText(c));
        }
    } catch (const StoreError &) {
        // A figure for the cashier's eye only: what cannot be read now shows nothing and asks nothing.
        texts.clear();
    }
    for (RoomButton *button : m_board.buttons()) {
        if (roomstate::isFree(button->captionColor()))
            button->setRunning({});
        else
            button->setRunning(texts.value(button->room().toLower()));
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
