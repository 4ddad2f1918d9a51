#include "platform/FontFaces.h"

#include <array>

namespace zarovia {

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

// The fallbacks substituteFamily answers when no row matches.
constexpr std::array kFallbacks{"IPAGothic", "IPAPGothic", "DejaVu Sans Mono", "Nimbus Roman",
                                "DejaVu Sans"};

constexpr std::array kWindowFaces{
    WindowFace{"ＭＳ Ｐゴシック", "IPAPGothic"}, WindowFace{"ＭＳ Ｐ明朝", "IPAPMincho"},
    WindowFace{"HG行書体", "AoyagiKouzanFontT"}, WindowFace{"FixedSys", "IPAGothic"},
    WindowFace{"ＭＳ ゴシック", "IPAGothic"},    WindowFace{"ＭＳ 明朝", "IPAMincho"},
};

constexpr int SHIFTJIS_CHARSET = 128;
constexpr int FIXED_PITCH = 1;
constexpr int FF_ROMAN = 0x10;
constexpr int FF_MODERN = 0x30;

}  // namespace

QString substituteFamily(const QString& faceName, int charset, int pitchAndFamily) {
    const QString key = foldFace(faceName);
    for (const FaceRow& row : kFaces)
        if (key == QString::fromUtf8(row.key)) return QString::fromLatin1(row.family);
    const bool fixed = pitchAndFamily > 0 && ((pitchAndFamily & 3) == FIXED_PITCH ||
                                              (pitchAndFamily & 0xF0) == FF_MODERN);
    if (charset == SHIFTJIS_CHARSET)
        return fixed ? QStringLiteral("IPAGothic") : QStringLiteral("IPAPGothic");
    if (fixed) return QStringLiteral("DejaVu Sans Mono");
    if (pitchAndFamily > 0 && (pitchAndFamily & 0xF0) == FF_ROMAN)
        return QStringLiteral("Nimbus Roman");
    // A face installed here under its own name is used as it is.
    return faceName.isEmpty() ? QStringLiteral("DejaVu Sans") : faceName;
}

QStringList substitutedFamilies() {
    QStringList families;
    const auto add = [&families](const char* family) {
        const QString name = QString::fromUtf8(family);
        if (!families.contains(name)) families.append(name);
    };
    for (const FaceRow& row : kFaces) add(row.family);
    for (const char* family : kFallbacks) add(family);
    for (const WindowFace& face : kWindowFaces) add(face.family);
    return families;
}

const WindowFace* windowFaces(int* count) {
    *count = static_cast<int>(kWindowFaces.size());
    return kWindowFaces.data();
}

}  // namespace zarovia
