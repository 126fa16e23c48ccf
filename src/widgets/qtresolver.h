#pragma once

#include "widgets/platform.h"

namespace ktv {

// The system's name service, asked on Qt's lookup threads.
class QtHostResolver : public HostResolver
{
public:
    void lookUp(const QString &name, QObject *receiver, Answer answer) override;
};

} // namespace ktv
