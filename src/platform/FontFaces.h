#pragma once

#include <QString>
#include <QStringList>

namespace zarovia {

// The installed family that stands in for a Windows face name, for metafiles and rich text
// alike: the Japanese system faces map to the IPA fonts, the common Latin ones to their metric
// twins; an unknown face falls back by character set and pitch (`charset` 128 is Shift-JIS,
// `pitchAndFamily` the LOGFONT byte; -1 and 0 when unknown).
QString substituteFamily(const QString& faceName, int charset, int pitchAndFamily);

// Every family the face table and its fallbacks can answer, and the window's own fonts: what
// the install lists must provide.
QStringList substitutedFamilies();

// The window definition's face names and the installed families that stand in for them.
struct WindowFace {
    const char* face;
    const char* family;
};
const WindowFace* windowFaces(int* count);

}  // namespace zarovia
