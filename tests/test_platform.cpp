#include "store/storeerror.h"
#include "support/scripted.h"
#include "widgets/qtplatform.h"

#include <QApplication>
#include <QDir>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <stdexcept>

using namespace ktv;
using namespace Qt::StringLiterals;

using Handler = std::function<void(Dialogs &)>;
Q_DECLARE_METATYPE(Handler)
Q_DECLARE_METATYPE(Dialogs::Echo)

namespace {

// Answers the next modal dialog of type T once it is up: polls from the event loop that the dialog's
// exec() runs, so the answer comes only after the dialog is shown. Stops polling when it goes out of
// scope, so a call that never opened a dialog leaves nothing behind.
template <typename T> class ModalResponder
{
public:
    explicit ModalResponder(std::function<void(T *)> respond) : m_respond(std::move(respond))
    {
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            m_timer.stop();
            m_respond(dialog);
        });
        m_timer.start();
    }

private:
    QTimer m_timer;
    std::function<void(T *)> m_respond;
};

// Entries as "Kind:text" so that a failing comparison shows the whole conversation.
QStringList describe(const ScriptedDialogs &dialogs)
{
    static const char *const names[] = {"Message", "Confirm", "Warn", "ConfirmDelete", "Error", "AskText"};
    QStringList result;
    for (const auto &entry : dialogs.all())
        result.append(QLatin1String(names[int(entry.kind)]) + u':' + entry.text);
    return result;
}

enum class BoxCall { Message, Confirm, Warn, ConfirmDelete, Error };

bool callBox(QtDialogs &dialogs, BoxCall call, const QString &text)
{
    switch (call) {
    case BoxCall::Message:
        dialogs.showMessage(text);
        return true;
    case BoxCall::Confirm:
        return dialogs.confirm(text);
    case BoxCall::Warn:
        return dialogs.warn(text);
    case BoxCall::ConfirmDelete:
        return dialogs.confirmDelete(text);
    case BoxCall::Error:
        dialogs.showError(text);
        return true;
    }
    return false;
}

} // namespace

Q_DECLARE_METATYPE(BoxCall)

class PlatformTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void runGuardedEndsEachKindOfError_data();
    void runGuardedEndsEachKindOfError();

    void scriptedDialogsAnswerFromTheQueueInOrder();
    void scriptedDialogsFlagQuestionsNobodyExpected();
    void scriptedDialogsFlagAnAnswerOfTheWrongSort();
    void scriptedDialogsRecordMessagesAndErrors();
    void scriptedDialogsShowTheQuestionToTheObserverBeforeAnswering();
    void scriptedClockStandsStillUntilMoved();
    void tempDataFoldersAreFreshAndRemoved();

    void messageBoxesHaveTheirButtonsAndAnswers_data();
    void messageBoxesHaveTheirButtonsAndAnswers();
    void askTextGivesTypedTextOrThePreset_data();
    void askTextGivesTypedTextOrThePreset();
};

void PlatformTest::initTestCase()
{
    QGuiApplication::setApplicationDisplayName(QStringLiteral("KTV 收银"));
}

void PlatformTest::runGuardedEndsEachKindOfError_data()
{
    QTest::addColumn<Handler>("handler");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("no error") << Handler([](Dialogs &) {}) << QStringList();
    QTest::newRow("store error shown as it stands")
        << Handler([](Dialogs &) { throw StoreError(QStringLiteral("会员号重复")); })
        << QStringList{u"Error:会员号重复"_s};
    QTest::newRow("conversion error shown as it stands")
        << Handler([](Dialogs &) { throw ConversionError(QStringLiteral("'abc' 不是有效的整数")); })
        << QStringList{u"Error:'abc' 不是有效的整数"_s};
    QTest::newRow("abort after the handler's own message") << Handler([](Dialogs &dialogs) {
        dialogs.showMessage(QStringLiteral("已无房可退!"));
        throw AbortAction();
    }) << QStringList{u"Message:已无房可退!"_s};
    QTest::newRow("other exception in a sentence") << Handler([](Dialogs &) { throw std::runtime_error("disk full"); })
                                                   << QStringList{u"Error:程序出错：disk full"_s};
    QTest::newRow("other exception with Chinese text")
        << Handler([](Dialogs &) { throw std::runtime_error(QStringLiteral("文件丢失").toStdString()); })
        << QStringList{u"Error:程序出错：文件丢失"_s};
    QTest::newRow("not an exception class")
        << Handler([](Dialogs &) { throw 42; }) << QStringList{u"Error:程序出错：未知错误。"_s};
}

void PlatformTest::runGuardedEndsEachKindOfError()
{
    QFETCH(Handler, handler);
    QFETCH(QStringList, expected);

    ScriptedDialogs dialogs;
    bool ran = false;
    runGuarded(dialogs, [&] {
        ran = true;
        handler(dialogs);
    });
    QVERIFY(ran);
    QCOMPARE(describe(dialogs), expected);

    // The error ended only that action: the next one runs and reports normally.
    runGuarded(dialogs, [&] { dialogs.showMessage(QStringLiteral("next")); });
    QCOMPARE(dialogs.lastMessage(), u"next"_s);
}

void PlatformTest::scriptedDialogsAnswerFromTheQueueInOrder()
{
    ScriptedDialogs dialogs;
    dialogs.answerYes();
    dialogs.answerNo();
    dialogs.answerText(QStringLiteral("RoomKeeper"));
    dialogs.answerCancel();
    dialogs.answerYes();
    QCOMPARE(dialogs.pendingAnswers(), 5);

    QVERIFY(dialogs.confirm(QStringLiteral("确定要开房101吗?")));
    QVERIFY(!dialogs.warn(QStringLiteral("数据将被清空")));
    QCOMPARE(dialogs.askText(QStringLiteral("初始化数据库"), QStringLiteral("请输入管理员密码"), QStringLiteral("****"),
                             Dialogs::Echo::Password),
             u"RoomKeeper"_s);
    QCOMPARE(dialogs.askText(QStringLiteral("选择开房流水号"), QStringLiteral("请输入"), QStringLiteral("17")),
             u"17"_s);
    QVERIFY(dialogs.confirmDelete(QStringLiteral("删除记录?")));

    QCOMPARE(dialogs.pendingAnswers(), 0);
    QVERIFY(dialogs.unexpected().isEmpty());
    QCOMPARE(describe(dialogs), (QStringList{u"Confirm:确定要开房101吗?"_s, u"Warn:数据将被清空"_s,
                                             u"AskText:初始化数据库|请输入管理员密码|****"_s,
                                             u"AskText:选择开房流水号|请输入|17"_s, u"ConfirmDelete:删除记录?"_s}));
    QCOMPARE(dialogs.all().at(2).echo, Dialogs::Echo::Password);
    QCOMPARE(dialogs.all().at(3).echo, Dialogs::Echo::Normal);
}

void PlatformTest::scriptedDialogsFlagQuestionsNobodyExpected()
{
    ScriptedDialogs dialogs;
    QVERIFY(!dialogs.confirm(QStringLiteral("确定?")));
    QVERIFY(!dialogs.confirmDelete(QStringLiteral("删除?")));
    QCOMPARE(dialogs.askText(QStringLiteral("T"), QStringLiteral("P"), QStringLiteral("preset")), u"preset"_s);
    dialogs.showMessage(QStringLiteral("messages need no answer"));

    QCOMPARE(dialogs.unexpected(), (QStringList{u"确定?"_s, u"删除?"_s, u"T|P|preset"_s}));
    QCOMPARE(dialogs.all().size(), 4);
}

void PlatformTest::scriptedDialogsFlagAnAnswerOfTheWrongSort()
{
    ScriptedDialogs dialogs;
    dialogs.answerText(QStringLiteral("meant for a text entry"));
    dialogs.answerYes();
    dialogs.answerYes();

    QVERIFY(!dialogs.confirm(QStringLiteral("first")));
    QCOMPARE(dialogs.askText(QStringLiteral("T"), QStringLiteral("P"), QStringLiteral("keep")), u"keep"_s);
    // The wrong answers were used up, so the third question still gets the third answer.
    QVERIFY(dialogs.warn(QStringLiteral("third")));
    QCOMPARE(dialogs.unexpected(), (QStringList{u"first"_s, u"T|P|keep"_s}));
}

void PlatformTest::scriptedDialogsRecordMessagesAndErrors()
{
    ScriptedDialogs dialogs;
    QVERIFY(dialogs.lastMessage().isEmpty());
    dialogs.showMessage(QStringLiteral("会员号不能为空!"));
    dialogs.showError(QStringLiteral("store failed"));
    dialogs.showMessage(QStringLiteral("数据已初始化完毕！"));
    dialogs.answerYes();

    QCOMPARE(dialogs.messages(), (QStringList{u"会员号不能为空!"_s, u"数据已初始化完毕！"_s}));
    QCOMPARE(dialogs.errors(), QStringList{u"store failed"_s});
    QCOMPARE(dialogs.lastMessage(), u"数据已初始化完毕！"_s);

    dialogs.confirm(QStringLiteral("unanswered after clear"));
    dialogs.clear();
    QVERIFY(dialogs.all().isEmpty());
    QVERIFY(dialogs.unexpected().isEmpty());
    QCOMPARE(dialogs.pendingAnswers(), 0);
    QVERIFY(dialogs.lastMessage().isEmpty());
}

void PlatformTest::scriptedDialogsShowTheQuestionToTheObserverBeforeAnswering()
{
    ScriptedDialogs dialogs;
    int answersLeftWhenAsked = -1;
    dialogs.onEntry([&](const ScriptedDialogs::Entry &entry) {
        QCOMPARE(entry.kind, ScriptedDialogs::Kind::Confirm);
        answersLeftWhenAsked = dialogs.pendingAnswers();
    });
    dialogs.answerYes();
    QVERIFY(dialogs.confirm(QStringLiteral("?")));
    QCOMPARE(answersLeftWhenAsked, 1);
}

void PlatformTest::scriptedClockStandsStillUntilMoved()
{
    ScriptedClock clock;
    const QDateTime start(QDate(2026, 12, 8), QTime(20, 0));
    QCOMPARE(clock.now(), start);
    QCOMPARE(clock.now().timeSpec(), Qt::LocalTime);
    QCOMPARE(clock.now(), start);

    clock.advance(4 * 3600 * 1000 + 1);
    QCOMPARE(clock.now(), QDateTime(QDate(2026, 12, 9), QTime(0, 0, 0, 1)));
    const QDateTime moment(QDate(2027, 1, 1), QTime(8, 30));
    clock.set(moment);
    QCOMPARE(clock.now(), moment);
}

void PlatformTest::tempDataFoldersAreFreshAndRemoved()
{
    QString firstPath;
    {
        TempDataFolder first;
        TempDataFolder second;
        QVERIFY(first.isValid());
        QVERIFY(first.path() != second.path());
        QVERIFY(QDir(first.path()).isEmpty());
        QCOMPARE(first.filePath(QStringLiteral("venue.db")), first.path() + u"/venue.db"_s);
        firstPath = first.path();
    }
    QVERIFY(!QDir(firstPath).exists());
}

void PlatformTest::messageBoxesHaveTheirButtonsAndAnswers_data()
{
    QTest::addColumn<BoxCall>("call");
    QTest::addColumn<QMessageBox::Icon>("icon");
    QTest::addColumn<QMessageBox::StandardButtons>("buttons");
    QTest::addColumn<QMessageBox::StandardButton>("defaultButton");
    QTest::addColumn<QMessageBox::StandardButton>("press"); // NoButton: press Enter
    QTest::addColumn<bool>("expected");

    using B = QMessageBox;
    QTest::newRow("message") << BoxCall::Message << B::Information << B::StandardButtons(B::Ok) << B::Ok << B::Ok
                             << true;
    QTest::newRow("confirm yes") << BoxCall::Confirm << B::Question << (B::Yes | B::No) << B::Yes << B::Yes << true;
    QTest::newRow("confirm no") << BoxCall::Confirm << B::Question << (B::Yes | B::No) << B::Yes << B::No << false;
    QTest::newRow("warn yes") << BoxCall::Warn << B::Warning << (B::Yes | B::No) << B::Yes << B::Yes << true;
    QTest::newRow("warn no") << BoxCall::Warn << B::Warning << (B::Yes | B::No) << B::Yes << B::No << false;
    QTest::newRow("confirm delete ok") << BoxCall::ConfirmDelete << B::Question << (B::Ok | B::Cancel) << B::Cancel
                                       << B::Ok << true;
    QTest::newRow("confirm delete cancel")
        << BoxCall::ConfirmDelete << B::Question << (B::Ok | B::Cancel) << B::Cancel << B::Cancel << false;
    QTest::newRow("confirm delete enter does not delete")
        << BoxCall::ConfirmDelete << B::Question << (B::Ok | B::Cancel) << B::Cancel << B::NoButton << false;
    QTest::newRow("error") << BoxCall::Error << B::Critical << B::StandardButtons(B::Ok) << B::Ok << B::Ok << true;
}

void PlatformTest::messageBoxesHaveTheirButtonsAndAnswers()
{
    QFETCH(BoxCall, call);
    QFETCH(QMessageBox::Icon, icon);
    QFETCH(QMessageBox::StandardButtons, buttons);
    QFETCH(QMessageBox::StandardButton, defaultButton);
    QFETCH(QMessageBox::StandardButton, press);
    QFETCH(bool, expected);

    QWidget mainWindow;
    mainWindow.show();
    QtDialogs dialogs;
    dialogs.setParentWidget(&mainWindow);

    // What the box looked like, checked after it has closed so that a failure cannot leave it open.
    QString title, text;
    QWidget *parent = nullptr;
    QMessageBox::Icon shownIcon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons shownButtons;
    QMessageBox::StandardButton shownDefault = QMessageBox::NoButton;
    ModalResponder<QMessageBox> responder([&](QMessageBox *box) {
        title = box->windowTitle();
        text = box->text();
        parent = box->parentWidget();
        shownIcon = box->icon();
        shownButtons = box->standardButtons();
        shownDefault = box->standardButton(box->defaultButton());
        if (press == QMessageBox::NoButton && box->defaultButton())
            QTest::keyClick(box, Qt::Key_Return);
        else if (QAbstractButton *button = box->button(press))
            button->click();
        else
            box->reject(); // the wanted button is missing: the comparisons below report it
    });

    const bool answer = callBox(dialogs, call, QStringLiteral("确定要删除这条记录吗?"));

    QCOMPARE(title, QGuiApplication::applicationDisplayName());
    QCOMPARE(text, u"确定要删除这条记录吗?"_s);
    QCOMPARE(parent, &mainWindow);
    QCOMPARE(shownIcon, icon);
    QCOMPARE(shownButtons, buttons);
    QCOMPARE(shownDefault, defaultButton);
    QCOMPARE(answer, expected);
}

void PlatformTest::askTextGivesTypedTextOrThePreset_data()
{
    QTest::addColumn<Dialogs::Echo>("echo");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QString>("expected");

    QTest::newRow("ok gives what was typed") << Dialogs::Echo::Normal << true << u"RoomKeeper"_s;
    QTest::newRow("cancel gives the preset") << Dialogs::Echo::Normal << false << u"****"_s;
    QTest::newRow("password entry, ok") << Dialogs::Echo::Password << true << u"RoomKeeper"_s;
}

void PlatformTest::askTextGivesTypedTextOrThePreset()
{
    QFETCH(Dialogs::Echo, echo);
    QFETCH(bool, accept);
    QFETCH(QString, expected);

    QWidget mainWindow;
    mainWindow.show();
    QtDialogs dialogs(&mainWindow);

    QString title, label, shownText, selected, typed;
    QWidget *parent = nullptr;
    QLineEdit::EchoMode echoMode = QLineEdit::NoEcho;
    int maxLength = 0;
    ModalResponder<QInputDialog> responder([&](QInputDialog *dialog) {
        title = dialog->windowTitle();
        parent = dialog->parentWidget();
        if (auto *prompt = dialog->findChild<QLabel *>())
            label = prompt->text();
        if (auto *entry = dialog->findChild<QLineEdit *>()) {
            shownText = entry->text();
            selected = entry->selectedText();
            echoMode = entry->echoMode();
            maxLength = entry->maxLength();
            // Typing over the selected preset replaces it.
            QTest::keyClicks(entry, QStringLiteral("RoomKeeper"));
            typed = entry->text();
        }
        if (accept)
            dialog->accept();
        else
            dialog->reject();
    });

    const QString answer = dialogs.askText(QStringLiteral("初始化数据库"), QStringLiteral("请输入管理员密码"),
                                           QStringLiteral("****"), echo);

    QCOMPARE(title, u"初始化数据库"_s);
    QCOMPARE(label, u"请输入管理员密码"_s);
    QCOMPARE(parent, &mainWindow);
    QCOMPARE(shownText, u"****"_s);
    QCOMPARE(selected, u"****"_s);
    QCOMPARE(echoMode, echo == Dialogs::Echo::Password ? QLineEdit::Password : QLineEdit::Normal);
    QCOMPARE(maxLength, 255);
    QCOMPARE(typed, u"RoomKeeper"_s);
    QCOMPARE(answer, expected);
}

QTEST_MAIN(PlatformTest)
#include "test_platform.moc"
