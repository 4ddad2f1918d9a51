#pragma once

#include "picture/metafile/GdiObjects.h"

#include <QFont>
#include <QString>

namespace zarovia::picture::metafile {

// Fonts are built at this pixel size and scaled by the text frame, so the advances do not
// depend on hinting at small sizes.
inline constexpr int kReferencePixels = 64;

// The installed family that stands in for a Windows face name: the Japanese system faces map
// to the IPA fonts, the common Latin ones to their metric twins; an unknown face falls back
// by character set and pitch.
QString substituteFamily(const QString& faceName, int charset, int pitchAndFamily);

// A font as the players draw it: `family` at kReferencePixels, unhinted, without kerning.
QFont referenceFont(const QString& family, int weight, bool italic);

// Fills the font's QFont, its metrics at kReferencePixels and symbolFace from the LOGFONT
// fields.
void resolveFont(LogFont& font);

}  // namespace zarovia::picture::metafile
