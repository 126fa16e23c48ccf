#include "staffstore.h"

#include "loginguard.h"
#include "password.h"

#include "store/database.h"
#include "store/journal.h"
#include "store/storedrecord.h"
#include "store/storeerror.h"
#include "store/tables.h"

#include <QSqlQuery>
#include <QSysInfo>

namespace ktv::staff {

const QStringList &roles()
{
    static const QStringList list{QStringLiteral("收银员"), QStringLiteral("经理"), QStringLiteral("管理员")};
    return list;
}

QString loggedInText(const Member &member)
{
    return QStringLiteral("员工：%1（%2）").arg(member.name, member.role);
}

bool anyActive(Database &db)
{
    QSqlQuery query = db.run(QStringLiteral("SELECT 1 FROM Staff WHERE Staff_active = ? LIMIT 1"), {tables::yes});
    return query.next();
}

void requireAnAdministrator(Database &db, const QString &changed, bool wasActiveAdministrator)
{
    QSqlQuery administrators =
        db.run(QStringLiteral("SELECT 1 FROM Staff WHERE Staff_active = ? AND Staff_role = ? LIMIT 1"),
               {tables::yes, roles().constLast()});
    if (administrators.next())
        return;
    administrators.finish();
    if (wasActiveAdministrator)
        throw Refused(QStringLiteral("%1 是最后一名在职的管理员，不能停用或改为其他岗位：否则没有人能再管理员工与权限")
                          .arg(changed));
    if (anyActive(db))
        throw Refused(QStringLiteral("还没有在职的管理员：请先添加一名管理员，以后才能管理员工与权限"));
}

std::optional<Member> find(Database &db, const QString &id)
{
    const std::optional<StoredRecord> record =
        StoredRecord::find(db, tables::staff(), QStringLiteral("Staff_id"), id);
    if (!record)
        return std::nullopt;
    return Member{record->text(QStringLiteral("Staff_id")), record->text(QStringLiteral("Staff_name")),
                  record->text(QStringLiteral("Staff_role")), tables::isYes(record->text(QStringLiteral("Staff_active"))),
                  record->text(QStringLiteral("Staff_password"))};
}

void add(Database &db, const QString &id, const QString &name, const QString &role, const QString &password,
         const QDateTime &now)
{
    if (id.trimmed().isEmpty())
        throw StoreError(QStringLiteral("员工编号不能为空"));
    if (!roles().contains(role))
        throw StoreError(QStringLiteral("岗位“%1”不对：只能是 %2").arg(role, roles().join(QStringLiteral("、"))));
    if (password.isEmpty())
        throw StoreError(QStringLiteral("密码不能为空"));
    Transaction tx(db);
    if (find(db, id))
        throw StoreError(QStringLiteral("员工编号 %1 已经有人使用").arg(id));
    StoredRecord::insert(db, tables::staff(),
                         {{QStringLiteral("Staff_id"), id},
                          {QStringLiteral("Staff_name"), name},
                          {QStringLiteral("Staff_role"), role},
                          {QStringLiteral("Staff_active"), tables::yes},
                          {QStringLiteral("Staff_password"), hashPassword(password)}});
    journal::Entry entry{QStringLiteral("员工")};
    entry.reason = QStringLiteral("添加 %1 %2（%3）").arg(id, name, role);
    journal::record(db, entry, now);
    tx.commit();
}

LoginGuard &loginGuard()
{
    static LoginGuard guard;
    return guard;
}

bool hasRole(const QString &role, const QString &needed)
{
    const qsizetype has = roles().indexOf(role);
    return has >= 0 && has >= roles().indexOf(needed);
}

namespace {

// The member whose number and password these are, active; refused alike whatever is wrong, so that the
// message tells nobody which numbers exist. Five refusals in a row lock the number for a minute.
Member checked(Database &db, const QString &id, const QString &password, const QDateTime &now)
{
    LoginGuard &guard = loginGuard();
    if (const qint64 ms = guard.lockedFor(id, now))
        throw Refused(QStringLiteral("员工编号 %1 的密码已连续输错 %2 次，请 %3 秒后再试")
                          .arg(id)
                          .arg(LoginGuard::kTries)
                          .arg((ms + 999) / 1000));
    const std::optional<Member> member = find(db, id);
    if (!member || !member->active || !checkPassword(password, member->passwordHash)) {
        guard.failed(id, now);
        throw Refused(QStringLiteral("员工编号或密码不对"));
    }
    guard.succeeded(id);
    return *member;
}

} // namespace

QString authorise(Database &db, const QString &id, const QString &password, const QString &role,
                  const QDateTime &now)
{
    const Member member = checked(db, id, password, now);
    if (!hasRole(member.role, role))
        throw Refused(QStringLiteral("%1 是%2，不能授权：需要%3").arg(member.name, member.role, role));
    return member.id;
}

Member checkLogIn(Database &db, const QString &id, const QString &password, const QDateTime &now)
{
    return checked(db, id, password, now);
}

void startShift(Database &db, const Member &member, double cashFloat, const QDateTime &now)
{
    Transaction tx(db);
    StoredRecord::insert(db, tables::shift(),
                         {{QStringLiteral("Shift_staff"), member.id},
                          {QStringLiteral("Shift_station"), QSysInfo::machineHostName()},
                          {QStringLiteral("Shift_opened"), now},
                          {QStringLiteral("Shift_float"), cashFloat}});
    db.setStaff(member.id);
    try {
        journal::Entry entry{QStringLiteral("登录")};
        entry.amount = cashFloat;
        journal::record(db, entry, now);
        tx.commit();
    } catch (...) {
        db.setStaff(QString());
        throw;
    }
}

} // namespace ktv::staff
