#include "roomfees.h"

#include <cmath>

namespace ktv::roomfees {

bool needsDefaultPrice(const QVariant &hourlyPrice)
{
    const double money = std::nearbyint(hourlyPrice.toDouble() * 10000.0) / 10000.0;
    return money < 0.01;
}

} // namespace ktv::roomfees
