#include "schemacheck.h"

#include "sqlitefile.h"

#include "reports/reportquery.h"
#include "store/database.h"
#include "store/openvisits.h"
#include "store/membertidy.h"
#include "store/storeerror.h"

#include <QDateTime>
#include <QDir>
#include <QHash>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>

namespace ktv {

namespace {

struct SchemaObject
{
    QString type;
    QString sql;
    QString form;           // the definition, normalised for comparing
    QString table;          // the table an index is on, lower case
    bool fromStart = false; // in a new database; otherwise made when first needed
};

// The same definition however it was spelled: quoting, spacing and case aside.
QString normalised(QString sql)
{
    static const QRegularExpression noise(QStringLiteral("[\\s\"`\\[\\]]+"));
    sql.replace(QStringLiteral(" IF NOT EXISTS "), QStringLiteral(" "), Qt::CaseInsensitive);
    return sql.remove(noise).toLower();
}

QHash<QString, SchemaObject> objectsOf(QSqlQuery query)
{
    QHash<QString, SchemaObject> objects;
    while (query.next()) {
        const QString sql = query.value(2).toString();
        objects.insert(query.value(1).toString().toLower(),
                       {query.value(0).toString(), sql, normalised(sql), query.value(3).toString().toLower()});
    }
    return objects;
}

const QString kSchemaQuery = QStringLiteral("SELECT type, name, sql, tbl_name FROM sqlite_schema WHERE name NOT LIKE 'sqlite!_%' "
                                            "ESCAPE '!'");

// The schema as the program makes it, read once from a new database made the program's own way.
QHash<QString, SchemaObject> programSchema()
{
    static const QHash<QString, SchemaObject> schema = [] {
        QTemporaryDir dir;
        if (!dir.isValid())
            throw StoreError(QStringLiteral("无法创建临时文件夹：%1").arg(dir.errorString()));
        std::unique_ptr<Database> db = Database::create(dir.path());
        QHash<QString, SchemaObject> objects = objectsOf(db->run(kSchemaQuery));
        for (SchemaObject &object : objects)
            object.fromStart = true;
        tidyMemberRecords(*db, QDateTime::currentDateTime());
        reports::ensureReportIndexes(*db);
        openvisits::ensureIndex(*db);
        const QHash<QString, SchemaObject> later = objectsOf(db->run(kSchemaQuery));
        for (auto it = later.begin(); it != later.end(); ++it) {
            if (!objects.contains(it.key()))
                objects.insert(it.key(), it.value());
        }
        return objects;
    }();
    return schema;
}

QString caption(const QString &type)
{
    if (type == QLatin1String("trigger"))
        return QStringLiteral("触发器");
    if (type == QLatin1String("view"))
        return QStringLiteral("视图");
    if (type == QLatin1String("table"))
        return QStringLiteral("表");
    return QStringLiteral("索引");
}

} // namespace

SchemaFindings compareSchema(const QString &fileName)
{
    const QHash<QString, SchemaObject> program = programSchema();
    QHash<QString, SchemaObject> found;
    {
        SqliteFile file(fileName);
        QSqlQuery query(file.connection());
        query.setForwardOnly(true);
        if (!query.exec(kSchemaQuery))
            throw StoreError(QStringLiteral("无法读取数据库文件 %1 的表结构").arg(QDir::toNativeSeparators(fileName)));
        found = objectsOf(std::move(query));
    }
    SchemaFindings findings;
    for (auto it = found.begin(); it != found.end(); ++it) {
        const auto ours = program.constFind(it.key());
        if (ours == program.constEnd() || ours->type != it->type)
            findings.foreign << QStringLiteral("%1 %2").arg(caption(it->type), it.key());
    }
    for (auto it = program.begin(); it != program.end(); ++it) {
        if (it->type != QLatin1String("index"))
            continue;
        const auto there = found.constFind(it.key());
        if (there != found.constEnd() && (there->type != it->type || there->form == it->form))
            continue; // the same, or something else under its name (named above)
        // A table that an earlier release did not have comes with its indexes when the next start upgrades.
        if (!found.contains(it->table))
            continue;
        findings.missingIndexes << it.key();
        if (it->fromStart)
            findings.missingFromStart << it.key();
    }
    findings.foreign.sort();
    findings.missingIndexes.sort();
    findings.missingFromStart.sort();
    return findings;
}

QString foreignObjectsMessage(const QString &fileName, const SchemaFindings &findings)
{
    if (findings.foreign.isEmpty())
        return {};
    return QStringLiteral("数据库文件 %1 含有本程序不会建立的内容：%2。文件可能被别的程序改动过，"
                          "其中的触发器或表可能改动数据")
        .arg(QDir::toNativeSeparators(fileName), findings.foreign.join(QStringLiteral("、")));
}

QStringList programIndexes()
{
    QStringList names;
    const QHash<QString, SchemaObject> program = programSchema();
    for (auto it = program.begin(); it != program.end(); ++it) {
        if (it->type == QLatin1String("index"))
            names << it.key();
    }
    names.sort();
    return names;
}

void makeIndexes(const QString &fileName, const QStringList &names)
{
    if (names.isEmpty())
        return;
    const QHash<QString, SchemaObject> program = programSchema();
    SqliteFile file(fileName);
    file.rows(QStringLiteral("BEGIN IMMEDIATE"));
    try {
        for (const QString &name : names) {
            file.rows(QStringLiteral("DROP INDEX IF EXISTS \"%1\"").arg(name));
            file.rows(program.value(name).sql);
        }
        file.rows(QStringLiteral("COMMIT"));
    } catch (const StoreError &) {
        file.rows(QStringLiteral("ROLLBACK"));
        throw;
    }
}

} // namespace ktv
