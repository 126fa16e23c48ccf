#pragma once

#include "store/clock.h"

#include <QString>
#include <QUrl>

#include <functional>

namespace ktv {

// Message boxes and the text-entry dialog. The program uses Qt's dialogs; tests use scripted ones.
class Dialogs
{
public:
    enum class Echo { Normal, Password };

    virtual ~Dialogs() = default;
    virtual void showMessage(const QString &text) = 0;        // information box with OK
    virtual bool confirm(const QString &text) = 0;            // question box with Yes and No; true for Yes
    virtual bool warn(const QString &text) = 0;               // warning box with Yes and No; true for Yes
    virtual bool confirmDelete(const QString &text) = 0;      // question box with OK and Cancel; true for OK
    virtual void showError(const QString &text) = 0;          // the general error display's box
    // Title, prompt and preset text (shown selected). OK gives the typed text, Cancel gives the preset back.
    virtual QString askText(const QString &title, const QString &prompt, const QString &preset,
                            Echo echo = Echo::Normal) = 0;
};

class Beeper
{
public:
    virtual ~Beeper() = default;
    virtual void beep() = 0;
};

class WebOpener
{
public:
    virtual ~WebOpener() = default;
    virtual void open(const QUrl &address) = 0; // the result is not looked at
};

// The platform services a screen is given when it is created.
struct Platform
{
    Dialogs &dialogs;
    Beeper &beeper;
    Clock &clock;
    WebOpener &web;
    quint16 agentPort = 886; // where the client agents listen
};

// The general error display: runs a handler; a store or conversion error ends it in the error box,
// a silent abort ends it quietly, and the program goes on either way.
void runGuarded(Dialogs &dialogs, const std::function<void()> &handler);

} // namespace ktv
