#include "shiftstore.h"

#include "shiftsums.h"

#include "store/database.h"
#include "store/fieldvalue.h"
#include "store/journal.h"
#include "store/storedrecord.h"
#include "store/storeerror.h"
#include "store/tables.h"
#include "widgets/numberforms.h"

#include <QSqlQuery>
#include <QSysInfo>

namespace ktv::staff {

std::optional<Shift> openShift(Database &db, const QString &staff)
{
    const QString station = QSysInfo::machineHostName();
    // Asked at every log-in: only the open one is read, not the staff member's history of shifts.
    QSqlQuery open = db.run(QStringLiteral("SELECT Shift_id FROM Shift WHERE Shift_staff = ? AND Shift_station = ? "
                                           "AND Shift_closed IS NULL ORDER BY Shift_id DESC LIMIT 1"),
                            {staff, station});
    if (!open.next())
        return std::nullopt;
    const qint64 id = open.value(0).toLongLong();
    open.finish();
    const std::optional<StoredRecord> found = StoredRecord::find(db, tables::shift(), QStringLiteral("Shift_id"), id);
    if (!found)
        return std::nullopt;
    Shift s;
    s.id = found->rowid();
    s.staff = staff;
    s.station = station;
    s.opened = found->dateTime(QStringLiteral("Shift_opened"));
    s.cashFloat = found->number(QStringLiteral("Shift_float"));
    QSqlQuery payments = db.run(QStringLiteral("SELECT Journal_amount FROM Journal WHERE Journal_time >= ? AND "
                                               "Journal_staff = ? AND Journal_station = ? AND Journal_action IN "
                                               "('收费', '抹零', '欠帐')"),
                                {fieldvalue::dateTimeStorageForm(s.opened), staff, station});
    while (payments.next())
        s.cashKept << payments.value(0).toDouble();
    s.expected = shiftCash(s.cashFloat, s.cashKept, 0).expected;
    return s;
}

void closeShift(Database &db, const Shift &shift, double counted, const QDateTime &now)
{
    const ShiftCash cash = shiftCash(shift.cashFloat, shift.cashKept, counted);
    Transaction tx(db);
    std::optional<StoredRecord> record = StoredRecord::find(db, tables::shift(), QStringLiteral("Shift_id"), shift.id);
    if (!record || !record->isNull(QStringLiteral("Shift_closed")))
        throw Refused(QStringLiteral("这个班次已经交过班了"));
    record->set(QStringLiteral("Shift_closed"), now);
    record->set(QStringLiteral("Shift_expected"), cash.expected);
    record->set(QStringLiteral("Shift_counted"), counted);
    record->set(QStringLiteral("Shift_difference"), cash.difference);
    record->write(db);
    journal::Entry entry{QStringLiteral("交班")};
    entry.amount = counted;
    entry.before = cash.expected;
    entry.after = counted;
    journal::record(db, entry, now);
    tx.commit();
    db.setStaff(QString());
}

QStringList slipLines(const Shift &shift, double counted, const QDateTime &now)
{
    const ShiftCash cash = shiftCash(shift.cashFloat, shift.cashKept, counted);
    const auto money = [](double v) { return numberform::twoDecimals(v); };
    return {QStringLiteral("交班单"),
            QStringLiteral("员工:") + shift.staff,
            QStringLiteral("收银台:") + shift.station,
            QStringLiteral("上班:") + shift.opened.toString(QStringLiteral("yyyy-MM-dd HH:mm")),
            QStringLiteral("交班:") + now.toString(QStringLiteral("yyyy-MM-dd HH:mm")),
            QStringLiteral("备用金:") + money(shift.cashFloat),
            QStringLiteral("收费笔数:") + QString::number(shift.cashKept.size()),
            QStringLiteral("应有现金:") + money(cash.expected),
            QStringLiteral("实点现金:") + money(counted),
            QStringLiteral("差额:") + money(cash.difference)};
}

} // namespace ktv::staff
