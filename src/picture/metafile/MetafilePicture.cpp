#include "picture/metafile/MetafilePicture.h"

#include "picture/metafile/Metafile.h"
#include "picture/metafile/PainterCanvas.h"

#include "picture/MemoryBudget.h"

#include <QCoreApplication>
#include <QPaintDevice>
#include <QPainter>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <exception>
#include <optional>

namespace zarovia::picture {

namespace metafile {

QTransform frameToTarget(const QRectF& frame, const QRectF& target) {
    const double sx = target.width() / frame.width();
    const double sy = target.height() / frame.height();
    return QTransform(sx, 0, 0, sy, target.left() - frame.left() * sx,
                      target.top() - frame.top() * sy);
}

bool MetafilePictureData::preparable(QSize devicePixels) const {
    return !devicePixels.isEmpty() && !parsed_.deviceFrame.isEmpty() &&
           fitsBudget(devicePixels.width(), devicePixels.height(), 4, kPictureBudgetBytes);
}

bool MetafilePictureData::isPreparedFor(QSize devicePixels) const {
    if (!preparable(devicePixels)) return true;
    const std::lock_guard lock(preparing_);
    return prepared_.size() == devicePixels;
}

void MetafilePictureData::prepare(QSize devicePixels) const {
    if (!preparable(devicePixels)) return;
    {
        const std::lock_guard lock(preparing_);
        if (prepared_.size() == devicePixels) return;
    }
    const std::int64_t bytes = rasterBytes(devicePixels.width(), devicePixels.height(), 4);
    if (!pixels_.reserve(bytes)) return;
    QImage image(devicePixels, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        pixels_.release(bytes);
        return;
    }
    image.fill(Qt::transparent);
    try {
        QPainter painter(&image);
        draw(painter, QRectF(QPointF(0, 0), QSizeF(devicePixels)));
    } catch (...) {
        // A draw for a picture no longer wanted stops at a checkpoint: its pixels go.
        pixels_.release(bytes);
        throw;
    }
    std::int64_t replaced = 0;
    {
        const std::lock_guard lock(preparing_);
        if (!prepared_.isNull()) replaced = prepared_.sizeInBytes();
        prepared_ = std::move(image);
    }
    pixels_.release(replaced);
}

void MetafilePictureData::draw(QPainter& painter, const QRectF& target) const {
    if (target.isEmpty() || parsed_.deviceFrame.isEmpty()) return;
    const QPaintDevice* device = painter.device();
    const bool onScreen = device && device->devType() == QInternal::Widget;
    if (painter.worldTransform().type() <= QTransform::TxTranslate || onScreen) {
        const qreal ratio = device ? device->devicePixelRatioF() : 1.0;
        const QSize pixels = (target.size() * ratio).toSize();
        QImage prepared;
        {
            const std::lock_guard lock(preparing_);
            prepared = prepared_;
        }
        if (!prepared.isNull() && prepared.size() == pixels &&
            painter.worldTransform().type() <= QTransform::TxTranslate) {
            prepared.setDevicePixelRatio(ratio);
            painter.drawImage(target.topLeft(), prepared);
            return;
        }
        if (onScreen) {
            // Pixels for this size are on their way: the previous ones, scaled, meanwhile.
            if (!prepared.isNull()) {
                painter.save();
                painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
                painter.drawImage(target, prepared);
                painter.restore();
            }
            return;
        }
    }
    const std::lock_guard lock(drawing_);
    if (!glyphs_) glyphs_ = std::make_unique<GlyphCache>(parsed_.list.texts().size());
    // Another thread lays the glyphs out for this draw only.
    std::optional<GlyphCache> ownGlyphs;
    if (!glyphs_->servesThisThread()) ownGlyphs.emplace(parsed_.list.texts().size());
    try {
        PainterCanvas canvas(painter, frameToTarget(parsed_.deviceFrame, target), target,
                             ownGlyphs ? *ownGlyphs : *glyphs_, parsed_.deviceFrame);
        parsed_.list.play(canvas);
        lastPlay_ = canvas.report();
        const QCoreApplication* application = QCoreApplication::instance();
        if (application && QThread::currentThread() == application->thread())
            ++applicationThreadPlays_;
    } catch (const std::exception&) {
        // Drawing never fails: a step the painter cannot take leaves the rest undrawn.
    }
}

QImage MetafilePictureData::toImage() const {
    return toImageCovering(parsed_.naturalSize);
}

QImage MetafilePictureData::toImageCovering(QSize devicePixels) const {
    // Drawn at the size asked for, made smaller with its proportions kept when that would not
    // fit the picture budget (a metafile may declare up to 32767 pixels a side).
    QSize size = devicePixels.isEmpty() ? parsed_.naturalSize : devicePixels;
    if (size.isEmpty()) return {};
    const std::int64_t bytes = rasterBytes(size.width(), size.height(), 4);
    if (bytes < 0 || bytes > kPictureBudgetBytes) {
        const double shrink =
            std::sqrt(double(kPictureBudgetBytes) / (4.0 * size.width() * size.height()));
        size = QSize(std::max(1, int(size.width() * shrink)),
                     std::max(1, int(size.height() * shrink)));
    }
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return image;
    image.fill(Qt::transparent);
    QPainter painter(&image);
    draw(painter, QRectF(QPointF(0, 0), QSizeF(image.size())));
    painter.end();
    return image;
}

}  // namespace metafile

Picture decodeWmf(const QByteArray& bytes) {
    return Picture(
        std::make_shared<const metafile::MetafilePictureData>(metafile::parseWmf(bytes)));
}

Picture decodeEmf(const QByteArray& bytes) {
    return Picture(
        std::make_shared<const metafile::MetafilePictureData>(metafile::parseEmf(bytes)));
}

}  // namespace zarovia::picture
