#include "integritycheck.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

#include <atomic>

namespace ktv {

namespace {

// The first lines are enough to tell what is damaged.
constexpr int kProblemsShown = 10;

QString checkConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("ktv-check-%1").arg(++counter);
}

FileCheck runCheck(QSqlDatabase &conn, const QString &fileName, CheckDepth depth)
{
    FileCheck check;
    conn.setDatabaseName(fileName);
    // Read-only: a check never changes the file, whatever it finds.
    conn.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"));
    if (!QFileInfo(fileName).isFile() || !conn.open()) {
        check.outcome = FileCheck::Outcome::Unreadable;
        check.problems << (QFileInfo(fileName).isFile() ? conn.lastError().text() : QStringLiteral("找不到数据库文件"));
        return check;
    }
    QSqlQuery query(conn);
    query.setForwardOnly(true);
    const QString pragma =
        depth == CheckDepth::Indexes ? QStringLiteral("integrity_check") : QStringLiteral("quick_check");
    if (!query.exec(QStringLiteral("PRAGMA %1(%2)").arg(pragma).arg(kProblemsCounted))) {
        check.outcome = FileCheck::Outcome::Unreadable;
        check.problems << (query.lastError().databaseText().isEmpty() ? query.lastError().text()
                                                                      : query.lastError().databaseText());
        return check;
    }
    while (query.next())
        check.problems << query.value(0).toString();
    if (check.problems == QStringList{QStringLiteral("ok")})
        check.problems.clear();
    else
        check.outcome = FileCheck::Outcome::Damaged;
    return check;
}

} // namespace

QString problemList(const QStringList &problems)
{
    QString text = problems.mid(0, kProblemsShown).join(QLatin1Char('\n'));
    const qsizetype rest = problems.size() - kProblemsShown;
    if (rest > 0) {
        text += problems.size() >= kProblemsCounted ? QStringLiteral("\n……另有至少 %1 处").arg(rest)
                                                    : QStringLiteral("\n……另有 %1 处").arg(rest);
    }
    return text;
}

QString damagedFileMessage(const QString &fileName, const QString &detail)
{
    return QStringLiteral("数据库文件 %1 已损坏（%2）。\n请退出程序，用 ktv --check 检查该文件，"
                          "再用最近一份完好的备份恢复（“备份与恢复”窗口或 ktv --restore）；"
                          "在此之前不要删除或复制覆盖数据文件夹中的任何文件。")
        .arg(QDir::toNativeSeparators(fileName), detail);
}

FileCheck checkDatabaseFile(const QString &fileName, CheckDepth depth)
{
    const QString name = checkConnectionName();
    FileCheck check;
    {
        QSqlDatabase conn = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        check = runCheck(conn, fileName, depth);
        conn.close();
    }
    QSqlDatabase::removeDatabase(name);
    return check;
}

BackgroundCheck::BackgroundCheck(const QString &fileName, QObject *parent) : QObject(parent), m_fileName(fileName) {}

BackgroundCheck::~BackgroundCheck()
{
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
    }
}

void BackgroundCheck::start()
{
    if (m_state != State::Waiting)
        return;
    m_state = State::Running;
    const QString fileName = m_fileName;
    m_thread = QThread::create([this, fileName] {
        FileCheck check = checkDatabaseFile(fileName, CheckDepth::Pages);
        // Handed to this object's thread; a result still queued when the object goes is dropped with it.
        QMetaObject::invokeMethod(
            this,
            [this, check] {
                m_result = check;
                m_state = check.outcome == FileCheck::Outcome::Ok        ? State::Ok
                          : check.outcome == FileCheck::Outcome::Damaged ? State::Damaged
                                                                         : State::Unreadable;
                emit finished();
            },
            Qt::QueuedConnection);
    });
    m_thread->start(QThread::LowPriority);
}

QString BackgroundCheck::message() const
{
    const QString file = QDir::toNativeSeparators(m_fileName);
    const QString found = problemList(m_result.problems);
    switch (m_state) {
    case State::Damaged:
        return QStringLiteral("数据库文件 %1 已损坏：\n%2\n\n请结束手头的操作后退出程序，用最近的备份恢复数据库，"
                              "或请维护人员处理；在此之前不要删除或复制覆盖数据文件夹中的任何文件。")
            .arg(file, found);
    case State::Unreadable:
        return QStringLiteral("无法检查数据库文件 %1：%2\n\n请退出程序后用 ktv --check 再检查一次；"
                              "仍然无法检查时，请维护人员处理。")
            .arg(file, found);
    default:
        return {};
    }
}

} // namespace ktv
