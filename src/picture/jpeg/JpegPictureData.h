#pragma once

#include "picture/Picture.h"
#include "picture/jpeg/JpegDecode.h"
#include "picture/jpeg/JpegHeader.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <mutex>

namespace zarovia::picture::jpeg {

// A JPEG held as its file bytes and header. The screen decode is made on demand at the
// smallest DCT scale that covers the size asked for (a smaller one when that would not fit
// kPictureBudgetBytes), kept, and replaced only when a larger size is asked; the last scaled
// copy is kept so that a repaint at the same size is a copy. Printing decodes apart from the
// screen decode.
class JpegPictureData final : public PictureData {
public:
    JpegPictureData(QByteArray bytes, JpegHeader header);

    PictureKind kind() const override { return PictureKind::Jpeg; }
    QSize naturalSize() const override { return header_.uprightSize(); }
    // Never throws: a fatal libjpeg error shows what was decoded, the rest grey.
    void draw(QPainter& painter, const QRectF& target) const override;
    // Never throws (it may run on a worker thread); see prepareForDisplay.
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
    // progressive picture that has to be decoded is decoded in passes and its first pass is
    // handed over before the rest is read (see decodeJpegInPasses).
    int prepareForDisplay(QSize devicePixels, const FirstLookSink& firstLook = {}) const;

    // The DCT scale the screen decode uses for `devicePixels`.
    int screenScaleDenominator(QSize devicePixels) const;

    const JpegHeader& header() const noexcept { return header_; }
    const QByteArray& bytes() const noexcept { return bytes_; }

    // What the screen cache holds, for tests and benchmarks.
    struct ScreenState {
        int scaleDenominator = 0;  // 0: nothing decoded yet
        QSize decodedSize;
        QSize scaledSize;
        int decodeCount = 0;
        int rescaleCount = 0;
        int failureCode = 0;
    };
    ScreenState screenState() const;

private:
    // These two run with mutex_ held.
    void decodeCovering(QSize devicePixels, const FirstLookSink& firstLook = {}) const;
    QImage scaledTo(QSize devicePixels) const;
    // The screen's finished decode when it is at `denominator`; null when it is not, or while
    // a screen decode is running (printing then decodes on its own rather than wait for it).
    QImage finishedScreenDecodeAt(int denominator) const;

    const QByteArray bytes_;
    const JpegHeader header_;

    mutable std::mutex mutex_;
    mutable int screenDenominator_ = 0;
    mutable QImage screenDecoded_;
    mutable int screenFailure_ = 0;
    mutable QImage scaled_;
    mutable int decodeCount_ = 0;
    mutable int rescaleCount_ = 0;
};

}  // namespace zarovia::picture::jpeg
