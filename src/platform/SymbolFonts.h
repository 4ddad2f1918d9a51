#pragma once

#include <QString>
#include <vector>

// Fonts whose byte codes name symbols rather than letters: the Symbol face (Greek letters and
// mathematical signs) and Wingdings (pictograms). Text written in them, as bytes or as the
// private-use characters U+F020 to U+F0FF that stand for those bytes, is turned into the
// Unicode characters the glyphs show, so any font with those characters draws them.
namespace zarovia {

enum class SymbolFace { None, Symbol, Wingdings };

// The symbol face a font name stands for (case, blanks and full-width letters aside).
SymbolFace symbolFaceOf(const QString& faceName);

// The character a code 0x20 to 0xFF of the face shows; other codes are returned as they are.
char32_t symbolFaceCharacter(SymbolFace face, char32_t code);

// Maps every character of `text` that is a code of the face (0x20 to 0xFF, or U+F020 to
// U+F0FF). A pictogram outside the basic plane takes two UTF-16 units: `perUnit`, when given,
// holds one value per unit of `text` and is kept in step (the second unit gets 0).
QString mapSymbolFaceText(SymbolFace face, const QString& text,
                          std::vector<double>* perUnit = nullptr);

}  // namespace zarovia
