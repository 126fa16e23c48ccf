#pragma once

namespace ktv {

class Clock;
class Database;

// A week of past visits for the demo data, so that a new user finds something in the reports: the seven
// business days before the present one, every room busy from the afternoon into the night, each visit
// checked out, charged, with drinks, paid and marked as check-out would leave it (a few with a reduction or
// paid short). Needs the demo rooms, drinks and the reserved member; written together or not at all.
void addDemoVisits(Database &db, const Clock &clock);

} // namespace ktv
