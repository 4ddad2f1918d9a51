#include "window/Glyphs.h"

#include "window/BakedPixels.h"

#include <QApplication>
#include <QHash>
#include <QIconEngine>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <cmath>

namespace zarovia::window {

namespace {

constexpr int kBakedSizes[] = {kGlyphSize, 2 * kGlyphSize};

// The image only borrows the baked pixels.
QImage imageOf(const baked::BakedImage& baked) {
    return QImage(reinterpret_cast<const uchar*>(baked.pixels), baked.width, baked.height,
                  baked.width * 4, QImage::Format_ARGB32_Premultiplied);
}

QPixmap pixmapOf(const baked::BakedImage& baked) {
    return QPixmap::fromImage(imageOf(baked));
}

// One glyph at any density: from a baked picture at or above the size wanted, else from its
// source. Disabled and selected looks are the style's, made from the normal one.
class GlyphIconEngine final : public QIconEngine {
public:
    explicit GlyphIconEngine(int index) : index_(index) {}

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }

    // Before Qt 6.8, QIcon asks for the size in device pixels; from 6.8 on, in pixels.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State,
                         [[maybe_unused]] qreal scale) override {
#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
        const QSize device = size;
#else
        const QSize device(qRound(size.width() * scale), qRound(size.height() * scale));
#endif
        const int side = std::max(1, std::min(device.width(), device.height()));
        const quint64 key = (quint64(side) << 8) | quint64(mode);
        if (const auto cached = cache_.constFind(key); cached != cache_.constEnd()) return *cached;
        QPixmap made = QPixmap::fromImage(glyphAt(side));
        if (mode != QIcon::Normal && mode != QIcon::Active && qApp) {
            QStyleOption option;
            option.palette = QApplication::palette();
            made = QApplication::style()->generatedIconPixmap(mode, made, &option);
        }
        cache_.insert(key, made);
        return made;
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
        const int side = std::min(rect.width(), rect.height());
        QPixmap glyph = scaledPixmap(QSize(side, side) * ratio, mode, state, ratio);
        glyph.setDevicePixelRatio(ratio);
        const QPoint at =
            rect.topLeft() + QPoint((rect.width() - side) / 2, (rect.height() - side) / 2);
        painter->drawPixmap(at, glyph);
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        const int side = std::min(size.width(), size.height());
        return QSize(side, side);
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        return {QSize(kGlyphSize, kGlyphSize)};
    }

    QIconEngine* clone() const override {
        return new GlyphIconEngine(*this);
    }
    QString key() const override {
        return QStringLiteral("zarovia-glyph");
    }

private:
    QImage glyphAt(int side) const {
        const int from = bakedGlyphSizeFor(side);
        if (from == 0) return renderGlyphSource(index_, side);
        const QImage source = imageOf(from == kGlyphSize ? baked::kGlyphs[index_]
                                                         : baked::kGlyphsDoubleDensity[index_]);
        if (from == side) return source.copy();
        return source.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }

    int index_;
    QHash<quint64, QPixmap> cache_;
};

}  // namespace

int bakedGlyphSizeFor(int devicePixels) {
    for (const int size : kBakedSizes)
        if (size >= devicePixels) return size;
    return 0;
}

QImage renderGlyphSource(int index, int devicePixels) {
    // Qt's SVG image plug-in, loaded only when a glyph is first wanted this large.
    QImageReader reader(QStringLiteral(":/glyphs/glyph%1.svg").arg(index), "svg");
    reader.setScaledSize(QSize(devicePixels, devicePixels));
    QImage image = reader.read();
    if (image.isNull()) {
        // Without the plug-in: the largest baked picture, scaled, rather than nothing.
        return imageOf(baked::kGlyphsDoubleDensity[index])
            .scaled(devicePixels, devicePixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

std::array<QIcon, shell::kGlyphCount> loadGlyphs() {
    std::array<QIcon, shell::kGlyphCount> glyphs;
    for (int i = 0; i < shell::kGlyphCount; ++i)
        glyphs[static_cast<size_t>(i)] = QIcon(new GlyphIconEngine(i));
    return glyphs;
}

QIcon programIcon() {
    return QIcon(pixmapOf(baked::kProgramIcon32));
}

QPixmap programEmblem() {
    return pixmapOf(baked::kProgramIcon64);
}

}  // namespace zarovia::window
