#include "enginecopy.h"

#include "onlinecopy.h"

#include "store/database.h"
#include "store/fielddef.h"
#include "store/storeerror.h"
#include "store/tables.h"

#include <QDir>
#include <QSqlQuery>
#include <QUrl>

#include <limits>

namespace ktv {

namespace {

constexpr int kBatch = 1000;

QString shownSource(const Database &db)
{
    return db.dialect().isServer() ? QUrl(db.location()).toDisplayString(QUrl::RemovePassword)
                                   : QDir::toNativeSeparators(Database::fileNameIn(db.folder()));
}

// The source is read from one moment however long the copy takes: other stations may go on writing.
class Snapshot
{
public:
    explicit Snapshot(Database &db) : m_db(db) { m_db.run(m_db.dialect().beginSnapshot()); }
    ~Snapshot()
    {
        try {
            m_db.run(QStringLiteral("ROLLBACK")); // it wrote nothing
        } catch (const StoreError &) {
        }
    }
    Snapshot(const Snapshot &) = delete;
    Snapshot &operator=(const Snapshot &) = delete;

private:
    Database &m_db;
};

struct Count
{
    qint64 rows = 0;
    double money = 0;
};

Count countOf(Database &db, const TableDef &table)
{
    QStringList terms{QStringLiteral("count(*)")};
    for (const FieldDef &field : table.fields) {
        if (field.kind == FieldKind::Money)
            terms << QStringLiteral("sum(%1)").arg(field.name);
    }
    QSqlQuery query = db.run(QStringLiteral("SELECT %1 FROM %2").arg(terms.join(QStringLiteral(", ")), table.name));
    Count count;
    if (query.next()) {
        count.rows = query.value(0).toLongLong();
        for (int i = 1; i < terms.size(); ++i)
            count.money += query.value(i).toDouble();
    }
    return count;
}

qint64 issuedSerial(Database &db, const TableDef &table)
{
    QSqlQuery query = db.run(db.dialect().serialCounterQuery(table));
    return query.next() ? query.value(0).toLongLong() : 0;
}

QStringList fieldNames(const TableDef &table)
{
    QStringList names;
    for (const FieldDef &field : table.fields)
        names << field.name;
    return names;
}

// One table, in the source's own key order, a batch at a time; answers the highest serial number copied.
qint64 copyTable(Database &source, Database &target, const TableDef &table, qint64 &done, qint64 total,
                 const CopyProgress &progress)
{
    const QStringList fields = fieldNames(table);
    const QString key = source.dialect().rowKey(table);
    QSqlQuery read = source.prepare(QStringLiteral("SELECT %1, %2 FROM %3 WHERE %1 > ? ORDER BY %1 LIMIT %4")
                                        .arg(key, fields.join(QStringLiteral(", ")), table.name)
                                        .arg(kBatch));
    const QStringList marks(fields.size(), QStringLiteral("?"));
    QSqlQuery write =
        target.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                           .arg(table.name, fields.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))));
    const int serial = table.autoIncField().isEmpty() ? -1 : table.fieldIndex(table.autoIncField());
    qint64 highest = 0;
    qint64 from = std::numeric_limits<qint32>::min(); // below every key, and a value either engine binds
    for (;;) {
        read.bindValue(0, from);
        source.exec(read, QStringLiteral("读取 %1").arg(table.fileName));
        int inBatch = 0;
        while (read.next()) {
            ++inBatch;
            from = read.value(0).toLongLong();
            for (int i = 0; i < fields.size(); ++i)
                write.bindValue(i, read.value(i + 1));
            target.exec(write, QStringLiteral("写入 %1 中键值为 %2 的记录").arg(table.fileName).arg(from));
            if (serial >= 0)
                highest = std::max(highest, read.value(serial + 1).toLongLong());
        }
        read.finish();
        done += inBatch;
        if (progress && inBatch > 0)
            progress(done, total);
        if (inBatch < kBatch)
            break;
    }
    target.noteWrite(table.name);
    return highest;
}

} // namespace

QList<TableTally> copyVenue(Database &source, Database &target, const CopyProgress &progress, const CopyCheck &check)
{
    if (source.needsUpgrade())
        throw StoreError(QStringLiteral("数据库 %1 来自较早的版本：请先启动一次程序，让它升级数据库，再复制")
                             .arg(shownSource(source)));
    if (!target.inTransaction())
        throw StoreError(QStringLiteral("复制数据库必须在一个事务中进行"));
    const QList<const TableDef *> tables = tables::inVersion(Database::schemaVersion);
    QList<TableTally> tallies;
    Snapshot snapshot(source);
    qint64 total = 0;
    for (const TableDef *table : tables) {
        const Count count = countOf(source, *table);
        tallies.append({table->name, count.rows, 0, count.money, 0});
        total += count.rows;
    }
    qint64 done = 0;
    for (qsizetype i = 0; i < tables.size(); ++i) {
        const TableDef &table = *tables[i];
        const qint64 highest = copyTable(source, target, table, done, total, progress);
        if (!table.autoIncField().isEmpty()) {
            // Deleted rows' numbers are never given again, on either side.
            for (const QString &statement :
                 target.dialect().continueSerial(table, std::max(highest, issuedSerial(source, table))))
                target.run(statement).finish();
        }
        const Count copied = countOf(target, table);
        tallies[i].targetRows = copied.rows;
        tallies[i].targetMoney = copied.money;
        if (copied.rows != tallies[i].sourceRows)
            throw StoreError(
                QStringLiteral("复制后 %1 的记录数不一致：原有 %2 条，复制后 %3 条；没有保存任何复制的记录")
                    .arg(table.fileName)
                    .arg(tallies[i].sourceRows)
                    .arg(copied.rows));
    }
    if (check)
        check(tallies);
    return tallies;
}

void emptyVenue(Database &target)
{
    if (!target.inTransaction())
        throw StoreError(QStringLiteral("清空数据库必须在一个事务中进行"));
    for (const TableDef *table : tables::inVersion(Database::schemaVersion)) {
        target.run(QStringLiteral("DELETE FROM %1").arg(table->name)).finish();
        target.noteWrite(table->name);
    }
}

QList<TableTally> copyToFile(Database &source, const CopyTarget &target, const CopyProgress &progress,
                             const CopyCheck &check)
{
    QList<TableTally> tallies;
    writeCopy(
        target,
        [&](const QString &partPath) {
            Database::createFile(partPath, [&](Database &copy) { tallies = copyVenue(source, copy, progress, check); });
        },
        QStringLiteral("数据库 %1").arg(shownSource(source)));
    return tallies;
}

} // namespace ktv
