#pragma once

#include <QString>

class QTextStream;

namespace ktv {

class Clock;
struct VenueLocation;

// ktv [--data-dir DIR] --copy-to URL|FILE.db: the venue's database copied whole into an empty database on a
// server, or into a new SQLite file, in one transaction; then one line per table with its rows and money sums
// on each side. Progress goes to err. Returns the exit code: 0 copied and alike, 1 refused or failed (the
// target then holds nothing of the copy).
int copyToVerb(const VenueLocation &venue, const QString &to, QTextStream &out, QTextStream &err);

// --backup of a venue whose database is on a server: one snapshot of it as a SQLite file in DIR/backups,
// which restores to either engine. Prints the backup's path.
int serverBackupVerb(const VenueLocation &venue, const Clock &clock, QTextStream &out, QTextStream &err);

// --restore FILE of a venue whose database is on a server: the backup's records (from either engine) replace
// the server's in one transaction, after what they replace is kept as a before-restore backup in DIR/backups.
int serverRestoreVerb(const VenueLocation &venue, const QString &file, const Clock &clock, QTextStream &out,
                      QTextStream &err);

// --check of a database on a server: the refusals of a start, then the program's indexes. Writes "ok" and
// returns 0, or what is wrong and returns 1.
int checkServerDatabase(const QString &address, QTextStream &out);

// --create-data DIR --database URL [--demo]: a new venue database in the empty server database, and DIR/ktv.ini
// naming it. Returns an empty text, or what went wrong (nothing made then).
QString createServerVenue(const QString &folder, const QString &address, bool demo, const Clock &clock);

} // namespace ktv
