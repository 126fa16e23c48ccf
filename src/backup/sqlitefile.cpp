#include "sqlitefile.h"

#include "store/integritycheck.h"
#include "store/storeerror.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

#include <atomic>

namespace ktv {

namespace {

QString nextName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("ktv-file-%1").arg(++counter);
}

} // namespace

SqliteFile::SqliteFile(const QString &path) : m_path(path), m_name(nextName())
{
    const QString shown = QDir::toNativeSeparators(path);
    if (!QFileInfo(path).isFile())
        throw StoreError(QStringLiteral("找不到数据库文件：%1").arg(shown));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    // mode=rw: a file that is not there is an error, never a new empty database.
    db.setDatabaseName(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded) +
                       QStringLiteral("?mode=rw"));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open()) {
        const QString why = db.lastError().text();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
        throw StoreError(QStringLiteral("无法打开数据库文件 %1：%2").arg(shown, why));
    }
}

SqliteFile::~SqliteFile()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

QSqlDatabase SqliteFile::connection() const
{
    return QSqlDatabase::database(m_name, false);
}

QStringList SqliteFile::rows(const QString &sql, const QVariantList &binds)
{
    QSqlQuery query(connection());
    query.setForwardOnly(true);
    bool done = query.prepare(sql);
    for (const QVariant &value : binds)
        query.addBindValue(value);
    done = done && query.exec();
    if (!done) {
        const QSqlError error = query.lastError();
        m_lastErrorCode = error.nativeErrorCode().toInt() & 0xff; // extended codes carry the primary one low
        throw StoreError(QStringLiteral("数据库文件 %1 操作失败：%2")
                             .arg(QDir::toNativeSeparators(m_path),
                                  error.databaseText().isEmpty() ? error.text() : error.databaseText()));
    }
    QStringList values;
    while (query.next())
        values << query.value(0).toString();
    return values;
}

QStringList integrityProblems(const QString &path)
{
    SqliteFile file(path);
    const QStringList answer = file.rows(QStringLiteral("PRAGMA integrity_check(%1)").arg(kProblemsCounted));
    return answer == QStringList{QStringLiteral("ok")} ? QStringList() : answer;
}

} // namespace ktv
