#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QTime>

// The room charge of a visit that may have changed rooms, at time-band prices where the venue uses them.
namespace ktv::charge {

// A special time band of a room: from begin (included) to end (excluded) by the time of day; a band whose
// end is not after its begin runs over midnight.
struct Band
{
    int number = 0; // 1 to 3, as the room's fields number them
    QTime begin;
    QTime end;
    double hourlyPrice = 0;

    bool holds(QTime time) const;
    QString times() const; // "HH:mm-HH:mm"
};

// What a room charges: its bands in order, the first holding a minute's start pricing it, else the charge
// standard. No bands when the venue does not charge by time band.
struct RoomPrices
{
    QString room;
    double hourlyPrice = 0;
    QList<Band> bands;
};

// The part of a visit spent in one room, from the check-in or the move into it until the next move.
struct Stay
{
    QDateTime from;
    RoomPrices prices;
};

// Billed minutes and their amount with the rates applied, of one band of one room or of one stay.
struct ChargePart
{
    QString room;
    Band band; // number 0 for a stay's part
    int minutes = 0;
    double amount = 0;
};

struct StayCharge
{
    double amount = 0;           // unrounded, as stored on the visit
    QList<ChargePart> bandParts; // each band of a room that priced a billed minute, in order of first use
    QList<ChargePart> stayParts; // each stay, in order
};

// The billed minutes (used less discount) are laid minute after minute from begin; each costs the hourly
// price of the stay holding its start, through that room's bands. Charge = sum of minute prices / 60 ×
// customer rate × room rate; the visit's one room rate applies to every stay, as the visit stores one.
// One stay without bands gives exactly roomCharge(). Billed minutes below zero
// are priced at the first minute's price.
StayCharge stayCharge(const QList<Stay> &stays, const QDateTime &begin, int usedMinutes, int discountMinutes,
                      double customerRate, double roomRate);

} // namespace ktv::charge
