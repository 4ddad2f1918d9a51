#pragma once

namespace zarovia::shell {

// The window definitions name Windows fonts; this maps each onto the Debian font of the same
// kind (proportional Gothic and Mincho, brush script, fixed pitch with Japanese).
void substitutePlatformFonts();

}  // namespace zarovia::shell
