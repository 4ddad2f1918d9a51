#pragma once

#include "picture/colour/ColourProfile.h"

#include <cstdint>

// The destination of every picture's colours: the profile of the screen the window is on, as
// the platform layer reads it from the window system, or sRGB (null) when it publishes none.
// The window sets it; the workers read it when they make pixels for the screen. Printing and
// PDF output always take sRGB and never read it.
namespace zarovia::picture::colour {

struct DisplayColour {
    ColourProfile profile;     // null: sRGB
    std::uint64_t serial = 0;  // changes whenever the profile does
};

DisplayColour displayColour();
// Sets the display's profile; a profile equal to the current one changes nothing. Returns
// whether it changed (then pictures prepared for the screen are made again).
bool setDisplayProfile(const ColourProfile& profile);

}  // namespace zarovia::picture::colour
