#include "Glyphs.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace zarovia::shell {

namespace {

QPixmap renderGlyph(QSvgRenderer& renderer, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(0, 0, size, size));
    return pixmap;
}

}  // namespace

std::array<QIcon, kGlyphCount> loadGlyphs() {
    std::array<QIcon, kGlyphCount> glyphs;
    for (int i = 0; i < kGlyphCount; ++i) {
        QSvgRenderer renderer(QStringLiteral(":/glyphs/glyph%1.svg").arg(i));
        QIcon icon;
        if (renderer.isValid()) {
            // Rendered once at 1x and 2x so high-density screens stay sharp.
            icon.addPixmap(renderGlyph(renderer, 16));
            QPixmap large = renderGlyph(renderer, 32);
            large.setDevicePixelRatio(2.0);
            icon.addPixmap(large);
        }
        glyphs[static_cast<size_t>(i)] = icon;
    }
    return glyphs;
}

}  // namespace zarovia::shell
