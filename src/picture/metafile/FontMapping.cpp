#include "picture/metafile/FontMapping.h"

#include "platform/FontFaces.h"

#include <QFontMetricsF>
#include <algorithm>

namespace zarovia::picture::metafile {

namespace {

// Full-width letters become ASCII, case and blanks go (as the face table folds them).
QString foldFace(const QString& face) {
    QString folded = face.normalized(QString::NormalizationForm_KC).toCaseFolded();
    folded.remove(QLatin1Char(' '));
    folded.remove(QChar(0x3000));
    return folded;
}

}  // namespace

QString substituteFamily(const QString& faceName, int charset, int pitchAndFamily) {
    return zarovia::substituteFamily(faceName, charset, pitchAndFamily);
}

void resolveFont(LogFont& f) {
    QFont font(substituteFamily(f.faceName, f.charset, f.pitchAndFamily));
    font.setPixelSize(kReferencePixels);
    const int weight = f.weight <= 0 ? 400 : std::clamp(f.weight, 100, 900);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikeOut);
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    const QFontMetricsF metrics(font);
    f.font = font;
    f.ascent = metrics.ascent();
    f.descent = metrics.descent();
    f.averageWidth = metrics.averageCharWidth();
    f.symbolGlyphs = foldFace(f.faceName) == QLatin1String("symbol");
}

}  // namespace zarovia::picture::metafile
