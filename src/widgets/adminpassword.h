#pragma once

#include <QString>

namespace ktv {

class Dialogs;

// Asks for the administrator password in the text-entry dialog with the title given; true only when it is
// typed exactly (case-sensitive, untrimmed). Cancel gives the preset "****" back, which never matches.
bool askAdministratorPassword(Dialogs &dialogs, const QString &title);

} // namespace ktv
