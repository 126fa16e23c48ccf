#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

namespace ktv {

class Database;

namespace staff {

// The three roles, from the least allowed: a cashier, a manager, an administrator.
const QStringList &roles();

struct Member
{
    QString id;
    QString name;
    QString role;
    bool active = false;
    QString passwordHash;
};

// "员工：NAME（ROLE）", as the status bar names who is logged in.
QString loggedInText(const Member &member);

// Whether anyone may log in: while nobody is set up, the program starts without a log-in.
bool anyActive(Database &db);
std::optional<Member> find(Database &db, const QString &id);

// Adds a member of staff, active, with the password's hash, and journals it, in one transaction. Refuses an
// unknown role, a number already taken, or an empty password, with the cashier's message.
void add(Database &db, const QString &id, const QString &name, const QString &role, const QString &password,
         const QDateTime &now);

// Refuses, inside the transaction of a change to the staff, what would lock the venue out of its staff
// screen: no active administrator left once the change is stored, while the change took away the last one
// (wasActiveAdministrator) or others may still log in.
void requireAnAdministrator(Database &db, const QString &changed, bool wasActiveAdministrator);

// Whether a member's role allows what needs the given one (a manager may what a cashier may, and so on).
bool hasRole(const QString &role, const QString &needed);

// Checks that the number and password are of an active member of staff with the role needed; returns the
// number. Refusals count towards the lock, as at log-in. Writes nothing: the step journals who authorised it.
QString authorise(Database &db, const QString &id, const QString &password, const QString &role,
                  const QDateTime &now);

class LoginGuard;

// The lock on wrong passwords, kept for the whole run of this station.
LoginGuard &loginGuard();

// Checks a log-in: a locked number, an unknown one, an inactive one and a wrong password are refused alike,
// with the cashier's message. Writes nothing.
Member checkLogIn(Database &db, const QString &id, const QString &password, const QDateTime &now);

// Opens the shift of a member whose log-in passed, with the cash float, and journals the log-in, in one
// transaction. The station's journal names them from then on.
void startShift(Database &db, const Member &member, double cashFloat, const QDateTime &now);

} // namespace staff
} // namespace ktv
