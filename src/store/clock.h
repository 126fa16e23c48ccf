#pragma once

#include <QDateTime>

namespace ktv {

// The local date and time, behind an interface so that tests can set the moment.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

} // namespace ktv
