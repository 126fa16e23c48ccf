#pragma once

#include <QString>
#include <QStringList>

#include <memory>

namespace ktv {

class BackupJob;
class BackgroundCheck;
class Clock;
class Database;
class FolderLock;
class TDataModule1;
class TFormMain;
struct Platform;

// Everything that lives for the whole run, in the order it was created.
struct Program
{
    std::unique_ptr<FolderLock> lock; // held for the whole run: no restore replaces the database meanwhile
    std::unique_ptr<Database> db;
    std::unique_ptr<TDataModule1> data;
    std::unique_ptr<TFormMain> main;
    std::unique_ptr<BackupJob> dailyBackup; // the automatic backup started after start-up, if one was due
    // The full check of the database file, started once the main window shows; damage is shown by the
    // error display. A window that reports on the data (the backups) reads it and connects to its finished().
    std::unique_ptr<BackgroundCheck> check;
    ~Program();
};

struct StartOptions
{
    QString dataFolder;
    QString database;     // set: the venue database is on this server (before ktv.ini's); the folder keeps the rest
    QString createFolder; // set: create a new venue database there instead of starting
    bool demo = false;
    QString report;       // set: print this report (--report) instead of starting
    QString reportFrom;
    QString reportTo;
    bool csv = false;
    bool backup = false;  // set: write a backup of the data folder's database and stop
    QString restoreFile;  // set: restore the data folder's database from this file and stop
    bool check = false;   // check the database in dataFolder instead of starting
    QString copyTo;       // set: copy the venue database to this server address or SQLite file and stop
    QString addStaffId;   // set: add this member of staff (password from standard input) and stop
    QString addStaffName;
    QString addStaffRole;
    bool help = false;    // print usageText() and stop
    bool version = false; // print versionText() and stop
    QString error;        // set when the command line could not be read
};

// The command line: at most one verb, each with only its own options, and nothing else. Anything else sets
// error (the process then exits with code 2).
StartOptions parseStartOptions(const QStringList &arguments);
QString usageText();   // every verb, one line each
QString versionText(); // "ktv VERSION"

// Opens the venue database in folder, or on the server named by database or by the folder's ktv.ini
// (store/venuelocation.h), and builds the windows. A database
// that cannot be opened is reported through the platform's error display and gives no program; no window is
// shown then. The folder is held all the same: it keeps the settings and the backups.
std::unique_ptr<Program> startProgram(const QString &folder, const Platform &platform, QString *error = nullptr,
                                      const QString &database = {});

// Ends the run once the main window has closed: the windows and the database go, then a restore chosen in
// the backup window is done while the data folder is still held.
void endProgram(std::unique_ptr<Program> program, const Platform &platform);

// Creates a new venue database (with the demo rooms, drinks and reserved member when demo is set).
// Returns an empty string, or what went wrong.
QString createVenueData(const QString &folder, bool demo, const Clock &clock);

} // namespace ktv
