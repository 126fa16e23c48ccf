#pragma once

#include <QString>

namespace ktv {

// Starts a command line as a process of its own, without a shell, and does not wait for it: a shut-down
// command may well outlive the agent. The words are split as commandWords splits them, the first naming the
// program. False when there is nothing to start, a quote is not closed, or it could not be started.
bool launchDetached(const QString &commandLine);

} // namespace ktv
