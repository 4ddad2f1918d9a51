#include "picture/jpeg/JpegPictureData.h"

#include "picture/MemoryBudget.h"
#include "picture/jpeg/DctScale.h"
#include "picture/jpeg/ExifOrientation.h"
#include "picture/jpeg/JpegSession.h"
#include "platform/Cancellation.h"
#include "platform/Failure.h"

#include <jerror.h>
#include <QPaintDevice>
#include <QPainter>
#include <QTransform>
#include <cmath>
#include <optional>

namespace zarovia::picture::jpeg {

namespace {

// The target's size in device pixels when the painter only scales and translates.
QSize devicePixelsOf(const QPainter& painter, const QRectF& target) {
    const QRectF mapped = painter.deviceTransform().mapRect(target);
    return QSize(static_cast<int>(std::lround(mapped.width())),
                 static_cast<int>(std::lround(mapped.height())));
}

}  // namespace

JpegPictureData::JpegPictureData(QByteArray bytes, JpegHeader header, Reopen reopen)
    : header_(header), reopen_(std::move(reopen)), bytes_(std::move(bytes)) {}

int JpegPictureData::screenScaleDenominator(QSize devicePixels) const {
    return scaleDenominatorWithinBudget(
        header_.codedSize, coveringScaleDenominator(header_.uprightSize(), devicePixels),
        kPictureBudgetBytes);
}

QByteArray JpegPictureData::heldBytes() const {
    const std::lock_guard lock(mutex_);
    return bytes_;
}

JpegInput JpegPictureData::input() const {
    {
        const std::lock_guard lock(mutex_);
        if (!bytes_.isEmpty()) return bytes_;
    }
    if (!reopen_) throw Failure(jpegErrorText(JERR_INPUT_EMPTY));
    return reopen_();
}

bool JpegPictureData::screenCovers(QSize devicePixels, int denominator) const {
    if (screenDenominator_ == 0) return false;
    // A shrunk decode serves its own size and smaller ones; a whole one any size its scale
    // covers.
    if (!screenFittedTo_.isEmpty())
        return screenFittedTo_.width() >= devicePixels.width() &&
               screenFittedTo_.height() >= devicePixels.height();
    return screenDenominator_ <= denominator;
}

void JpegPictureData::decodeCovering(QSize devicePixels, const FirstLookSink& firstLook) const {
    const int denominator = screenScaleDenominator(devicePixels);
    const auto covered = [&] { return screenCovers(devicePixels, denominator); };
    {
        const std::lock_guard lock(mutex_);
        // A decode at the same or a larger scale serves a smaller request too. A file that
        // could not be read again keeps the decode it has.
        if (covered() || rereadFailed_) return;
    }
    std::optional<JpegInput> source;
    try {
        source.emplace(input());
    } catch (const WorkCancelled&) {
        throw;
    } catch (...) {
        const std::lock_guard lock(mutex_);
        rereadFailed_ = true;
        // Gone before its first decode: a read error, reported as any decode's failure.
        if (screenDenominator_ == 0) {
            screenDenominator_ = denominator;
            screenFailure_ = JERR_FILE_READ;
        }
        return;
    }
    // Only what is shown is kept: a decode larger than the size asked for is shrunk to it,
    // row by row as it comes out.
    const QSize whole =
        orientedSize(scaledOutputSize(header_.codedSize, denominator), header_.orientation);
    const bool shrink = !devicePixels.isEmpty() && devicePixels.width() <= whole.width() &&
                        devicePixels.height() <= whole.height() && devicePixels != whole;
    DecodedJpeg decoded =
        shrink ? decodeJpegFitted(*source, header_, denominator, devicePixels,
                                  OnFailure::KeepPartial, firstLook)
               : decodeJpeg(*source, header_, denominator, OnFailure::KeepPartial, firstLook);
    const std::lock_guard lock(mutex_);
    if (covered()) return;  // a covering decode arrived meanwhile
    screenDecoded_ = std::move(decoded.image);
    screenFailure_ = decoded.failureCode;
    screenDenominator_ = denominator;
    screenFittedTo_ = shrink ? devicePixels : QSize();
    scaled_ = QImage();
    ++decodeCount_;
    lastCost_ = {decoded.blockVisits, decoded.stoppedAtWorkCap, decoded.workingPeakBytes};
    // Decoded whole: the pixels are what is kept; the file serves any later decode.
    if (reopen_ && decoded.failureCode == 0) bytes_ = QByteArray();
}

QImage JpegPictureData::scaledTo(QSize devicePixels) const {
    if (screenDecoded_.isNull()) return QImage();  // no memory for the decode
    // A target too large for a scaled copy (a printer page drawn directly) gets the decode
    // itself, and the painter resamples.
    if (!fitsBudget(devicePixels.width(), devicePixels.height(), 4, kPictureBudgetBytes))
        return screenDecoded_;
    if (scaled_.isNull() || scaled_.size() != devicePixels) {
        scaled_ = screenDecoded_.size() == devicePixels
                      ? screenDecoded_
                      : screenDecoded_.scaled(devicePixels, Qt::IgnoreAspectRatio,
                                              Qt::SmoothTransformation);
        ++rescaleCount_;
    }
    return scaled_;
}

void JpegPictureData::draw(QPainter& painter, const QRectF& target) const {
    if (target.isEmpty()) return;
    const bool plainScale = painter.deviceTransform().type() <= QTransform::TxScale;
    const QSize devicePixels = devicePixelsOf(painter, target);
    if (devicePixels.isEmpty()) return;
    bool decodedAlready = false;
    {
        const std::lock_guard lock(mutex_);
        decodedAlready = screenDenominator_ != 0;
    }
    if (!decodedAlready) decodeCovering(devicePixels);
    QImage image;
    {
        const std::lock_guard lock(mutex_);
        // Under a rotation or shear the painter resamples anyway: hand it the decode itself.
        image = plainScale ? scaledTo(devicePixels) : screenDecoded_;
    }
    if (image.isNull()) return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(target, image);
    painter.restore();
}

bool JpegPictureData::isPreparedFor(QSize devicePixels) const {
    if (devicePixels.isEmpty()) return true;
    const int denominator = screenScaleDenominator(devicePixels);
    const std::lock_guard lock(mutex_);
    return screenCovers(devicePixels, denominator) || rereadFailed_;
}

void JpegPictureData::prepare(QSize devicePixels) const {
    (void)prepareForDisplay(devicePixels);
}

void JpegPictureData::prepareWithFirstLook(QSize devicePixels,
                                           const FirstLookSink& firstLook) const {
    (void)prepareForDisplay(devicePixels, firstLook);
}

int JpegPictureData::prepareForDisplay(QSize devicePixels, const FirstLookSink& firstLook) const {
    decodeCovering(devicePixels, firstLook);
    const std::lock_guard lock(mutex_);
    if (!devicePixels.isEmpty()) (void)scaledTo(devicePixels);
    return screenFailure_;
}

QImage JpegPictureData::finishedScreenDecodeAt(int denominator) const {
    const std::lock_guard lock(mutex_);
    if (screenDenominator_ == denominator && screenFittedTo_.isEmpty() && screenFailure_ == 0)
        return screenDecoded_;
    return QImage();
}

QImage JpegPictureData::toImage() const {
    if (QImage screen = finishedScreenDecodeAt(1); !screen.isNull()) return screen;
    // Decoded without the lock, so the screen can go on drawing from its own decode.
    DecodedJpeg full = decodeJpeg(input(), header_, 1, OnFailure::Discard);
    if (full.failureCode != 0) throw Failure(jpegErrorText(full.failureCode));
    return std::move(full.image);
}

QImage JpegPictureData::toImageCovering(QSize devicePixels) const {
    const int denominator = screenScaleDenominator(devicePixels);
    if (QImage screen = finishedScreenDecodeAt(denominator); !screen.isNull()) return screen;
    DecodedJpeg decoded = decodeJpeg(input(), header_, denominator, OnFailure::Discard);
    if (decoded.failureCode != 0) throw Failure(jpegErrorText(decoded.failureCode));
    return std::move(decoded.image);
}

JpegPictureData::ScreenState JpegPictureData::screenState() const {
    const std::lock_guard lock(mutex_);
    ScreenState state;
    state.scaleDenominator = screenDenominator_;
    state.decodedSize = screenDecoded_.size();
    state.scaledSize = scaled_.size();
    state.decodeCount = decodeCount_;
    state.rescaleCount = rescaleCount_;
    state.failureCode = screenFailure_;
    state.pixelBytes = screenDecoded_.sizeInBytes();
    state.blockVisits = lastCost_.blockVisits;
    state.stoppedAtWorkCap = lastCost_.stoppedAtWorkCap;
    state.workingPeakBytes = lastCost_.workingPeakBytes;
    if (scaled_.cacheKey() != screenDecoded_.cacheKey()) state.pixelBytes += scaled_.sizeInBytes();
    return state;
}

}  // namespace zarovia::picture::jpeg
