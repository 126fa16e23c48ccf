#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QThread;

namespace ktv {

// The full check of a venue database file: every page of every table and index read and checked, on a
// connection of its own, so that it may run on any thread.
struct FileCheck
{
    enum class Outcome { Ok, Damaged, Unreadable };
    Outcome outcome = Outcome::Ok;
    QStringList problems; // what the check found, one line each, or why the file could not be checked
};

enum class CheckDepth {
    Pages,  // every page and record (SQLite's quick_check)
    Indexes // also every index entry against its record (integrity_check): slower, for --check
};

FileCheck checkDatabaseFile(const QString &fileName, CheckDepth depth);

// How many lines a check reads at most: a badly damaged file can yield thousands.
constexpr int kProblemsCounted = 100;
// A check's lines as shown to people: the first ten, one a line, then how many more there are ("至少" when
// the check stopped at kProblemsCounted).
QString problemList(const QStringList &problems);

// What a start or a screen says when SQLite finds the file damaged (detail: SQLite's own words, or what
// looked wrong): the file, that it is damaged, and what to do, as ktv --check says it.
QString damagedFileMessage(const QString &fileName, const QString &detail);

// The check of the venue database that runs after the main window shows, on a thread and a connection of
// its own, so that it never holds up the cashier. Anything that shows its result (the error display at
// start, a backup window) reads state() and connects to finished().
class BackgroundCheck : public QObject
{
    Q_OBJECT
public:
    enum class State { Waiting, Running, Ok, Damaged, Unreadable };

    explicit BackgroundCheck(const QString &fileName, QObject *parent = nullptr);
    ~BackgroundCheck() override; // waits for a check still running

    void start(); // once; the result arrives through finished() on this object's thread
    State state() const { return m_state; }
    QString fileName() const { return m_fileName; }
    const FileCheck &result() const { return m_result; }
    // For the cashier: what is damaged and what to do; empty unless the check found damage or could not run.
    QString message() const;

signals:
    void finished();

private:
    QString m_fileName;
    State m_state = State::Waiting;
    FileCheck m_result;
    QThread *m_thread = nullptr;
};

} // namespace ktv
