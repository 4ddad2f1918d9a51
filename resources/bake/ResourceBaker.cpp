// Bakes the pictures the window shows at once into pixel arrays compiled into the program: the
// tool-bar glyphs drawn from their SVG sources at 16 and 32 pixels, the tool bar's fixed texts
// and the glyphs of its number fields in the window's Gothic face at 1 and 2 device pixels per
// pixel, and the program icon at 32 and 64 pixels. The window then starts without the SVG
// renderer, Qt's image-format plug-ins or, showing a picture, any font at all.
//   zarovia_resource_baker OUTPUT.cpp GLYPH_DIR ICON32.png ICON64.png
#include "platform/FontFaces.h"
#include "shell/BakedLabels.h"

#include <QFile>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>
#include <cstdio>
#include <optional>

namespace {

constexpr int kGlyphCount = 10;

QImage renderGlyph(const QString& path, int size) {
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) return {};
    // The same drawing the window did at run time: onto a transparent premultiplied raster.
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(0, 0, size, size));
    return image;
}

// The window's Gothic face at `pixelSize`; an empty font (and a message) when its family is not
// installed.
std::optional<QFont> gothicFont(int pixelSize) {
    const QString face = QString::fromUtf8(zarovia::shell::kBakedLabelFace);
    QString family;
    int count = 0;
    const zarovia::WindowFace* faces = zarovia::windowFaces(&count);
    for (int i = 0; i < count; ++i)
        if (face == QString::fromUtf8(faces[i].face)) family = QString::fromUtf8(faces[i].family);
    QFont font(family);
    font.setPixelSize(pixelSize);
    if (family.isEmpty() || QFontInfo(font).family() != family) {
        std::fprintf(stderr, "the font family %s is not installed (see scripts/packages.txt)\n",
                     qPrintable(family));
        return std::nullopt;
    }
    return font;
}

// The text as the window would draw it in a label: black on transparent, the line's height,
// the text's advance wide. Empty when the face's family is not installed.
// Drawn as the window draws it on a screen of `density` device pixels per pixel: the font at
// its size in pixels, onto a picture of that density (the engine scales the glyphs).
QImage renderText(const zarovia::shell::BakedLabelText& label, int density) {
    const std::optional<QFont> font = gothicFont(label.pixelSize);
    if (!font) return {};
    const QString text = QString::fromUtf8(label.utf8);
    const QFontMetrics metrics(*font);
    const QSize size(metrics.horizontalAdvance(text), metrics.height());
    QImage image(size * density, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(density);
    QPainter painter(&image);
    painter.setFont(*font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(QPoint(0, 0), size), Qt::AlignLeft | Qt::AlignTop, text);
    return image;
}

std::optional<QFont> digitFont() {
    std::optional<QFont> font = gothicFont(zarovia::shell::kBakedDigitPixelSize);
    if (font) font->setBold(true);
    return font;
}

QString digitChar(std::size_t index) {
    return QString(QLatin1Char(zarovia::shell::kBakedDigitChars[index]));
}

int in64ths(qreal value) {
    return qRound(value * 64);
}

bool inkOnBorder(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((x == 0 || y == 0 || x + 1 == image.width() || y + 1 == image.height()) &&
                qAlpha(image.pixel(x, y)) != 0)
                return true;
    return false;
}

// The number fields' font metrics at one pixel per pixel. Fails when the face sets a pair of
// these characters closer or wider than their advances (kerning), or when a glyph reaches
// outside the line: the window sets numbers from advances and the line's height alone.
std::optional<QString> digitFontEntry() {
    const std::optional<QFont> font = digitFont();
    if (!font) return std::nullopt;
    const QFontMetricsF exact(*font);
    const QFontMetrics whole(*font);
    QStringList advances;
    QString all;
    for (std::size_t i = 0; i < zarovia::shell::kBakedDigitCount; ++i) {
        const QString a = digitChar(i);
        all += a;
        advances << QString::number(in64ths(exact.horizontalAdvance(a)));
        for (std::size_t j = 0; j < zarovia::shell::kBakedDigitCount; ++j) {
            const QString b = digitChar(j);
            if (in64ths(exact.horizontalAdvance(a + b)) !=
                in64ths(exact.horizontalAdvance(a)) + in64ths(exact.horizontalAdvance(b))) {
                std::fprintf(stderr, "the number font kerns %s\n", qPrintable(a + b));
                return std::nullopt;
            }
        }
    }
    if (whole.boundingRect(all).height() > whole.height()) {
        std::fprintf(stderr, "the number glyphs reach outside their line\n");
        return std::nullopt;
    }
    return QStringLiteral("{%1, %2, {%3}, %4}")
        .arg(in64ths(exact.ascent()))
        .arg(in64ths(exact.descent()))
        .arg(advances.join(QStringLiteral(", ")))
        .arg(whole.height());
}

QImage readIcon(const QString& path) {
    QImage image(path);
    return image.isNull() ? image : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

void writeArray(QTextStream& out, const QString& name, const QImage& image) {
    out << "alignas(16) const std::uint32_t " << name << "[] = {";
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((y * image.width() + x) % 8 == 0) out << "\n    ";
            out << QStringLiteral("0x%1,").arg(row[x], 8, 16, QLatin1Char('0'));
        }
    }
    out << "\n};\n";
}

// Only the coverage: a number glyph is black on transparent, so its alpha is all it holds.
void writeCoverage(QTextStream& out, const QString& name, const QImage& image) {
    out << "const std::uint8_t " << name << "[] = {";
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            if ((y * image.width() + x) % 16 == 0) out << "\n    ";
            out << qAlpha(image.pixel(x, y)) << ',';
        }
    out << "\n};\n";
}

QString entry(const QString& name, const QImage& image) {
    return QStringLiteral("{%1, %2, %3}").arg(image.width()).arg(image.height()).arg(name);
}

// Every number glyph at `density` at its four pen positions, each alone in a picture with room
// around it; the pictures' arrays go to `out`, and their table is returned.
std::optional<QString> bakeDigitGlyphs(QTextStream& out, int density) {
    // Drawn as the window draws them on such a screen: the font at its size in pixels, onto a
    // picture of `density` device pixels per pixel (the engine scales the glyphs).
    const std::optional<QFont> font = digitFont();
    if (!font) return std::nullopt;
    const QFontMetricsF metrics(*font);
    const int room = 4 * density;
    const int baselineRow = room + qCeil(metrics.ascent() * density);
    const int height = baselineRow + qCeil(metrics.descent() * density) + room;
    QStringList rows;
    for (std::size_t i = 0; i < zarovia::shell::kBakedDigitCount; ++i) {
        QStringList positions;
        for (int q = 0; q < zarovia::shell::kBakedDigitPenPositions; ++q) {
            const int width =
                room + qCeil(metrics.horizontalAdvance(digitChar(i)) * density) + room;
            QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            image.setDevicePixelRatio(density);
            {
                QPainter painter(&image);
                painter.setFont(*font);
                painter.setPen(Qt::black);
                const qreal penColumn = room + qreal(q) / zarovia::shell::kBakedDigitPenPositions;
                painter.drawText(QPointF(penColumn / density, qreal(baselineRow) / density),
                                 digitChar(i));
            }
            if (inkOnBorder(image)) {
                std::fprintf(stderr, "the glyph %s overflows its picture\n",
                             qPrintable(digitChar(i)));
                return std::nullopt;
            }
            const QString name = QStringLiteral("digit%1p%2x%3").arg(i).arg(q).arg(density);
            writeCoverage(out, name, image);
            positions << entry(name, image);
        }
        rows << QStringLiteral("{%1}").arg(positions.join(QStringLiteral(", ")));
    }
    return QStringLiteral("{%1, %2, {%3}}")
        .arg(room)
        .arg(baselineRow)
        .arg(rows.join(QStringLiteral(",\n    ")));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s OUTPUT.cpp GLYPH_DIR ICON32.png ICON64.png\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString glyphDir = QString::fromLocal8Bit(argv[2]);

    QString body;
    QTextStream out(&body);
    QStringList small, large;
    for (int i = 0; i < kGlyphCount; ++i) {
        const QString source = QStringLiteral("%1/glyph%2.svg").arg(glyphDir).arg(i);
        const QImage x1 = renderGlyph(source, 16);
        const QImage x2 = renderGlyph(source, 32);
        if (x1.isNull() || x2.isNull()) {
            std::fprintf(stderr, "cannot draw %s\n", qPrintable(source));
            return 1;
        }
        writeArray(out, QStringLiteral("glyph%1x1").arg(i), x1);
        writeArray(out, QStringLiteral("glyph%1x2").arg(i), x2);
        small << entry(QStringLiteral("glyph%1x1").arg(i), x1);
        large << entry(QStringLiteral("glyph%1x2").arg(i), x2);
    }
    QStringList labels, labelsLarge;
    for (std::size_t i = 0; i < zarovia::shell::kBakedLabelCount; ++i) {
        const QImage x1 = renderText(zarovia::shell::kBakedLabelTexts[i], 1);
        const QImage x2 = renderText(zarovia::shell::kBakedLabelTexts[i], 2);
        if (x1.isNull() || x2.isNull()) return 1;
        writeArray(out, QStringLiteral("label%1x1").arg(i), x1);
        writeArray(out, QStringLiteral("label%1x2").arg(i), x2);
        labels << entry(QStringLiteral("label%1x1").arg(i), x1);
        labelsLarge << entry(QStringLiteral("label%1x2").arg(i), x2);
    }
    const std::optional<QString> digitFontTable = digitFontEntry();
    const std::optional<QString> digits = bakeDigitGlyphs(out, 1);
    const std::optional<QString> digitsDense = bakeDigitGlyphs(out, 2);
    if (!digitFontTable || !digits || !digitsDense) return 1;
    const QImage icon32 = readIcon(QString::fromLocal8Bit(argv[3]));
    const QImage icon64 = readIcon(QString::fromLocal8Bit(argv[4]));
    if (icon32.isNull() || icon64.isNull()) {
        std::fprintf(stderr, "cannot read the program icon\n");
        return 1;
    }
    writeArray(out, QStringLiteral("icon32"), icon32);
    writeArray(out, QStringLiteral("icon64"), icon64);

    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    QTextStream text(&file);
    text << "// Made by zarovia_resource_baker from resources/glyphs, resources/icon and the "
            "window's Gothic font; not edited.\n"
         << "#include \"shell/BakedPixels.h\"\n\n"
         << "namespace zarovia::shell::baked {\n\n"
         << "static_assert(kGlyphCount == " << kGlyphCount
         << ", \"one baked glyph per tool-bar glyph\");\n\nnamespace {\n\n"
         << body << "\n}  // namespace\n\n"
         << "const BakedImage kGlyphs[kGlyphCount] = {" << small.join(QStringLiteral(", "))
         << "};\n"
         << "const BakedImage kGlyphsDoubleDensity[kGlyphCount] = {"
         << large.join(QStringLiteral(", ")) << "};\n"
         << "const BakedImage kLabels[kBakedLabelCount] = {" << labels.join(QStringLiteral(", "))
         << "};\n"
         << "const BakedImage kLabelsDoubleDensity[kBakedLabelCount] = {"
         << labelsLarge.join(QStringLiteral(", ")) << "};\n"
         << "const BakedDigitFont kDigitFont = " << *digitFontTable << ";\n"
         << "const BakedDigitGlyphs kDigitGlyphs = " << *digits << ";\n"
         << "const BakedDigitGlyphs kDigitGlyphsDoubleDensity = " << *digitsDense << ";\n"
         << "const BakedImage kProgramIcon32 = " << entry(QStringLiteral("icon32"), icon32) << ";\n"
         << "const BakedImage kProgramIcon64 = " << entry(QStringLiteral("icon64"), icon64)
         << ";\n\n"
         << "}  // namespace zarovia::shell::baked\n";
    return text.status() == QTextStream::Ok && file.flush() ? 0 : 1;
}
