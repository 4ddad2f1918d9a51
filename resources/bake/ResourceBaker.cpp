// Bakes the pictures the window shows at once into pixel arrays compiled into the program: the
// tool-bar glyphs drawn from their SVG sources at 16 and 32 pixels, and the program icon at 32
// and 64 pixels. The window then shows them without the SVG renderer or Qt's image-format
// plug-ins.
//   zarovia_resource_baker OUTPUT.cpp GLYPH_DIR ICON32.png ICON64.png
#include "shell/Commands.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>
#include <cstdio>

namespace {

QImage renderGlyph(const QString& path, int size) {
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) return {};
    // The same drawing the window does from the source: onto a transparent premultiplied raster.
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(0, 0, size, size));
    return image;
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

QString entry(const QString& name, const QImage& image) {
    return QStringLiteral("{%1, %2, %3}").arg(image.width()).arg(image.height()).arg(name);
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
    for (int i = 0; i < zarovia::shell::kGlyphCount; ++i) {
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
    text << "// Made by zarovia_resource_baker from resources/glyphs and resources/icon; not "
            "edited.\n"
         << "#include \"window/BakedPixels.h\"\n\n"
         << "namespace zarovia::window::baked {\n\n"
         << "namespace {\n\n"
         << body << "\n}  // namespace\n\n"
         << "const BakedImage kGlyphs[shell::kGlyphCount] = {" << small.join(QStringLiteral(", "))
         << "};\n"
         << "const BakedImage kGlyphsDoubleDensity[shell::kGlyphCount] = {"
         << large.join(QStringLiteral(", ")) << "};\n"
         << "const BakedImage kProgramIcon32 = " << entry(QStringLiteral("icon32"), icon32) << ";\n"
         << "const BakedImage kProgramIcon64 = " << entry(QStringLiteral("icon64"), icon64)
         << ";\n\n"
         << "}  // namespace zarovia::window::baked\n";
    return text.status() == QTextStream::Ok && file.flush() ? 0 : 1;
}
