#include "checkdata.h"

#include "backup/schemacheck.h"

#include "store/database.h"
#include "store/integritycheck.h"
#include "store/storeerror.h"

#include <QDir>
#include <QTextStream>

namespace ktv {

int checkVenueData(const QString &folder, QTextStream &out)
{
    try {
        Database::verify(folder);
    } catch (const StoreError &e) {
        out << e.message() << Qt::endl;
        return 1;
    }
    const QString file = Database::fileNameIn(folder);
    // What a restore refuses or mends, said here too: foreign schema objects, and the indexes a new database
    // has that this one lacks (those made when first needed are not missed).
    SchemaFindings schema;
    try {
        schema = compareSchema(file);
    } catch (const StoreError &e) {
        out << e.message() << Qt::endl;
        return 1;
    }
    QStringList schemaProblems;
    if (!schema.foreign.isEmpty())
        schemaProblems << foreignObjectsMessage(file, schema);
    if (!schema.missingFromStart.isEmpty())
        schemaProblems
            << QStringLiteral(
                   "数据库文件 %1 缺少索引：%2（恢复备份时会重建：可先 ktv --backup，再用 ktv --restore 恢复这份备份）")
                   .arg(QDir::toNativeSeparators(file), schema.missingFromStart.join(QStringLiteral("、")));
    const FileCheck check = checkDatabaseFile(file, CheckDepth::Indexes);
    for (const QString &problem : std::as_const(schemaProblems))
        out << problem << Qt::endl;
    switch (check.outcome) {
    case FileCheck::Outcome::Ok:
        if (!schemaProblems.isEmpty())
            return 1;
        out << "ok" << Qt::endl;
        return 0;
    case FileCheck::Outcome::Damaged:
        out << QStringLiteral("数据库文件 %1 已损坏：").arg(QDir::toNativeSeparators(file)) << Qt::endl;
        break;
    case FileCheck::Outcome::Unreadable:
        out << QStringLiteral("无法检查数据库文件 %1：").arg(QDir::toNativeSeparators(file)) << Qt::endl;
        break;
    }
    out << problemList(check.problems) << Qt::endl;
    return 1;
}

} // namespace ktv
