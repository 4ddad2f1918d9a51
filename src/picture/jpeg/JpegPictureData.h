#pragma once

#include "picture/Picture.h"
#include "picture/jpeg/JpegDecode.h"
#include "picture/jpeg/JpegHeader.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <functional>
#include <mutex>

namespace zarovia::picture::jpeg {

// A JPEG held as its header, and its file's bytes until the file can be read again. The screen
// decode is made on demand at the smallest DCT scale that covers the size asked for (a smaller
// one when that would not fit kPictureBudgetBytes) and shrunk to that size as it comes out, so
// that only the pixels shown are held; it is replaced when a size it does not cover is
// prepared. A paint at another size meanwhile draws a scaled copy of it, kept so that a repaint
// at the same size is a copy. Printing decodes apart from the screen decode.
//
// With `reopen` (the file again, as it was when read, piece by piece; it throws Failure when the
// file is gone or changed), the bytes are let go once a screen decode has succeeded, or not held
// at all (`bytes` empty): a picture shown or read ahead then holds only its pixels, and each
// decode (the first, a larger window, printing) reads the file as it goes.
class JpegPictureData final : public PictureData {
public:
    using Reopen = std::function<ChunkReader()>;
    JpegPictureData(QByteArray bytes, JpegHeader header, Reopen reopen = {});

    PictureKind kind() const override { return PictureKind::Jpeg; }
    QSize naturalSize() const override { return header_.uprightSize(); }
    // Never throws for bad data: a fatal libjpeg error shows what was decoded, the rest grey.
    // Inside a job's cancellation scope a decode stops with WorkCancelled. Draws from the
    // screen decode there is, scaled; decodes only when there is none yet (prepare() makes a
    // larger one, so that a paint never waits for it).
    void draw(QPainter& painter, const QRectF& target) const override;
    bool isPreparedFor(QSize devicePixels) const override;
    // Never throws for bad data (it may run on a worker thread); see prepareForDisplay.
    void prepare(QSize devicePixels) const override;
    // Never throws for bad data; a progressive picture hands `firstLook` its first pass.
    void prepareWithFirstLook(QSize devicePixels, const FirstLookSink& firstLook) const override;
    // A progressive (or otherwise multi-scan) file keeps every coefficient while it decodes:
    // about 3 bytes per pixel for 4:2:0, whatever the output scale.
    long long prepareWorkingBytes() const override {
        return header_.progressive ? 3LL * header_.codedSize.width() * header_.codedSize.height()
                                   : 0;
    }
    // The full-size pixels. Throws Failure(jpegErrorText(code)) on a fatal libjpeg error,
    // and with JERR_IMAGE_TOO_BIG's code when the full size would not fit kPictureBudgetBytes.
    QImage toImage() const override;
    // The pixels at the smallest DCT scale that covers `devicePixels` within the budget.
    // Throws as toImage() does.
    QImage toImageCovering(QSize devicePixels) const override;

    // Like prepare(), and returns libjpeg's message code when the screen decode that covers
    // `devicePixels` ended in a fatal error (0 when it did not). With `firstLook`, a
    // progressive picture that has to be decoded hands over its first pass before the rest is
    // read (see decodeJpeg). Throws WorkCancelled when its job is no longer wanted.
    int prepareForDisplay(QSize devicePixels, const FirstLookSink& firstLook = {}) const;

    // The DCT scale the screen decode uses for `devicePixels`.
    int screenScaleDenominator(QSize devicePixels) const;

    const JpegHeader& header() const noexcept { return header_; }
    // The file's bytes while they are held; empty once they have been let go.
    QByteArray heldBytes() const;

    // What the screen cache holds, for tests and benchmarks.
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
    // Decodes without holding mutex_ (a paint goes on drawing the decode there is) and installs
    // the result unless a covering decode arrived meanwhile.
    void decodeCovering(QSize devicePixels, const FirstLookSink& firstLook = {}) const;
    // What to decode: the bytes held, or the file opened again. Throws Failure as reopen does.
    JpegInput input() const;
    // Run with mutex_ held.
    QImage scaledTo(QSize devicePixels) const;
    bool screenCovers(QSize devicePixels, int denominator) const;
    // The screen's finished decode when it is at `denominator`; null when it is not.
    QImage finishedScreenDecodeAt(int denominator) const;

    const JpegHeader header_;
    const Reopen reopen_;

    mutable std::mutex mutex_;
    mutable QByteArray bytes_;
    mutable bool rereadFailed_ = false;
    mutable int screenDenominator_ = 0;
    mutable QImage screenDecoded_;
    // The size the screen decode was shrunk to; empty when it is the whole decode at its scale.
    mutable QSize screenFittedTo_;
    mutable int screenFailure_ = 0;
    mutable QImage scaled_;
    mutable int decodeCount_ = 0;
    mutable int rescaleCount_ = 0;
    struct Cost {
        long long blockVisits = 0;
        bool stoppedAtWorkCap = false;
        long long workingPeakBytes = 0;
    };
    mutable Cost lastCost_;
};

}  // namespace zarovia::picture::jpeg
