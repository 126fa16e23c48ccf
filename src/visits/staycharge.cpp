#include "staycharge.h"

#include "charge.h"

#include <algorithm>
#include <limits>

namespace ktv::charge {

namespace {

constexpr qint64 kMsPerDay = 86'400'000;
constexpr qint64 kMsPerMinute = 60'000;

// Moments as wall-clock milliseconds from the midnight before the check-in, as used minutes are counted.
qint64 offsetOf(const QDate &day0, const QDateTime &moment)
{
    return day0.daysTo(moment.date()) * kMsPerDay + moment.time().msecsSinceStartOfDay();
}

bool priced(const Band &band)
{
    return compareMoney(band.hourlyPrice, 0) > 0 && band.begin.isValid() && band.end.isValid();
}

const Band *bandAt(const RoomPrices &prices, qint64 offset)
{
    const QTime time = QTime::fromMSecsSinceStartOfDay(int(offset % kMsPerDay));
    for (const Band &band : prices.bands) {
        if (priced(band) && band.holds(time))
            return &band;
    }
    return nullptr;
}

ChargePart &partOf(QList<ChargePart> &parts, const QString &room, const Band &band)
{
    for (ChargePart &part : parts) {
        if (part.room == room && part.band.number == band.number)
            return part;
    }
    parts.append({room, band});
    return parts.last();
}

} // namespace

bool Band::holds(QTime time) const
{
    if (begin < end)
        return begin <= time && time < end;
    return time >= begin || time < end; // over midnight; a band ending where it begins holds the whole day
}

QString Band::times() const
{
    return begin.toString(QStringLiteral("HH:mm")) + QLatin1Char('-') + end.toString(QStringLiteral("HH:mm"));
}

StayCharge stayCharge(const QList<Stay> &stays, const QDateTime &begin, int usedMinutes, int discountMinutes,
                      double customerRate, double roomRate)
{
    StayCharge result;
    if (stays.isEmpty())
        return result;
    const int billed = usedMinutes - discountMinutes;
    const double rates = customerRate * roomRate;
    if (stays.size() == 1 && stays.first().prices.bands.isEmpty()) {
        // The charge as it has always been computed, to the last bit.
        result.amount =
            roomCharge(usedMinutes, discountMinutes, stays.first().prices.hourlyPrice, customerRate, roomRate);
        result.stayParts.append({stays.first().prices.room, {}, std::max(billed, 0), billed > 0 ? result.amount : 0.0});
        return result;
    }

    const QDate day0 = begin.date();
    const qint64 first = begin.time().msecsSinceStartOfDay(); // the first minute's start
    const qint64 last = first + qint64(std::max(billed, 0)) * kMsPerMinute;
    QList<qint64> stayStarts{std::numeric_limits<qint64>::min()};
    for (qsizetype i = 1; i < stays.size(); ++i)
        stayStarts << offsetOf(day0, stays[i].from);
    const auto stayAt = [&](qint64 offset) {
        qsizetype i = stays.size() - 1;
        while (i > 0 && stayStarts[i] > offset)
            --i;
        return i;
    };
    const auto hourlyAt = [&](qint64 offset) {
        const RoomPrices &prices = stays[stayAt(offset)].prices;
        const Band *band = bandAt(prices, offset);
        return band ? band->hourlyPrice : prices.hourlyPrice;
    };

    for (const Stay &stay : stays)
        result.stayParts.append({stay.prices.room, {}});
    if (billed <= 0) {
        result.amount = billed * hourlyAt(first) / 60 * rates;
        return result;
    }

    // The price only changes where a stay or a band begins or ends: sum whole runs of minutes between such
    // points rather than minute by minute.
    QList<qint64> points{first, last};
    for (qsizetype i = 1; i < stays.size(); ++i) {
        if (stayStarts[i] > first && stayStarts[i] < last)
            points << stayStarts[i];
    }
    for (const Stay &stay : stays) {
        for (const Band &band : stay.prices.bands) {
            if (!priced(band))
                continue;
            for (qint64 day = 0; day * kMsPerDay < last; ++day) {
                for (const QTime &edge : {band.begin, band.end}) {
                    const qint64 at = day * kMsPerDay + edge.msecsSinceStartOfDay();
                    if (at > first && at < last)
                        points << at;
                }
            }
        }
    }
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());

    // Minutes whose start lies before the moment.
    const auto minutesBefore = [&](qint64 at) {
        return at <= first ? qint64(0) : std::min<qint64>(billed, (at - first + kMsPerMinute - 1) / kMsPerMinute);
    };
    double sum = 0;
    QList<double> staySums(stays.size(), 0.0);
    QList<double> bandSums;
    for (qsizetype k = 0; k + 1 < points.size(); ++k) {
        const int minutes = int(minutesBefore(points[k + 1]) - minutesBefore(points[k]));
        if (minutes == 0)
            continue;
        // Every minute of the run starts where the same stay and the same bands hold as at the run's start.
        const qsizetype s = stayAt(points[k]);
        const RoomPrices &prices = stays[s].prices;
        const Band *band = bandAt(prices, points[k]);
        const double price = minutes * (band ? band->hourlyPrice : prices.hourlyPrice);
        sum += price;
        result.stayParts[s].minutes += minutes;
        staySums[s] += price;
        if (band) {
            ChargePart &part = partOf(result.bandParts, prices.room, *band);
            const qsizetype b = &part - result.bandParts.data();
            bandSums.resize(result.bandParts.size(), 0.0);
            part.minutes += minutes;
            bandSums[b] += price;
        }
    }
    result.amount = sum / 60 * rates;
    for (qsizetype s = 0; s < stays.size(); ++s)
        result.stayParts[s].amount = staySums[s] / 60 * rates;
    for (qsizetype b = 0; b < result.bandParts.size(); ++b)
        result.bandParts[b].amount = bandSums[b] / 60 * rates;
    return result;
}

} // namespace ktv::charge
