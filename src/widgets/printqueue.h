#pragma once

#include <QString>

#include <optional>

namespace ktv {

// Whether the platform's print queue of the named printer takes new jobs; nothing when the platform has no
// such setting or does not answer. The one place where the program asks the print system itself, as Qt's
// printing does not tell.
std::optional<bool> printQueueAcceptsJobs(const QString &printerName);

} // namespace ktv
