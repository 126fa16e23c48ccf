#pragma once

// The PostgreSQL server the store tests run on when CTest runs them a second time with
// KTV_TEST_ENGINE=postgresql: the one named by the standard PG* variables (as pg_virtualenv sets them), with a
// fresh database for each test.

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>

#include <atomic>

namespace testserver {

inline bool wanted() { return qEnvironmentVariable("KTV_TEST_ENGINE") == QLatin1String("postgresql"); }

inline bool required() { return qEnvironmentVariable("KTV_REQUIRE_POSTGRES") == QLatin1String("1"); }

// Why the tests cannot run on a server here, or an empty text.
inline QString missing()
{
    if (qEnvironmentVariableIsEmpty("PGHOST"))
        return QStringLiteral("no PostgreSQL server named: PGHOST is not set (run under tools/with-postgres.sh)");
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        return QStringLiteral("Qt's QPSQL driver is not installed (libqt6sql6-psql)");
    return {};
}

// Skips the test class with its reason when the server cannot be used, or fails it when CI needs the server.
#define KTV_REQUIRE_ENGINE()                                                                                       \
    do {                                                                                                           \
        if (testserver::wanted()) {                                                                                \
            const QString why = testserver::missing();                                                             \
            if (!why.isEmpty() && testserver::required())                                                          \
                QFAIL(qPrintable(QStringLiteral("KTV_REQUIRE_POSTGRES=1 but ") + why));                            \
            if (!why.isEmpty())                                                                                    \
                QSKIP(qPrintable(QStringLiteral("skipped on PostgreSQL: ") + why));                                                                            \
        }                                                                                                          \
    } while (false)

// A database of its own on the server for one test, dropped when the test ends.
class Database
{
public:
    Database()
    {
        static std::atomic<int> counter{0};
        m_name = QStringLiteral("ktv_test_%1_%2").arg(QCoreApplication::applicationPid()).arg(++counter);
        // Sorting Chinese by its reading, as a venue's database may well be made: the store must not depend
        // on the database's own order of text.
        admin(QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8' LOCALE_PROVIDER icu "
                             "ICU_LOCALE 'zh'")
                  .arg(m_name));
    }
    ~Database() { admin(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_name)); }
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    QString name() const { return m_name; }
    // The database's address as the program takes it; the password stays in PGPASSWORD.
    QString address() const
    {
        const QString user = qEnvironmentVariable("PGUSER");
        const QString port = qEnvironmentVariable("PGPORT");
        return QStringLiteral("postgresql://%1%2%3/%4")
            .arg(user.isEmpty() ? QString() : user + QLatin1Char('@'), qEnvironmentVariable("PGHOST"),
                 port.isEmpty() ? QString() : QLatin1Char(':') + port, m_name);
    }

private:
    // One connection to the server's own database, for making and dropping the tests' ones.
    static void admin(const QString &sql)
    {
        const QString connection = QStringLiteral("ktv-test-admin");
        QSqlDatabase db = QSqlDatabase::database(connection, false);
        if (!db.isValid()) {
            db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
            db.setHostName(qEnvironmentVariable("PGHOST"));
            if (!qEnvironmentVariableIsEmpty("PGPORT"))
                db.setPort(qEnvironmentVariableIntValue("PGPORT"));
            db.setUserName(qEnvironmentVariable("PGUSER"));
            db.setDatabaseName(qEnvironmentVariableIsEmpty("PGDATABASE") ? QStringLiteral("postgres")
                                                                         : qEnvironmentVariable("PGDATABASE"));
        }
        if (!db.isOpen() && !db.open())
            qFatal("cannot reach the PostgreSQL server: %s", qPrintable(db.lastError().text()));
        QSqlQuery query(db);
        if (!query.exec(sql))
            qFatal("%s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
    }

    QString m_name;
};

} // namespace testserver
