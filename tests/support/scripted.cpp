#include "scripted.h"

#include "store/storeerror.h"

#include <QDir>
#include <QHostAddress>
#include <QTimer>

namespace ktv {

void ScriptedDialogs::answerYes()
{
    m_answers.push_back({AnswerKind::Yes, {}});
}

void ScriptedDialogs::answerNo()
{
    m_answers.push_back({AnswerKind::No, {}});
}

void ScriptedDialogs::answerText(const QString &text)
{
    m_answers.push_back({AnswerKind::Text, text});
}

void ScriptedDialogs::answerCancel()
{
    m_answers.push_back({AnswerKind::Cancel, {}});
}

QStringList ScriptedDialogs::texts(Kind kind) const
{
    QStringList result;
    for (const Entry &entry : m_entries) {
        if (entry.kind == kind)
            result.append(entry.text);
    }
    return result;
}

QStringList ScriptedDialogs::messages() const
{
    return texts(Kind::Message);
}

QStringList ScriptedDialogs::errors() const
{
    return texts(Kind::Error);
}

QString ScriptedDialogs::lastMessage() const
{
    const QStringList shown = messages();
    return shown.isEmpty() ? QString() : shown.last();
}

void ScriptedDialogs::clear()
{
    m_entries.clear();
    m_unexpected.clear();
    m_answers.clear();
}

void ScriptedDialogs::record(Kind kind, const QString &text, Echo echo)
{
    m_entries.append(Entry{kind, text, echo});
    if (m_observer)
        m_observer(m_entries.last());
}

// Takes the next queued answer for a Yes/No question. A missing answer, or a text answer where Yes or
// No was due, marks the question unexpected and answers No; the wrong answer is used up so that the
// answers after it keep their places.
bool ScriptedDialogs::answerQuestion(Kind kind, const QString &text)
{
    record(kind, text);
    if (m_answers.empty()) {
        m_unexpected.append(text);
        return false;
    }
    const Answer answer = m_answers.front();
    m_answers.pop_front();
    if (answer.kind != AnswerKind::Yes && answer.kind != AnswerKind::No) {
        m_unexpected.append(text);
        return false;
    }
    return answer.kind == AnswerKind::Yes;
}

void ScriptedDialogs::showMessage(const QString &text)
{
    record(Kind::Message, text);
}

bool ScriptedDialogs::confirm(const QString &text)
{
    return answerQuestion(Kind::Confirm, text);
}

bool ScriptedDialogs::warn(const QString &text)
{
    return answerQuestion(Kind::Warn, text);
}

bool ScriptedDialogs::confirmDelete(const QString &text)
{
    return answerQuestion(Kind::ConfirmDelete, text);
}

void ScriptedDialogs::showError(const QString &text)
{
    record(Kind::Error, text);
}

QString ScriptedDialogs::askText(const QString &title, const QString &prompt, const QString &preset, Echo echo)
{
    const QString text = title + u'|' + prompt + u'|' + preset;
    record(Kind::AskText, text, echo);
    return answerWithText(text, preset);
}

QString ScriptedDialogs::askSaveFileName(const QString &title, const QString &suggested, const QString &)
{
    const QString text = title + u'|' + suggested;
    record(Kind::SaveFile, text);
    return answerWithText(text, QString());
}

// Takes the next queued answer for a question answered with a text: the text, or for Cancel (and for a
// missing or a Yes/No answer, which is unexpected) what the dialog gives when cancelled.
QString ScriptedDialogs::answerWithText(const QString &text, const QString &cancelled)
{
    if (m_answers.empty()) {
        m_unexpected.append(text);
        return cancelled;
    }
    const Answer answer = m_answers.front();
    m_answers.pop_front();
    switch (answer.kind) {
    case AnswerKind::Text:
        return answer.text;
    case AnswerKind::Cancel:
        return cancelled;
    case AnswerKind::Yes:
    case AnswerKind::No:
        break;
    }
    m_unexpected.append(text);
    return cancelled;
}

QDateTime ScriptedClock::defaultMoment()
{
    return QDateTime(QDate(2026, 12, 8), QTime(20, 0));
}

QStringList RecordingPrinter::Document::lines() const
{
    QStringList result;
    for (const Text &t : texts)
        result.append(t.text);
    return result;
}

void RecordingPrinter::failAt(Step step, const QString &message)
{
    m_failAt = step;
    m_failure = message;
}

void RecordingPrinter::reach(Step step)
{
    if (m_failAt == step) {
        m_failAt.reset();
        throw StoreError(m_failure);
    }
}

RecordingPrinter::Document &RecordingPrinter::open()
{
    if (!m_open)
        throw StoreError(QStringLiteral("no document begun"));
    return m_documents.last();
}

void RecordingPrinter::beginDocument()
{
    reach(Step::Begin);
    m_documents.append(Document{});
    m_open = true;
    m_font.clear();
    m_pointSize = 0;
    m_clearBrush = false;
}

void RecordingPrinter::setClearBrush()
{
    open();
    m_clearBrush = true;
}

void RecordingPrinter::setFont(const QString &name, int pointSize)
{
    open();
    reach(Step::Font);
    m_font = name;
    m_pointSize = pointSize;
}

int RecordingPrinter::lineHeight()
{
    open();
    return m_lineHeight;
}

void RecordingPrinter::drawText(int x, int y, const QString &text)
{
    Document &document = open();
    reach(Step::Draw);
    document.texts.append(Text{x, y, text, m_font, m_pointSize, m_clearBrush, document.pages - 1});
}

void RecordingPrinter::endDocument()
{
    Document &document = open();
    reach(Step::End);
    document.ended = true;
    m_open = false;
}

void RecordingPrinter::abortDocument()
{
    if (!m_open)
        return;
    m_documents.last().aborted = true;
    m_open = false;
}

void RecordingPrinter::beginPdfDocument(const QString &file)
{
    beginDocument();
    m_documents.last().pdfFile = file;
}

QSize RecordingPrinter::pageArea()
{
    open();
    return m_pageArea;
}

void RecordingPrinter::newPage()
{
    ++open().pages;
}

TempDataFolder::TempDataFolder() : m_dir(QDir::tempPath() + QStringLiteral("/ktv-data-XXXXXX")) {}

void ScriptedResolver::lookUp(const QString &name, QObject *receiver, Answer answer)
{
    m_asked.append(name);
    if (m_observer)
        m_observer(name);
    const auto found = m_addresses.constFind(name);
    if (found != m_addresses.cend() && found->isEmpty()) {
        m_pending.append({name, receiver, std::move(answer)});
        return;
    }
    QList<quint32> addresses;
    if (found != m_addresses.cend())
        addresses.append(QHostAddress(*found).toIPv4Address());
    QTimer::singleShot(0, receiver, [answer = std::move(answer), addresses] { answer(addresses); });
}

int ScriptedResolver::answerLate(const QString &name, const QString &dotted)
{
    int delivered = 0;
    for (qsizetype i = m_pending.size() - 1; i >= 0; --i) {
        if (m_pending[i].name != name)
            continue;
        const Pending pending = m_pending.takeAt(i);
        if (pending.receiver) {
            pending.answer({QHostAddress(dotted).toIPv4Address()});
            ++delivered;
        }
    }
    return delivered;
}

} // namespace ktv
