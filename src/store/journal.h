#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

namespace ktv {

class Database;

// The journal of who did what: one row per step that matters for money, written in the same transaction
// as the step, so that both are stored or neither. Rows are never changed or deleted.
namespace journal {

struct Entry
{
    QString action{}; // "开房", "退房", "收费", "抹零", "欠帐", ...
    qint64 visit = 0; // 0: none
    QString room{};
    std::optional<double> amount{};
    std::optional<double> before{};
    std::optional<double> after{};
    QString reason{};
    QString authorised{}; // who authorised it, when not the one logged in
};

// Set to true on a cursor while it saves values the program filled in itself (a room's default price), not
// values typed: such a price change asks nobody's authorisation, and its journal row says so.
inline constexpr char programFillProperty[] = "ktvProgramFill";

// The actions of a payment ("&5收费"): its row's amount is the cash it kept.
inline const QStringList paymentActions{QStringLiteral("收费"), QStringLiteral("抹零"), QStringLiteral("欠帐")};

// The sum of the amounts of the visit's rows of these actions written since (the visit's begin), read
// through the journal's time index (the whole journal when since is not valid); 0 when there are none.
double visitTotal(Database &db, qint64 visit, const QDateTime &since, const QStringList &actions);

// Writes the row at now, naming this station and the staff logged in. Needs the caller's transaction.
void record(Database &db, const Entry &entry, const QDateTime &now);

} // namespace journal
} // namespace ktv
