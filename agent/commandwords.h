#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace ktv {

// Splits a command line into the program and its arguments as a shell splits words, without a shell: spaces
// and tabs part words; '...' keeps everything inside as it is; "..." too, except that \" stands for a quote;
// quoted and bare parts next to each other make one word, and '' or "" an empty one. A backslash elsewhere
// stays as it is, so that Windows paths need no doubling. Nothing when a quote is not closed.
std::optional<QStringList> commandWords(const QString &commandLine);

} // namespace ktv
