#pragma once

#include "staycharge.h"

#include <QChar>
#include <QStringList>
#include <QVariantList>

namespace ktv::receipt {

// Where the lines of a receipt stand, in printer device units: line k at (left, top + k × line height).
constexpr int kLeft = 201;
constexpr int kTop = 200;

// The fields of a visit that the receipt shows, in the order of its lines.
const QStringList &fields();

// The ten texts of a visit's receipt, top to bottom: nine labelled values and the closing line. values holds
// the visit's fields in the order of fields(); a missing or empty value leaves its label alone.
QStringList texts(const QVariantList &values, QChar decimalPoint = u'.');

// The lines a receipt adds after its own where the room charge has parts: one per time band used (its times,
// billed minutes and amount with the rates applied), then, for a visit that changed rooms, one per stay.
QStringList chargeLines(const charge::StayCharge &charge, QChar decimalPoint = u'.');

} // namespace ktv::receipt
