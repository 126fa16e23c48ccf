#pragma once

// Platform services for tests: dialogs answered from a queue, a settable clock, and recorders for
// beeps, web addresses and printed receipts.

#include "widgets/platform.h"
#include "widgets/printservice.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

#include <deque>
#include <functional>
#include <optional>

namespace ktv {

class ScriptedDialogs : public Dialogs
{
public:
    enum class Kind { Message, Confirm, Warn, ConfirmDelete, Error, AskText, SaveFile };

    struct Entry
    {
        Kind kind;
        QString text; // for AskText: title|prompt|preset; for SaveFile: title|suggested name
        Echo echo = Echo::Normal;
    };

    ScriptedDialogs() = default;
    ScriptedDialogs(const ScriptedDialogs &) = delete;
    ScriptedDialogs &operator=(const ScriptedDialogs &) = delete;

    // The answers to the coming questions, in order. Yes and No answer confirm, warn and confirmDelete
    // (No stands for Cancel there); a text or Cancel answers askText and askSaveFileName.
    void answerYes();
    void answerNo();
    void answerText(const QString &text);
    void answerCancel();
    int pendingAnswers() const { return int(m_answers.size()); }

    // Called with each entry as it is recorded, while the caller is still waiting for the answer: a test
    // can look at the state the question was asked in.
    void onEntry(std::function<void(const Entry &)> observer) { m_observer = std::move(observer); }

    const QList<Entry> &all() const { return m_entries; }
    QStringList messages() const; // texts of the information boxes
    QStringList errors() const;   // texts of the error boxes
    QStringList texts(Kind kind) const;
    QString lastMessage() const; // empty when no information box was shown
    // Questions asked with no answer queued for them, or with an answer of the wrong sort; each was
    // answered No or Cancel.
    const QStringList &unexpected() const { return m_unexpected; }
    void clear(); // forgets entries, unexpected questions and queued answers

    void showMessage(const QString &text) override;
    bool confirm(const QString &text) override;
    bool warn(const QString &text) override;
    bool confirmDelete(const QString &text) override;
    void showError(const QString &text) override;
    QString askText(const QString &title, const QString &prompt, const QString &preset,
                    Echo echo = Echo::Normal) override;
    QString askSaveFileName(const QString &title, const QString &suggested, const QString &filter) override;

private:
    enum class AnswerKind { Yes, No, Text, Cancel };
    struct Answer
    {
        AnswerKind kind;
        QString text;
    };

    void record(Kind kind, const QString &text, Echo echo = Echo::Normal);
    bool answerQuestion(Kind kind, const QString &text);
    QString answerWithText(const QString &text, const QString &cancelled);

    QList<Entry> m_entries;
    QStringList m_unexpected;
    std::deque<Answer> m_answers;
    std::function<void(const Entry &)> m_observer;
};

class ScriptedBeeper : public Beeper
{
public:
    void beep() override { ++m_count; }
    int count() const { return m_count; }
    void reset() { m_count = 0; }

private:
    int m_count = 0;
};

// A clock that stands still until a test moves it.
class ScriptedClock : public Clock
{
public:
    static QDateTime defaultMoment(); // 2026-12-08 20:00:00.000, local time

    ScriptedClock() : m_now(defaultMoment()) {}
    QDateTime now() const override { return m_now; }
    void set(const QDateTime &moment) { m_now = moment; }
    void advance(qint64 ms) { m_now = m_now.addMSecs(ms); }

private:
    QDateTime m_now;
};

class RecordingWebOpener : public WebOpener
{
public:
    void open(const QUrl &address) override { m_urls.append(address); }
    const QList<QUrl> &urls() const { return m_urls; }

private:
    QList<QUrl> m_urls;
};

// A receipt printer that records each document and every text drawn on it, with the font and brush it was
// drawn with. It can be told to fail at a step, as a missing printer or a failing print service would.
class RecordingPrinter : public ReceiptPrinter
{
public:
    enum class Step { Begin, Font, Draw, End };

    struct Text
    {
        int x;
        int y;
        QString text;
        QString font;
        int pointSize;
        bool clearBrush;
        int page = 0; // counted from 0
    };

    struct Document
    {
        QList<Text> texts;
        bool ended = false;
        bool aborted = false;
        QString pdfFile; // empty for the printer
        int pages = 1;
        QStringList lines() const; // the texts alone, in drawing order
    };

    // The next time the step is reached it throws StoreError with the message (once).
    void failAt(Step step, const QString &message);
    void setLineHeight(int height) { m_lineHeight = height; }
    void setPageArea(QSize area) { m_pageArea = area; }
    const QList<Document> &documents() const { return m_documents; }

    void beginDocument() override;
    void setClearBrush() override;
    void setFont(const QString &name, int pointSize) override;
    int lineHeight() override;
    void drawText(int x, int y, const QString &text) override;
    void endDocument() override;
    void abortDocument() override;
    void beginPdfDocument(const QString &file) override;
    QSize pageArea() override;
    void newPage() override;

private:
    void reach(Step step);
    Document &open();

    QList<Document> m_documents;
    bool m_open = false;
    QString m_font;
    int m_pointSize = 0;
    bool m_clearBrush = false;
    int m_lineHeight = 40;
    QSize m_pageArea{4800, 6800}; // an A4 page at 600 dots an inch
    std::optional<Step> m_failAt;
    QString m_failure;
};

// A print service that describes the printer the test holds in printer, as it stands at each receipt.
class DescribedPrintService : public PrintService
{
public:
    explicit DescribedPrintService(const PrinterDescription &printer) : m_printer(printer) {}
    PrinterDescription defaultPrinter() const override { return m_printer; }

private:
    const PrinterDescription &m_printer;
};

// A name service for tests. A name given an address answers with it from the event loop, as the system's
// would; a stalled name gets no answer until the test gives one late; any other name does not resolve.
class ScriptedResolver : public HostResolver
{
public:
    void setAddress(const QString &name, const QString &dotted) { m_addresses.insert(name, dotted); }
    void stall(const QString &name) { m_addresses.insert(name, QString()); }
    // Answers the questions about a stalled name that are still waiting; gives how many had a receiver left.
    int answerLate(const QString &name, const QString &dotted);
    // Called with each name as it is asked, while the caller waits for the answer.
    void onLookUp(std::function<void(const QString &)> observer) { m_observer = std::move(observer); }
    const QStringList &asked() const { return m_asked; }

    void lookUp(const QString &name, QObject *receiver, Answer answer) override;

private:
    struct Pending
    {
        QString name;
        QPointer<QObject> receiver;
        Answer answer;
    };

    QMap<QString, QString> m_addresses; // an empty address: stalled
    QList<Pending> m_pending;
    QStringList m_asked;
    std::function<void(const QString &)> m_observer;
};

// One of each scripted service. agentPort 0 means the test picks a loopback port before handing out
// the platform.
struct TestPlatform
{
    ScriptedDialogs dialogs;
    ScriptedBeeper beeper;
    ScriptedClock clock;
    RecordingWebOpener web;
    RecordingPrinter printer;
    ScriptedResolver resolver;
    quint16 agentPort = 0;

    Platform platform() { return Platform{dialogs, beeper, clock, web, printer, resolver, agentPort}; }
};

// A fresh, empty data folder that is removed with the helper. Creating the database in it is up to
// the test.
class TempDataFolder
{
public:
    TempDataFolder();
    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};

} // namespace ktv
