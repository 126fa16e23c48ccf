#pragma once

#include <QSqlDatabase>
#include <QStringList>

namespace ktv {

// A connection of its own to one existing SQLite file, closed with the object. It never creates the file.
// Like every Qt SQL connection it is used only in the thread that made it.
class SqliteFile
{
public:
    explicit SqliteFile(const QString &path); // throws StoreError naming the file
    ~SqliteFile();
    SqliteFile(const SqliteFile &) = delete;
    SqliteFile &operator=(const SqliteFile &) = delete;

    QSqlDatabase connection() const;
    // Runs a statement with its bound values; returns the first column of every row. Throws StoreError.
    QStringList rows(const QString &sql, const QVariantList &binds = {});
    // SQLite's primary result code of the last statement that failed (13: disk full, 11: damaged file), or 0.
    int lastErrorCode() const { return m_lastErrorCode; }

private:
    QString m_path;
    QString m_name;
    int m_lastErrorCode = 0;
};

// What PRAGMA integrity_check finds wrong in the file, at most the first 100 lines; empty when it answers
// "ok". Throws StoreError when the file cannot be read at all.
QStringList integrityProblems(const QString &path);

} // namespace ktv
