#pragma once

#include <QString>

#include <memory>

namespace ktv {

class Database;
class Dialogs;

// Opens the venue database in a data folder or on a server. A server that wants a password libpq's own
// sources (PGPASSWORD, the password file) do not give, or that refuses it, is asked for one in a masked box,
// three times at most; the password is kept by this connection alone and written nowhere. Cancelled or
// refused three times: throws StoreError naming the server and its reason.
std::unique_ptr<Database> openAskingPassword(const QString &where, Dialogs &dialogs);

} // namespace ktv
