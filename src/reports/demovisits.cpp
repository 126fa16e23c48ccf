#include "demovisits.h"

#include "businessday.h"

#include "store/clock.h"
#include "store/cursor.h"
#include "store/database.h"
#include "store/tables.h"
#include "visits/charge.h"

#include <QSqlQuery>

#include <cmath>
#include <random>

namespace ktv {

namespace {

const QString kMember = QStringLiteral("000");
constexpr int kDays = 7;

struct PricedItem
{
    QString id;
    double price;
};

QList<PricedItem> priced(Database &db, const QString &sql)
{
    QSqlQuery query = db.run(sql);
    QList<PricedItem> items;
    while (query.next())
        items.append({query.value(0).toString(), query.value(1).toDouble()});
    return items;
}

class DemoWeek
{
public:
    DemoWeek(Database &db)
        : m_rooms(priced(db, QStringLiteral("SELECT Room_id, Room_sfbiaozhun FROM room ORDER BY Room_id"))),
          m_drinks(priced(db, QStringLiteral("SELECT Pear_bm, Pear_price FROM Pear ORDER BY Pear_bm"))),
          m_visit(db, tables::openroom()), m_line(db, tables::callpear())
    {
        m_visit.open();
        m_line.open();
    }

    void day(const QDate &businessDay)
    {
        for (const PricedItem &room : std::as_const(m_rooms)) {
            QDateTime at(businessDay, QTime(14, 0));
            at = at.addSecs(60 * pick(0, 120));
            const QDateTime closing(businessDay.addDays(1), QTime(2, 0));
            while (at < closing) {
                const int minutes = pick(60, 240);
                if (pick(0, 9) < 7)
                    visit(room, at, at.addSecs(60 * minutes));
                at = at.addSecs(60 * (minutes + pick(10, 90)));
            }
        }
    }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }

    void visit(const PricedItem &room, const QDateTime &begin, const QDateTime &end)
    {
        const int minutes = charge::usedMinutes(begin, end);
        charge::Payment payment;
        payment.roomCharge = charge::roomCharge(minutes, 0, room.price, 1.0, 1.0);

        m_visit.append();
        m_visit.setValue(QStringLiteral("Openroom_Customers_id"), kMember);
        m_visit.setValue(QStringLiteral("Openroom_room_id"), room.id);
        m_visit.setValue(QStringLiteral("Openroom_begintime"), begin);
        m_visit.setValue(QStringLiteral("Openroom_endtime"), end);
        m_visit.post();
        const qint64 serial = m_visit.integer(QStringLiteral("Openroom_Lishui"));

        charge::DrinksTotal drinks;
        for (int n = pick(0, 4); n > 0 && !m_drinks.isEmpty(); --n) {
            const PricedItem &drink = m_drinks[pick(0, int(m_drinks.size()) - 1)];
            const int quantity = drink.price > 50 ? 1 : pick(1, 6); // a bottle of wine, a round of beers
            drinks.add(quantity, drink.price);
            m_line.append();
            m_line.setValue(QStringLiteral("Openroom_lishu"), serial);
            m_line.setValue(QStringLiteral("Pear_id"), drink.id);
            m_line.setValue(QStringLiteral("Pear_price"), drink.price);
            m_line.setValue(QStringLiteral("Pear_shuliang"), quantity);
            m_line.setValue(QStringLiteral("Pear_calltime"), begin.addSecs(60 * pick(5, 50)));
            m_line.setValue(QStringLiteral("Callpear_bz"), charge::paidNote(kMember));
            m_line.post();
        }
        payment.drinks = drinks.value();

        // Most guests pay in round notes; now and then the cashier lets the odd yuan go, or a guest pays short.
        const double total = payment.roomCharge + payment.drinks;
        const int kind = pick(0, 19);
        if (kind == 0)
            payment.amountDue = std::floor(total / 10.0) * 10.0;
        const double due = payment.amountDue.value_or(total);
        payment.paid = kind == 1 ? std::floor(due / 10.0) * 10.0 - 10.0 : std::ceil(due / 50.0) * 50.0;
        const charge::Settlement settled = charge::settle(payment);

        m_visit.edit();
        m_visit.setValue(QStringLiteral("Openroom_usedminute"), minutes);
        m_visit.setValue(QStringLiteral("Openroom_room_zhelu"), 1.0);
        m_visit.setValue(QStringLiteral("Openroom_customer_zhelu"), 1.0);
        m_visit.setValue(QStringLiteral("Openroom_jbxf"), payment.roomCharge);
        m_visit.setValue(QStringLiteral("Openroom_jiushui"), payment.drinks);
        m_visit.setValue(QStringLiteral("Openroom_yingfu"), settled.amountDue);
        m_visit.setValue(QStringLiteral("Openroom_shifu"), *payment.paid);
        m_visit.setValue(QStringLiteral("Openroom_zhaoling"), settled.change.value_or(0));
        m_visit.setValue(QStringLiteral("Openroom_beizhu"), settled.mark);
        m_visit.post();
    }

    QList<PricedItem> m_rooms;
    QList<PricedItem> m_drinks;
    Cursor m_visit;
    Cursor m_line;
    std::mt19937 m_random{20061208u}; // the same week every time
};

} // namespace

void addDemoVisits(Database &db, const Clock &clock)
{
    Transaction tx(db);
    DemoWeek week(db);
    const QDate today = reports::businessDay(clock.now());
    for (int back = kDays; back >= 1; --back)
        week.day(today.addDays(-back));
    tx.commit();
}

} // namespace ktv
