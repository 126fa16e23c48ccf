#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>
#include <utility>

// The billing rules of check-out: used minutes, room charge, rates, drinks total and payment.
namespace ktv::charge {

// Minutes between two moments, either way round; whole days count only below three.
int usedMinutes(const QDateTime &begin, const QDateTime &end);

// Billed minutes times the hourly price, divided by 60, times the two rates, in that order; unrounded.
double roomCharge(int usedMinutes, int discountMinutes, double hourlyPrice, double customerRate, double roomRate);

// Money is compared to 1/10 000, the unit of the drinks total: sums of decimals are never exact in a
// double, and a difference below that unit is no difference. Returns -1, 0 or 1.
int compareMoney(double a, double b);

// A rate below 0.0001 (missing, zero or negative) means no discount.
double rateOrOne(double rate);

// The drinks total, summed in units of 1/10 000 with each new total rounded half to even.
class DrinksTotal
{
public:
    void add(int quantity, double unitPrice);
    double value() const { return double(m_units) / 10000.0; }

private:
    qint64 m_units = 0;
};

// What a guest would pay on leaving now: what the check-out steps would store at this moment, that is the
// room charge over the visit's stays (used minutes from the begin time to now less the discount minutes
// stored on the visit, the rates through the visit rate rule) plus the drinks total.
struct RunningCharge
{
    int minutes = 0;
    double amount = 0;
};
struct Stay;
RunningCharge runningCharge(const QList<Stay> &stays, const QDateTime &begin, const QDateTime &now, int discountMinutes,
                            double memberRate, double roomRate, const QList<std::pair<int, double>> &lines);
// "2:05  ¥137.50": the time used and the amount, as the board shows them.
QString runningText(const RunningCharge &charge);

QString paidNote(const QString &memberId); // "已买单:" and the member number

struct Payment
{
    double roomCharge = 0;            // Openroom_jbxf, missing read as 0
    double drinks = 0;                // Openroom_jiushui, missing read as 0
    std::optional<double> amountDue;  // Openroom_yingfu
    std::optional<double> paid;       // Openroom_shifu
    std::optional<double> change;     // Openroom_zhaoling
    QString mark;                     // Openroom_beizhu
};

struct Settlement
{
    double amountDue = 0;
    std::optional<double> change;
    QString mark;
    bool askForPayment = false; // nothing paid yet: the paid box wants the focus
};

// Amount due, change and settlement mark of a payment.
Settlement settle(const Payment &payment);

// The journal row of one payment ("&5收费"): "欠帐" when paid short, else "抹零" when the amount due is
// below the total, else "收费"; its amount is the cash kept (paid less change, or what was paid when
// short), before is the total and after the amount due.
struct PaymentEntry
{
    QString action;
    double amount = 0;
    double before = 0;
    double after = 0;
};
PaymentEntry paymentEntry(double total, double amountDue, double paid, std::optional<double> change);

// The status bar's change panel: change given, amount owed, or settled.
QString changePanelText(std::optional<double> change);

} // namespace ktv::charge
