#include "picture/jpeg/JpegPictureData.h"

#include "picture/MemoryBudget.h"
#include "picture/colour/DisplayColour.h"
#include "picture/jpeg/DctScale.h"
#include "picture/jpeg/ExifOrientation.h"
#include "picture/jpeg/JpegDecode.h"
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
    : header_(header), source_(std::move(bytes), std::move(reopen)) {}

int JpegPictureData::screenScaleDenominator(QSize devicePixels) const {
    return scaleDenominatorWithinBudget(
        header_.codedSize, coveringScaleDenominator(header_.uprightSize(), devicePixels),
        kPictureBudgetBytes);
}

ScreenShape JpegPictureData::screenShapeFor(QSize devicePixels) const {
    const int denominator = screenScaleDenominator(devicePixels);
    // Only what is shown is kept: a decode larger than the size asked for is shrunk to it, row
    // by row as it comes out.
    const QSize whole =
        orientedSize(scaledOutputSize(header_.codedSize, denominator), header_.orientation);
    const bool shrink = !devicePixels.isEmpty() && devicePixels.width() <= whole.width() &&
                        devicePixels.height() <= whole.height() && devicePixels != whole;
    return {denominator, shrink ? devicePixels : QSize(), colour::displayColour().serial};
}

ScreenDecodes::Decoded JpegPictureData::decodeScreen(const ScreenShape& shape,
                                                     const ScreenDecodes::Decoded& published,
                                                     const FirstLookSink& firstLook) const {
    std::optional<JpegInput> input;
    try {
        input.emplace(source_.input());
    } catch (const WorkCancelled&) {
        throw;
    } catch (...) {
        // Gone or changed: what is shown stays, and no larger decode is tried. Gone before
        // the first decode: a read error, reported as any decode's failure.
        auto lost = std::make_shared<ScreenDecode>();
        if (published) {
            *lost = *published;
        } else {
            lost->shape.scaleDenominator = shape.scaleDenominator;
            lost->failureCode = JERR_FILE_READ;
        }
        lost->sourceLost = true;
        return lost;
    }
    // Colours go to the display's profile once the pixels are shrunk to the size shown (the
    // first look too); nothing is done for an sRGB picture on an sRGB display.
    const colour::DisplayColour display = colour::displayColour();
    const colour::ColourProfile source = header_.rgbProfile();
    FirstLookSink convertedLook;
    if (firstLook && colour::needsConversion(source, display.profile)) {
        convertedLook = [&](const QImage& look) {
            firstLook(colour::convertedImage(look, source, display.profile));
        };
    }
    DecodedJpeg decoded =
        decodeJpegFitted(*input, header_, shape.scaleDenominator, shape.fittedTo,
                         OnFailure::KeepPartial, convertedLook ? convertedLook : firstLook);
    (void)colour::convertImage(decoded.image, source, display.profile);
    auto made = std::make_shared<ScreenDecode>();
    made->shape = shape;
    made->shape.displaySerial = display.serial;
    made->inSrgb = display.profile.isNull();
    made->image = std::move(decoded.image);
    made->failureCode = decoded.failureCode;
    made->blockVisits = decoded.blockVisits;
    made->stoppedAtWorkCap = decoded.stoppedAtWorkCap;
    made->workingPeakBytes = decoded.workingPeakBytes;
    return made;
}

ScreenDecodes::Decoded JpegPictureData::prepareScreen(QSize devicePixels,
                                                      const FirstLookSink& firstLook) const {
    const ScreenShape shape = screenShapeFor(devicePixels);
    ScreenDecodes::Decoded decode =
        screens_.obtain(devicePixels, shape, [&](const ScreenDecodes::Decoded& published) {
            return decodeScreen(shape, published, firstLook);
        });
    // Decoded whole: the pixels are what is kept; the file serves any later decode.
    if (decode->failureCode == 0 && !decode->sourceLost) source_.decodedOnce();
    if (!devicePixels.isEmpty()) (void)screens_.pixelsFor(devicePixels);
    return decode;
}

void JpegPictureData::draw(QPainter& painter, const QRectF& target) const {
    if (target.isEmpty()) return;
    const bool plainScale = painter.deviceTransform().type() <= QTransform::TxScale;
    const QSize devicePixels = devicePixelsOf(painter, target);
    if (devicePixels.isEmpty()) return;
    ScreenDecodes::Decoded decode = screens_.published();
    if (!decode) decode = prepareScreen(devicePixels, {});
    // Under a rotation or shear the painter resamples anyway: hand it the decode itself.
    const QImage image = plainScale ? screens_.pixelsFor(devicePixels) : decode->image;
    if (image.isNull()) return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(target, image);
    painter.restore();
}

bool JpegPictureData::isPreparedFor(QSize devicePixels) const {
    if (devicePixels.isEmpty()) return true;
    const ScreenDecodes::Decoded decode = screens_.published();
    return decode && (decode->sourceLost ||
                      decode->shape.covers(devicePixels, screenScaleDenominator(devicePixels),
                                           colour::displayColour().serial));
}

bool JpegPictureData::isReadyFor(QSize devicePixels) const {
    return screens_.holdsCopyFor(devicePixels);
}

void JpegPictureData::prepare(QSize devicePixels) const {
    (void)prepareScreen(devicePixels, {});
}

void JpegPictureData::prepareWithFirstLook(QSize devicePixels,
                                           const FirstLookSink& firstLook) const {
    (void)prepareScreen(devicePixels, firstLook);
}

void JpegPictureData::prepareToShow(QSize devicePixels, const FirstLookSink& firstLook) const {
    if (const int code = prepareScreen(devicePixels, firstLook)->failureCode; code != 0)
        throw Failure(jpegErrorText(code));
}

std::int64_t JpegPictureData::residentBytes() const {
    const ScreenDecodes::State state = screens_.state();
    const std::int64_t decoded = state.decode ? state.decode->image.sizeInBytes() : 0;
    // The bytes count while they are held (they go once a decode has succeeded).
    return heldBytes().size() + decoded + state.copyBytes;
}

QImage JpegPictureData::printed(int denominator) const {
    const ScreenDecodes::Decoded screen = screens_.published();
    if (screen && screen->shape.scaleDenominator == denominator &&
        screen->shape.fittedTo.isEmpty() && screen->failureCode == 0 && screen->inSrgb &&
        !screen->image.isNull())
        return screen->image;
    // Decoded apart, so that the screen goes on drawing from its own decode; paper is sRGB.
    DecodedJpeg decoded = decodeJpeg(source_.input(), header_, denominator, OnFailure::Discard);
    if (decoded.failureCode != 0) throw Failure(jpegErrorText(decoded.failureCode));
    (void)colour::convertImage(decoded.image, header_.rgbProfile(), colour::ColourProfile());
    return std::move(decoded.image);
}

QImage JpegPictureData::toImage() const {
    return printed(1);
}

QImage JpegPictureData::toImageCovering(QSize devicePixels) const {
    return printed(screenScaleDenominator(devicePixels));
}

JpegPictureData::ScreenState JpegPictureData::screenState() const {
    const ScreenDecodes::State screen = screens_.state();
    ScreenState state;
    state.scaledSize = screen.copySize;
    state.decodeCount = screen.decodeCount;
    state.rescaleCount = screen.rescaleCount;
    if (const ScreenDecodes::Decoded& decode = screen.decode) {
        state.scaleDenominator = decode->shape.scaleDenominator;
        state.decodedSize = decode->image.size();
        state.failureCode = decode->failureCode;
        state.pixelBytes = decode->image.sizeInBytes() + screen.copyBytes;
        state.blockVisits = decode->blockVisits;
        state.stoppedAtWorkCap = decode->stoppedAtWorkCap;
        state.workingPeakBytes = decode->workingPeakBytes;
    }
    return state;
}

}  // namespace zarovia::picture::jpeg
