#include "picture/metafile/FontMapping.h"

#include "platform/FontFaces.h"

#include <QFontMetricsF>
#include <algorithm>

namespace zarovia::picture::metafile {

QString substituteFamily(const QString& faceName, int charset, int pitchAndFamily) {
    return zarovia::substituteFamily(faceName, charset, pitchAndFamily);
}

QFont referenceFont(const QString& family, int weight, bool italic) {
    QFont font(family);
    font.setPixelSize(kReferencePixels);
    font.setWeight(static_cast<QFont::Weight>(weight <= 0 ? 400 : std::clamp(weight, 100, 900)));
    font.setItalic(italic);
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

void resolveFont(LogFont& f) {
    // Underline and strike-out are drawn from the metrics below, not by the font engine,
    // which places them wrongly once the painter scales the text.
    const QFont font = referenceFont(substituteFamily(f.faceName, f.charset, f.pitchAndFamily),
                                     f.weight, f.italic);
    const QFontMetricsF metrics(font);
    f.font = font;
    f.ascent = metrics.ascent();
    f.descent = metrics.descent();
    f.averageWidth = metrics.averageCharWidth();
    f.underlinePos = metrics.underlinePos();
    f.strikeOutPos = metrics.strikeOutPos();
    f.lineWidth = metrics.lineWidth();
    f.symbolFace = symbolFaceOf(f.faceName);
}

}  // namespace zarovia::picture::metafile
