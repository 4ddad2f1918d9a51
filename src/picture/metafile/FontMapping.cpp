#include "picture/metafile/FontMapping.h"

#include <QFontMetricsF>
#include <algorithm>
#include <array>

namespace zarovia::picture::metafile {

namespace {

struct FaceRow {
    const char* key;  // face name folded by foldFace
    const char* family;
};

// Full-width letters become ASCII, case and blanks go, so "ＭＳ Ｐゴシック", "MS PGothic" and
// "ms pgothic" meet the same row.
QString foldFace(const QString& face) {
    QString folded = face.normalized(QString::NormalizationForm_KC).toCaseFolded();
    folded.remove(QLatin1Char(' '));
    folded.remove(QChar(0x3000));
    return folded;
}

constexpr std::array kFaces{
    FaceRow{"msゴシック", "IPAGothic"},
    FaceRow{"msgothic", "IPAGothic"},
    FaceRow{"fixedsys", "IPAGothic"},
    FaceRow{"terminal", "IPAGothic"},
    FaceRow{"osaka-等幅", "IPAGothic"},
    FaceRow{"mspゴシック", "IPAPGothic"},
    FaceRow{"mspgothic", "IPAPGothic"},
    FaceRow{"msuigothic", "IPAPGothic"},
    FaceRow{"meiryo", "IPAPGothic"},
    FaceRow{"メイリオ", "IPAPGothic"},
    FaceRow{"meiryoui", "IPAPGothic"},
    FaceRow{"yugothic", "IPAPGothic"},
    FaceRow{"游ゴシック", "IPAPGothic"},
    FaceRow{"osaka", "IPAPGothic"},
    FaceRow{"system", "IPAPGothic"},
    FaceRow{"ms明朝", "IPAMincho"},
    FaceRow{"msmincho", "IPAMincho"},
    FaceRow{"msp明朝", "IPAPMincho"},
    FaceRow{"mspmincho", "IPAPMincho"},
    FaceRow{"yumincho", "IPAPMincho"},
    FaceRow{"游明朝", "IPAPMincho"},
    FaceRow{"hg行書体", "AoyagiKouzanFontT"},
    FaceRow{"arial", "Nimbus Sans"},
    FaceRow{"helvetica", "Nimbus Sans"},
    FaceRow{"mssansserif", "Nimbus Sans"},
    FaceRow{"microsoftsansserif", "Nimbus Sans"},
    FaceRow{"tahoma", "DejaVu Sans"},
    FaceRow{"verdana", "DejaVu Sans"},
    FaceRow{"segoeui", "DejaVu Sans"},
    FaceRow{"calibri", "Nimbus Sans"},
    FaceRow{"arialnarrow", "Nimbus Sans Narrow"},
    FaceRow{"timesnewroman", "Nimbus Roman"},
    FaceRow{"times", "Nimbus Roman"},
    FaceRow{"msserif", "Nimbus Roman"},
    FaceRow{"cambria", "Nimbus Roman"},
    FaceRow{"georgia", "DejaVu Serif"},
    FaceRow{"couriernew", "Nimbus Mono PS"},
    FaceRow{"courier", "Nimbus Mono PS"},
    FaceRow{"consolas", "DejaVu Sans Mono"},
    FaceRow{"lucidaconsole", "DejaVu Sans Mono"},
    FaceRow{"symbol", "DejaVu Serif"},
    FaceRow{"bookmanoldstyle", "URW Bookman"},
    FaceRow{"centurygothic", "URW Gothic"},
    FaceRow{"bookantiqua", "P052"},
    FaceRow{"palatinolinotype", "P052"},
    FaceRow{"centuryschoolbook", "C059"},
};

constexpr int FIXED_PITCH = 1;
constexpr int FF_ROMAN = 0x10;
constexpr int FF_MODERN = 0x30;

}  // namespace

QString substituteFamily(const QString& faceName, int charset, int pitchAndFamily) {
    const QString key = foldFace(faceName);
    for (const FaceRow& row : kFaces)
        if (key == QString::fromUtf8(row.key)) return QString::fromLatin1(row.family);
    const bool fixed = (pitchAndFamily & 3) == FIXED_PITCH || (pitchAndFamily & 0xF0) == FF_MODERN;
    if (charset == SHIFTJIS_CHARSET)
        return fixed ? QStringLiteral("IPAGothic") : QStringLiteral("IPAPGothic");
    if (fixed) return QStringLiteral("DejaVu Sans Mono");
    if ((pitchAndFamily & 0xF0) == FF_ROMAN) return QStringLiteral("Nimbus Roman");
    // A face installed here under its own name is used as it is.
    return faceName.isEmpty() ? QStringLiteral("DejaVu Sans") : faceName;
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
