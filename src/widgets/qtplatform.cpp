#include "widgets/qtplatform.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

namespace ktv {

namespace {

constexpr int kMaxTextEntryLength = 255;

// Every box carries the program's title, as the cashier knows it from the main window.
QMessageBox::StandardButton runBox(QWidget *parent, QMessageBox::Icon icon, const QString &text,
                                   QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, QGuiApplication::applicationDisplayName(), text, buttons, parent);
    box.setDefaultButton(defaultButton);
    box.exec();
    return box.standardButton(box.clickedButton());
}

} // namespace

QtDialogs::QtDialogs(QWidget *parent) : m_parent(parent) {}

void QtDialogs::setParentWidget(QWidget *parent)
{
    m_parent = parent;
}

void QtDialogs::showMessage(const QString &text)
{
    runBox(m_parent, QMessageBox::Information, text, QMessageBox::Ok, QMessageBox::Ok);
}

bool QtDialogs::confirm(const QString &text)
{
    const auto buttons = QMessageBox::Yes | QMessageBox::No;
    return runBox(m_parent, QMessageBox::Question, text, buttons, QMessageBox::Yes) == QMessageBox::Yes;
}

bool QtDialogs::warn(const QString &text)
{
    const auto buttons = QMessageBox::Yes | QMessageBox::No;
    return runBox(m_parent, QMessageBox::Warning, text, buttons, QMessageBox::Yes) == QMessageBox::Yes;
}

bool QtDialogs::confirmDelete(const QString &text)
{
    // Cancel is the default so that a stray Enter never deletes a record.
    const auto buttons = QMessageBox::Ok | QMessageBox::Cancel;
    return runBox(m_parent, QMessageBox::Question, text, buttons, QMessageBox::Cancel) == QMessageBox::Ok;
}

void QtDialogs::showError(const QString &text)
{
    runBox(m_parent, QMessageBox::Critical, text, QMessageBox::Ok, QMessageBox::Ok);
}

QString QtDialogs::askText(const QString &title, const QString &prompt, const QString &preset, Echo echo)
{
    QInputDialog dialog(m_parent);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextEchoMode(echo == Echo::Password ? QLineEdit::Password : QLineEdit::Normal);
    dialog.setTextValue(preset);
    // QInputDialog has no length setting of its own; its entry field is its only line edit.
    if (auto *entry = dialog.findChild<QLineEdit *>())
        entry->setMaxLength(kMaxTextEntryLength);
    // The dialog selects the preset when it is shown, so typing replaces it.
    if (dialog.exec() != QDialog::Accepted)
        return preset;
    return dialog.textValue();
}

QString QtDialogs::askSaveFileName(const QString &title, const QString &suggested, const QString &filter)
{
    return QFileDialog::getSaveFileName(m_parent, title, suggested, filter);
}

void QtBeeper::beep()
{
    QApplication::beep();
}

void QtWebOpener::open(const QUrl &address)
{
    QDesktopServices::openUrl(address);
}

} // namespace ktv
