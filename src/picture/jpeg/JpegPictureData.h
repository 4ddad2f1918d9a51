#pragma once

#include "picture/Picture.h"
#include "picture/jpeg/JpegHeader.h"
#include "picture/jpeg/JpegScreen.h"
#include "picture/jpeg/JpegSource.h"

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace zarovia::picture::jpeg {

// A JPEG as a value: its header, its source (the file's bytes until the file can be read again,
// and the file as it was when read) and its screen decodes, each an immutable result. The
// screen decode is made on demand at the smallest DCT scale that covers the size asked for (a
// smaller one when that would not fit kPictureBudgetBytes) and shrunk to that size as it comes
// out, so that only the pixels shown are held; it is replaced when a size it does not cover is
// prepared. A paint at another size meanwhile draws a scaled copy of it, kept so that a repaint
// at the same size is a copy. Printing decodes apart from the screen.
//
// With `reopen` (the file again, as it was when read, piece by piece; it throws Failure when the
// file is gone or changed), the bytes are let go once a screen decode has succeeded, or not held
// at all (`bytes` empty): a picture shown or read ahead then holds only its pixels, and each
// decode (the first, a larger window, printing) reads the file as it goes.
class JpegPictureData final : public PictureData {
public:
    using Reopen = JpegSource::Reopen;
    JpegPictureData(QByteArray bytes, JpegHeader header, Reopen reopen = {});

    PictureKind kind() const override { return PictureKind::Jpeg; }
    QSize naturalSize() const override { return header_.uprightSize(); }
    // Never throws for bad data: a fatal libjpeg error shows what was decoded, the rest grey.
    // Inside a job's cancellation scope a decode stops with WorkCancelled. Draws from the
    // screen decode there is, scaled; decodes only when there is none yet (prepare() makes a
    // larger one, so that a paint never waits for it).
    void draw(QPainter& painter, const QRectF& target) const override;
    bool isPreparedFor(QSize devicePixels) const override;
    // True once prepare() has made the screen's copy at that size from a decode that did not
    // fail: drawing then decodes and scales nothing.
    bool isReadyFor(QSize devicePixels) const override;
    // Never throws for bad data (it may run on a worker thread).
    void prepare(QSize devicePixels) const override;
    // Never throws for bad data; a progressive picture hands `firstLook` its first pass.
    void prepareWithFirstLook(QSize devicePixels, const FirstLookSink& firstLook) const override;
    // Throws Failure(jpegErrorText(code)) when the screen decode that covers `devicePixels`
    // ended in a fatal libjpeg error (what was decoded shows).
    void prepareToShow(QSize devicePixels, const FirstLookSink& firstLook) const override;
    // A progressive (or otherwise multi-scan) file keeps every coefficient while it decodes:
    // about 3 bytes per pixel for 4:2:0, whatever the output scale.
    long long prepareWorkingBytes() const override {
        return header_.progressive ? 3LL * header_.codedSize.width() * header_.codedSize.height()
                                   : 0;
    }
    // The file's bytes while held, the screen decode and its scaled copy.
    std::int64_t residentBytes() const override;
    // The full-size pixels. Throws Failure(jpegErrorText(code)) on a fatal libjpeg error,
    // and with JERR_IMAGE_TOO_BIG's code when the full size would not fit kPictureBudgetBytes.
    QImage toImage() const override;
    // The pixels at the smallest DCT scale that covers `devicePixels` within the budget.
    // Throws as toImage() does.
    QImage toImageCovering(QSize devicePixels) const override;

    // The DCT scale the screen decode uses for `devicePixels`.
    int screenScaleDenominator(QSize devicePixels) const;

    const JpegHeader& header() const noexcept { return header_; }
    // The file's bytes while they are held; empty once they have been let go.
    QByteArray heldBytes() const { return source_.heldBytes(); }

    // What the screen holds, for tests and benchmarks.
    struct ScreenState {
        int scaleDenominator = 0;  // 0: nothing decoded yet
        QSize decodedSize;         // the size asked for when the decode was shrunk to it
        QSize scaledSize;
        int decodeCount = 0;
        int rescaleCount = 0;
        int failureCode = 0;
        // The pixels held: the decode, and the scaled copy unless it is the decode itself.
        long long pixelBytes = 0;
        // What the latest screen decode cost (see DecodedJpeg).
        long long blockVisits = 0;
        bool stoppedAtWorkCap = false;
        long long workingPeakBytes = 0;
    };
    ScreenState screenState() const;

private:
    // The screen decode that serves `devicePixels`, made when there is none (see
    // ScreenDecodes::obtain), with the scaled copy for that size.
    ScreenDecodes::Decoded prepareScreen(QSize devicePixels, const FirstLookSink& firstLook) const;
    // What a screen decode for `devicePixels` is: the scale, and the size it is shrunk to.
    ScreenShape screenShapeFor(QSize devicePixels) const;
    // A new screen decode of `shape` from the source; a copy of `published` marked lost (or a
    // read failure when there is none) when the file cannot be read again.
    ScreenDecodes::Decoded decodeScreen(const ScreenShape& shape,
                                        const ScreenDecodes::Decoded& published,
                                        const FirstLookSink& firstLook) const;
    // The pixels at 1/denominator for the printer: the screen's own when it holds that whole
    // decode, else a decode of their own. Throws as toImage() does.
    QImage printed(int denominator) const;

    const JpegHeader header_;
    mutable JpegSource source_;
    mutable ScreenDecodes screens_;
};

}  // namespace zarovia::picture::jpeg
