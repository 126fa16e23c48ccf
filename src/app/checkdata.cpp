#include "checkdata.h"

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
    const FileCheck check = checkDatabaseFile(file, CheckDepth::Indexes);
    switch (check.outcome) {
    case FileCheck::Outcome::Ok:
        out << "ok" << Qt::endl;
        return 0;
    case FileCheck::Outcome::Damaged:
        out << QStringLiteral("数据库文件 %1 已损坏：").arg(QDir::toNativeSeparators(file)) << Qt::endl;
        break;
    case FileCheck::Outcome::Unreadable:
        out << QStringLiteral("无法检查数据库文件 %1：").arg(QDir::toNativeSeparators(file)) << Qt::endl;
        break;
    }
    for (const QString &problem : check.problems)
        out << problem << Qt::endl;
    return 1;
}

} // namespace ktv
