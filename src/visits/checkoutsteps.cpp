#include "checkoutsteps.h"

#include "store/database.h"
#include "store/journal.h"
#include "store/openvisits.h"
#include "store/reservations.h"
#include "store/storedrecord.h"
#include "store/tables.h"

namespace ktv::checkout {

namespace {

const QString kSerial = QStringLiteral("Openroom_Lishui");
const QString kVisitRoom = QStringLiteral("Openroom_room_id");
const QString kVisitMember = QStringLiteral("Openroom_Customers_id");
const QString kBegin = QStringLiteral("Openroom_begintime");
const QString kEnd = QStringLiteral("Openroom_endtime");
const QString kUsed = QStringLiteral("Openroom_usedminute");
const QString kDiscount = QStringLiteral("Openroom_youhuminute");
const QString kRoomRate = QStringLiteral("Openroom_room_zhelu");
const QString kCustomerRate = QStringLiteral("Openroom_customer_zhelu");
const QString kCharge = QStringLiteral("Openroom_jbxf");
const QString kDrinks = QStringLiteral("Openroom_jiushui");
const QString kDue = QStringLiteral("Openroom_yingfu");
const QString kPaid = QStringLiteral("Openroom_shifu");
const QString kChange = QStringLiteral("Openroom_zhaoling");
const QString kMark = QStringLiteral("Openroom_beizhu");
const QString kAccumulated = QStringLiteral("Openroom_leijifou");
const QString kMemberId = QStringLiteral("Customers_id");
const QString kMemberRate = QStringLiteral("Customers_zkl");
const QString kLastVisit = QStringLiteral("Customers_zjxfsj");

StoredRecord visitOf(Database &db, qint64 serial)
{
    std::optional<StoredRecord> visit = StoredRecord::find(db, tables::openroom(), kSerial, serial);
    if (!visit)
        throw Refused(QStringLiteral("开房流水号为 %1 的开房记录已不存在，请重新选择").arg(serial));
    return *visit;
}

std::optional<StoredRecord> memberOf(Database &db, const StoredRecord &visit)
{
    if (visit.isNull(kVisitMember))
        return std::nullopt;
    return StoredRecord::find(db, tables::customers(), kMemberId, visit.value(kVisitMember));
}

StoredRecord requireMember(Database &db, const StoredRecord &visit, const QString &what)
{
    std::optional<StoredRecord> member = memberOf(db, visit);
    if (!member)
        throw Refused(QStringLiteral("找不到会员“%1”的资料，不能%2！").arg(visit.text(kVisitMember), what));
    return *member;
}

// The visit rate rule, kept whoever writes a visit: a rate below 0.0001 means no discount.
void writeVisit(Database &db, StoredRecord &visit)
{
    for (const QString &rate : {kRoomRate, kCustomerRate}) {
        if (visit.number(rate) < 0.0001)
            visit.set(rate, 1.0);
    }
    visit.write(db);
}

// The member rate rule, likewise.
void writeMember(Database &db, StoredRecord &member)
{
    if (member.number(kMemberRate) < 0.0001)
        member.set(kMemberRate, 1.0);
    member.write(db);
}

} // namespace

CheckOutResult checkOut(Database &db, qint64 serial, const QDateTime &now)
{
    Transaction tx(db);
    StoredRecord visit = visitOf(db, serial);
    CheckOutResult result;
    result.room = visit.text(kVisitRoom);
    if (visit.dateTime(kBegin) > visit.dateTime(kEnd)) {
        visit.set(kEnd, now);
        if (visit.isNull(kCustomerRate)) {
            const std::optional<StoredRecord> member = memberOf(db, visit);
            visit.set(kCustomerRate, member ? member->number(kMemberRate) : 0.0);
        }
        writeVisit(db, visit);
        result.checkedOut = true;
        journal::record(db, {QStringLiteral("退房"), serial, result.room}, now);
    }
    if (!result.room.isEmpty()) {
        // A room is held by every visit not checked out, paid or not: only the last one frees it.
        if (openvisits::notCheckedOut(db, result.room, serial)) {
            result.released = false;
        } else {
            if (std::optional<StoredRecord> room =
                    StoredRecord::find(db, tables::room(), QStringLiteral("Room_id"), result.room, true);
                room && tables::isYes(room->text(QStringLiteral("Room_used")))) {
                room->set(QStringLiteral("Room_used"), tables::no);
                room->write(db);
            }
            // Every client PC of the room, so that none stays activated after the guests left.
            for (StoredRecord &client :
                 StoredRecord::findAll(db, tables::clients(), QStringLiteral("Clients_room_id"), result.room, true)) {
                if (tables::isYes(client.text(QStringLiteral("Clients_used")))) {
                    client.set(QStringLiteral("Clients_used"), tables::no);
                    client.write(db);
                }
            }
        }
    }
    tx.commit();
    return result;
}

void computeUsedTime(Database &db, qint64 serial)
{
    Transaction tx(db);
    StoredRecord visit = visitOf(db, serial);
    if (visit.isNull(kBegin))
        throw Refused(QStringLiteral("开房开始时间为空，不能计算用时！"));
    if (visit.isNull(kEnd))
        throw Refused(QStringLiteral("退房时间为空，不能计算用时！"));
    visit.set(kUsed, charge::usedMinutes(visit.dateTime(kBegin), visit.dateTime(kEnd)));
    if (visit.isNull(kDiscount))
        visit.set(kDiscount, 0);
    if (visit.isNull(kRoomRate))
        visit.set(kRoomRate, 1.0);
    if (std::optional<StoredRecord> member = memberOf(db, visit)) {
        if (member->number(kMemberRate) < 0.0001)
            writeMember(db, *member);
        visit.set(kCustomerRate, member->value(kMemberRate));
    }
    writeVisit(db, visit);
    tx.commit();
}

void computeRoomCharge(Database &db, qint64 serial)
{
    Transaction tx(db);
    StoredRecord visit = visitOf(db, serial);
    const std::optional<StoredRecord> room =
        StoredRecord::find(db, tables::room(), QStringLiteral("Room_id"), visit.value(kVisitRoom), true);
    if (visit.isNull(kVisitRoom) || !room)
        throw Refused(QStringLiteral("房间列表中没有房间“%1”，不能计算基本消费！").arg(visit.text(kVisitRoom)));
    visit.set(kCharge, charge::roomCharge(int(visit.integer(kUsed)), int(visit.integer(kDiscount)),
                                          room->number(QStringLiteral("Room_sfbiaozhun")), visit.number(kCustomerRate),
                                          visit.number(kRoomRate)));
    writeVisit(db, visit);
    tx.commit();
}

void computeDrinks(Database &db, qint64 serial)
{
    Transaction tx(db);
    StoredRecord visit = visitOf(db, serial);
    const std::optional<StoredRecord> member = memberOf(db, visit);
    const QString note = charge::paidNote(member ? member->text(kMemberId) : QString());
    charge::DrinksTotal total;
    for (StoredRecord &line :
         StoredRecord::findAll(db, tables::callpear(), QStringLiteral("Openroom_lishu"), serial)) {
        const int quantity = int(line.integer(QStringLiteral("Pear_shuliang")));
        total.add(quantity, line.number(QStringLiteral("Pear_price")));
        if (quantity <= 0) {
            line.remove(db);
        } else if (line.isNull(QStringLiteral("Callpear_bz"))) {
            line.set(QStringLiteral("Callpear_bz"), note);
            line.write(db);
        }
    }
    visit.set(kDrinks, total.value());
    writeVisit(db, visit);
    tx.commit();
}

namespace {

struct PaymentPlan
{
    charge::Payment payment;
    charge::Settlement settlement;
    charge::PaymentEntry entry;
};

PaymentPlan planPayment(StoredRecord &visit)
{
    for (const QString &rate : {kRoomRate, kCustomerRate}) {
        if (visit.number(rate) < 0)
            visit.set(rate, 1.0);
    }
    const auto optional = [&visit](const QString &field) {
        return visit.isNull(field) ? std::nullopt : std::optional<double>(visit.number(field));
    };
    PaymentPlan plan;
    plan.payment.roomCharge = visit.number(kCharge);
    plan.payment.drinks = visit.number(kDrinks);
    plan.payment.amountDue = optional(kDue);
    plan.payment.paid = optional(kPaid);
    plan.payment.change = optional(kChange);
    plan.payment.mark = visit.text(kMark);
    plan.settlement = charge::settle(plan.payment);
    // Who took how much, and what was waived or left owing.
    plan.entry = charge::paymentEntry(plan.payment.roomCharge + plan.payment.drinks, plan.settlement.amountDue,
                                      plan.payment.paid.value_or(0), plan.settlement.change);
    return plan;
}

bool needsManager(const PaymentPlan &plan) { return plan.entry.action != QStringLiteral("收费"); }

// The deposit of the reservation the party checked in on counts as paid once, at the visit's first payment
// after it: added to what the cashier typed, and journalled so that a second payment does not add it again.
// Returns the amount added; 0 when there is none to add.
double countDeposit(Database &db, StoredRecord &visit)
{
    const qint64 serial = visit.integer(kSerial);
    const double deposit = reservations::depositOf(db, serial);
    if (charge::compareMoney(deposit, 0) <= 0 || reservations::depositCounted(db, serial, visit.dateTime(kBegin)))
        return 0;
    visit.set(kPaid, visit.number(kPaid) + deposit);
    return deposit;
}

} // namespace

QString paymentNeedingManager(Database &db, qint64 serial)
{
    StoredRecord visit = visitOf(db, serial);
    countDeposit(db, visit);
    const PaymentPlan plan = planPayment(visit);
    return needsManager(plan) ? plan.entry.action : QString();
}

charge::Settlement takePayment(Database &db, qint64 serial, const QDateTime &now, bool managerAllowed,
                               const QString &authorisedBy)
{
    Transaction tx(db);
    StoredRecord visit = visitOf(db, serial);
    const double deposit = countDeposit(db, visit);
    const PaymentPlan plan = planPayment(visit);
    // The bill as stored now decides: it may have changed since the manager was asked.
    if (needsManager(plan) && !managerAllowed)
        throw Refused(QStringLiteral("这次收费（%1）需要经理授权，请再按一次“收费”").arg(plan.entry.action));
    const charge::Settlement &s = plan.settlement;
    visit.set(kDue, s.amountDue);
    visit.set(kChange, s.change ? QVariant(*s.change) : QVariant());
    visit.set(kMark, s.mark);
    writeVisit(db, visit);
    journal::Entry entry{plan.entry.action, serial, visit.text(kVisitRoom), plan.entry.amount, plan.entry.before,
                         plan.entry.after};
    entry.authorised = authorisedBy;
    journal::record(db, entry, now);
    if (deposit > 0)
        journal::record(db, {reservations::depositAction, serial, visit.text(kVisitRoom), deposit}, now);
    tx.commit();
    return s;
}

void stampLastVisit(Database &db, qint64 serial)
{
    Transaction tx(db);
    const StoredRecord visit = visitOf(db, serial);
    StoredRecord member = requireMember(db, visit, QStringLiteral("更新最近消费时间"));
    member.set(kLastVisit, visit.value(kEnd));
    writeMember(db, member);
    tx.commit();
}

bool accumulate(Database &db, qint64 serial)
{
    Transaction tx(db);
    StoredRecord visit = visitOf(db, serial);
    if (tables::isYes(visit.text(kAccumulated)))
        return false;
    if (visit.isNull(kDue))
        throw Refused(QStringLiteral("这次消费还没有收费，请先收费再累计消费！"));
    StoredRecord member = requireMember(db, visit, QStringLiteral("累计消费"));
    member.set(kLastVisit, visit.value(kEnd));
    member.set(QStringLiteral("Customers_ljxf"), member.number(QStringLiteral("Customers_ljxf")) + visit.number(kDue));
    writeMember(db, member);
    visit.set(kAccumulated, tables::yes);
    writeVisit(db, visit);
    tx.commit();
    return true;
}

} // namespace ktv::checkout
