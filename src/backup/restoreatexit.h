#pragma once

#include <QString>

#include <memory>

namespace ktv {

class StagedRestore;
struct Platform;

// Who restores: the staff member logged in and the administrator who confirmed it, when another one.
struct RestoreConfirmation
{
    QString staff;
    QString administrator;
};

// A restore chosen in the backup window is done as the program ends: only then is the database closed by
// every window. One per process; a later choice replaces an earlier one.
void restoreAtExit(std::unique_ptr<StagedRestore> staged, const RestoreConfirmation &confirmation = {});
bool restorePending();

// Called once the program has closed its database, with the data folder's lock still held: puts the chosen
// backup in place, journals the restore in the restored database ("恢复备份", naming who confirmed it and the
// backup file) and tells the cashier how it went. Does nothing when no restore was chosen.
void finishRestoreAtExit(const QString &dataFolder, const Platform &platform);

} // namespace ktv
