#include "shell/Glyphs.h"

#include "shell/BakedPixels.h"

#include <QImage>

namespace zarovia::shell {

namespace {

QPixmap pixmapOf(const baked::BakedImage& baked, qreal devicePixelRatio = 1.0) {
    // The image only borrows the baked pixels; the pixmap takes its own copy.
    const QImage image(reinterpret_cast<const uchar*>(baked.pixels), baked.width, baked.height,
                       baked.width * 4, QImage::Format_ARGB32_Premultiplied);
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

}  // namespace

std::array<QIcon, kGlyphCount> loadGlyphs() {
    std::array<QIcon, kGlyphCount> glyphs;
    for (int i = 0; i < kGlyphCount; ++i) {
        QIcon icon;
        icon.addPixmap(pixmapOf(baked::kGlyphs[i]));
        icon.addPixmap(pixmapOf(baked::kGlyphsDoubleDensity[i], 2.0));
        glyphs[static_cast<size_t>(i)] = icon;
    }
    return glyphs;
}

QIcon programIcon() {
    return QIcon(pixmapOf(baked::kProgramIcon32));
}

QPixmap programEmblem() {
    return pixmapOf(baked::kProgramIcon64);
}

}  // namespace zarovia::shell
