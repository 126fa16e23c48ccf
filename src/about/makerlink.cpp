#include "makerlink.h"

#include "widgets/maker.h"
#include "widgets/platform.h"

namespace ktv {

void openMakerPage(const Platform &platform) { platform.web.open(QUrl(makerWebAddress())); }

} // namespace ktv
