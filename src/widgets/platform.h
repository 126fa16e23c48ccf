#pragma once

#include "store/clock.h"

#include <QList>
#include <QSize>
#include <QString>
#include <QUrl>

#include <functional>

class QObject;

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
    // The save-file dialog: a file name, proposed as suggested, of the kinds filter names ("CSV 文件 (*.csv)").
    // Empty when cancelled.
    virtual QString askSaveFileName(const QString &title, const QString &suggested, const QString &filter) = 0;
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

// One page of text on the default printer, printed without a printer dialog. Positions and heights are in
// the printer's device units, from the top-left corner of its printable area. Every step throws StoreError
// with a message for the cashier when there is no printer or the print service fails.
class ReceiptPrinter
{
public:
    virtual ~ReceiptPrinter() = default;
    virtual void beginDocument() = 0;
    virtual void setClearBrush() = 0; // text drawn with a transparent background
    virtual void setFont(const QString &name, int pointSize) = 0;
    virtual int lineHeight() = 0; // of one line of text in the current font
    virtual void drawText(int x, int y, const QString &text) = 0; // (x, y): the text's top-left corner
    virtual void endDocument() = 0;   // hands the page to the print service
    virtual void abortDocument() = 0; // drops a begun document after a failed step; never throws

    // Longer documents (reports): one written to a PDF file instead of the printer, the size of a page's
    // printable area, and the start of the next page of the begun document.
    virtual void beginPdfDocument(const QString &file) = 0;
    virtual QSize pageArea() = 0;
    virtual void newPage() = 0;
};

// Looks host names up for the client-agent link without holding the program. The answer comes later, from
// the event loop: the name's IPv4 addresses in host order, none when it does not resolve. It is delivered
// only while the receiver still exists, so a caller that stops waiting destroys its receiver and a late
// answer goes nowhere.
class HostResolver
{
public:
    using Answer = std::function<void(const QList<quint32> &addresses)>;
    virtual ~HostResolver() = default;
    virtual void lookUp(const QString &name, QObject *receiver, Answer answer) = 0;
};

// The platform services a screen is given when it is created.
struct Platform
{
    Dialogs &dialogs;
    Beeper &beeper;
    Clock &clock;
    WebOpener &web;
    ReceiptPrinter &printer;
    HostResolver &resolver; // host names of client PCs
    quint16 agentPort = 886; // where the client agents listen
};

// The general error display: runs a handler; a store or conversion error ends it in the error box,
// a silent abort ends it quietly, and the program goes on either way.
void runGuarded(Dialogs &dialogs, const std::function<void()> &handler);

// A timer's step inside the general error display. A message box keeps the event loop, and so the timer,
// going: the step does not run again while an earlier run of it has not ended, so a failing step shows
// one error box, not one a tick.
std::function<void()> guardedTick(Dialogs &dialogs, std::function<void()> step);

// As runGuarded, for a handler that runs inside a control's own key press or focus change (a grid's cell
// editor): a message box opened there would run its event loop under a control that may be deleted in
// it. The failure is shown once the event loop is back, and a message already waiting is not shown twice.
// Returns whether the handler succeeded. Nothing is shown once context is gone.
bool runGuardedLater(Dialogs &dialogs, QObject *context, const std::function<void()> &handler);

} // namespace ktv
