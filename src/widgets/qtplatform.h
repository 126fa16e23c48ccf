#pragma once

#include "widgets/platform.h"

#include <QPointer>
#include <QWidget>

namespace ktv {

// The program's message boxes and text-entry dialog. Boxes are centred on the parent widget, normally the
// main window; without one Qt centres them on the screen.
class QtDialogs : public Dialogs
{
public:
    explicit QtDialogs(QWidget *parent = nullptr);

    void setParentWidget(QWidget *parent);
    QWidget *parentWidget() const { return m_parent; }

    void showMessage(const QString &text) override;
    bool confirm(const QString &text) override;
    bool warn(const QString &text) override;
    bool confirmDelete(const QString &text) override;
    void showError(const QString &text) override;
    QString askText(const QString &title, const QString &prompt, const QString &preset,
                    Echo echo = Echo::Normal) override;
    QString askSaveFileName(const QString &title, const QString &suggested, const QString &filter) override;

private:
    QPointer<QWidget> m_parent; // the main window may go before the services do
};

class QtBeeper : public Beeper
{
public:
    void beep() override;
};

// Opens a web address in the desktop's default browser.
class QtWebOpener : public WebOpener
{
public:
    void open(const QUrl &address) override;
};

} // namespace ktv
