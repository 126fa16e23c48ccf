#pragma once

namespace ktv {

struct Platform;

// Opens the maker's web page in the default browser; what the browser makes of it is not looked at.
void openMakerPage(const Platform &platform);

} // namespace ktv
