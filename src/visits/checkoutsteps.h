#pragma once

#include "charge.h"

#include "store/storeerror.h"

#include <QDateTime>
#include <QString>



namespace ktv {

class Database;

// The eight steps of check-out and payment, each on the visit whose serial number the cashier chose, read
// as stored now inside its own transaction: all that a step writes is stored together or not at all.
namespace checkout {

using Refused = ktv::Refused;

struct CheckOutResult
{
    bool checkedOut = false; // the end time was set now; false when the visit was checked out already
    bool released = true;    // false when another visit not checked out holds the room: nothing was freed
    QString room;
};

// "&1退房": sets the end time (journalled) of a visit not yet checked out, then frees its room and every client PC of
// the room, unless another visit not checked out holds the room.
CheckOutResult checkOut(Database &db, qint64 serial, const QDateTime &now);
// Frees the room and every client PC of it, unless a visit other than leavingVisit that is not checked out
// holds the room; false then. Needs the caller's transaction.
bool releaseRoom(Database &db, const QString &room, qint64 leavingVisit);
// "&2计算用时": used minutes, and the rates the charge is computed with.
void computeUsedTime(Database &db, qint64 serial);
// "&3计算基本消费": the room charge over the visit's stays (visitstays.h).
void computeRoomCharge(Database &db, qint64 serial);
// "&4计算酒水消费": the drinks total; lines of quantity 0 or less are deleted, the others noted as paid.
void computeDrinks(Database &db, qint64 serial);
// "&5收费": amount due, change and mark, and the payment's journal row. A payment that lowers the bill or
// leaves the guest owing needs a manager: managerAllowed says one is logged in or authorised it (named
// by authorisedBy in the journal); otherwise it is refused. Returns the settlement stored.
charge::Settlement takePayment(Database &db, qint64 serial, const QDateTime &now, bool managerAllowed = true,
                               const QString &authorisedBy = {});
// What "&5收费" would store on the visit as it is stored now, storing nothing: whether it needs a manager,
// and as which action ("抹零" or "欠帐"); empty when it does not.
QString paymentNeedingManager(Database &db, qint64 serial);
// "&7更新最近消费时间": the member's last consumption time becomes the visit's end time.
void stampLastVisit(Database &db, qint64 serial);
// "&8消费累计": adds the amount due to the member's accumulated consumption, once per visit. False when it
// had been added before.
bool accumulate(Database &db, qint64 serial);

} // namespace checkout
} // namespace ktv
