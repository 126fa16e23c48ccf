#pragma once

#include <QString>

namespace ktv {

// Where a venue's database is. The data folder always keeps the settings and the backups; the database is
// the folder's ktv.db, or the server database its ktv.ini names:
//     [database]
//     url=postgresql://USER@HOST:PORT/DBNAME
// The password never sits in ktv.ini: libpq reads it from PGPASSWORD or its password file.
struct VenueLocation
{
    QString folder;
    QString database; // the server's address; empty when the database is the folder's own file

    bool onServer() const { return !database.isEmpty(); }
    // What Database::open and create take.
    QString where() const { return onServer() ? database : folder; }
};

// The one place that decides which database a start or a verb works on: an address given on the command line
// (--database) before the one in the folder's ktv.ini, before the folder's own file. Throws StoreError naming
// ktv.ini when it cannot be read, or names no server, or carries a password.
VenueLocation locateVenue(const QString &folder, const QString &databaseOverride = {});

// DIR/ktv.ini.
QString venueIniPath(const QString &folder);

// Refuses, by throwing StoreError, a folder that already has a ktv.ini or a database file of its own, and an
// address that names no server or carries a password: asked before a new database is made on the server.
void checkVenueIniWritable(const QString &folder, const QString &address);
// Writes ktv.ini naming the server's database into the folder (made if missing), after the same refusals.
void writeVenueIni(const QString &folder, const QString &address);

} // namespace ktv
