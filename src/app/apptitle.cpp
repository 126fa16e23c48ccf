#include "apptitle.h"

#include <QCoreApplication>

namespace ktv {

void setApplicationTitle()
{
    QCoreApplication::setApplicationName(QStringLiteral("ZUZ ozir"));
}

} // namespace ktv
