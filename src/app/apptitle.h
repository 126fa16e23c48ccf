#pragma once

namespace ktv {

// Gives the program its own title, "ZUZ ozir": the name the window system lists it under and the title of its
// message boxes. It goes in as the application's name, not as Qt's display name, which Qt would append to the
// caption of every window.
void setApplicationTitle();

} // namespace ktv
