#pragma once

class QCoreApplication;

namespace ktv {

// Ends the event loop in order when the agent is told to stop (Ctrl+C, or the system's terminate request),
// so that what it does at an orderly stop is done. Uses only the C library's signals, as every system has them.
void quitOnStopSignal(QCoreApplication &app);

} // namespace ktv
