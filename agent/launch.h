#pragma once

#include <QString>

namespace ktv {

// Starts a command line as a process of its own, without a shell, and does not wait for it: a shut-down
// command may well outlive the agent. The first word names the program; quotes group words as usual.
// False when there is nothing to start or it could not be started.
bool launchDetached(const QString &commandLine);

} // namespace ktv
