#pragma once

#include <cstddef>

namespace zarovia::shell {

// The tool bar's fixed texts, drawn from pictures baked when the program is built rather than
// through the font at start: their glyphs lie far apart in the Japanese font file, and reading
// them maps much of the file into memory. The texts stay the widgets' own (for tests and
// assistive tools); only their drawing comes from the pictures. All are in the window's Gothic
// face ("ＭＳ Ｐゴシック"), not bold.
enum class BakedLabel { Timer, Counter, Landscape };

struct BakedLabelText {
    const char* utf8;
    int pixelSize;
};

inline constexpr std::size_t kBakedLabelCount = 3;
inline constexpr BakedLabelText kBakedLabelTexts[kBakedLabelCount] = {
    {"タイマ-", 13},
    {"カウンタ", 12},
    {"横向き印刷", 12},
};
inline constexpr const char* kBakedLabelFace = "ＭＳ Ｐゴシック";

// The characters of the tool bar's two number fields (the picture counter and the interval
// field), baked glyph by glyph in the same face at 16 pixels, bold, so that numbers can be set
// from them without loading the font. Each glyph is baked at four pen positions a quarter of a
// pixel apart, as the font engine places glyphs between pixels.
inline constexpr char kBakedDigitChars[] = "0123456789/";
inline constexpr std::size_t kBakedDigitCount = sizeof(kBakedDigitChars) - 1;
inline constexpr int kBakedDigitPixelSize = 16;
inline constexpr int kBakedDigitPenPositions = 4;

}  // namespace zarovia::shell
