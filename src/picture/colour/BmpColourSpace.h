#pragma once

#include "picture/ByteReader.h"
#include "picture/colour/ColourProfile.h"

#include <cstdint>

// The colour space of a bitmap's version 4 or 5 info header.
namespace zarovia::picture::colour {

// The header's colour-space types.
inline constexpr std::uint32_t LCS_CALIBRATED_RGB = 0;
inline constexpr std::uint32_t LCS_sRGB = 0x73524742;                 // "sRGB"
inline constexpr std::uint32_t LCS_WINDOWS_COLOR_SPACE = 0x57696E20;  // "Win "
inline constexpr std::uint32_t PROFILE_LINKED = 0x4C494E4B;           // "LINK"
inline constexpr std::uint32_t PROFILE_EMBEDDED = 0x4D424544;         // "MBED"

// What the header says about colour, before any profile is opened.
struct BmpColourFields {
    std::uint32_t csType = LCS_sRGB;
    CalibratedRgb calibrated;         // for LCS_CALIBRATED_RGB
    std::uint32_t profileOffset = 0;  // for PROFILE_EMBEDDED (version 5): from the header's start
    std::uint32_t profileSize = 0;
};

// Reads the colour fields of the info header at the start of `fromHeader` (whatever its
// position), which runs from the header to the end of the file. Headers other than version 4 (108
// bytes) and 5 (124 bytes), and headers cut short, read as sRGB.
BmpColourFields readBmpColourFields(ByteReader fromHeader);

// The source profile the header gives: the embedded profile when its offset and size lie inside
// `fromHeader`, or the calibrated space built from its endpoints and gammas. Null (sRGB) for
// LCS_sRGB, LCS_WINDOWS_COLOR_SPACE, a linked profile (a path on the writer's machine, never
// opened), an unknown type, and for anything broken or refused: colour never fails a bitmap.
ColourProfile bmpColourProfile(ByteReader fromHeader);

}  // namespace zarovia::picture::colour
