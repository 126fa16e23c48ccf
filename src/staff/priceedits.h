#pragma once

#include "store/cursor.h"
#include "store/journal.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace ktv {

class Clock;
class Cursor;
class TDataModule1;

namespace staff {

// The prices and rates of the catalogue: a room's charge standard and its three special time bands (fee,
// start, end), a drink's price and a member's discount rate. Changing one needs a manager.
//
// The journal rows ("修改价格") of what a save of the cursor's current record changes among them, one per
// field, naming the record and the field; money and rates are compared to 1/10 000, and a member's rate
// that gives no discount (empty, 0 or 1) is the same whichever way it is written. A new record counts for
// each price it sets, so a new drink or room with a price needs a manager too, while a member registered
// without a discount does not. None for a table without prices.
QList<journal::Entry> priceChanges(const Cursor &record);

// Whom a price change is allowed by: an empty text when the one logged in may (or nobody logs in at this
// venue), the number of who authorised it, or nothing when refused or cancelled.
using PriceAuthoriser = std::function<std::optional<QString>()>;

// Puts the rule on a cursor: a save that changes a price asks authorise first; refused, nothing is stored and
// the typed values stay until the cashier cancels; allowed, the record and its journal rows are stored in one
// transaction. rulesBefore is the cursor's own before-save rule, which runs first.
void guardPriceEdits(Cursor &cursor, Cursor::Handler rulesBefore, const Clock &clock, PriceAuthoriser authorise);

// The same on the shared room, drink and member cursors, whichever screen saves through them.
void guardPriceEdits(TDataModule1 &data, PriceAuthoriser authorise);

} // namespace staff
} // namespace ktv
