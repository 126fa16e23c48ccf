#pragma once

namespace ktv {

class Database;
class Clock;

// Fills a new venue database with the eight rooms of the board, a small drinks list and the reserved
// member "000", so that the program can be tried at once.
void addDemoData(Database &db, const Clock &clock);

} // namespace ktv
