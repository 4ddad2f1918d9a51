#pragma once

#include "picture/Picture.h"
#include "picture/jpeg/JpegHeader.h"
#include "picture/jpeg/JpegInput.h"

#include <QByteArray>
#include <QImage>

namespace zarovia::picture::jpeg {

// What a decode that ends in a fatal error hands back: for the screen, the rows it reached
// and grey below; for printing, nothing (the failure is reported instead).
enum class OnFailure { KeepPartial, Discard };

struct DecodedJpeg {
    // Upright, Format_RGB32; rows that a fatal error kept libjpeg from reaching are grey
    // (KeepPartial), or null (Discard, no memory for it, or over the picture budget).
    QImage image;
    // libjpeg's message code when the decode ended in a fatal error, else 0. An output that
    // would not fit kPictureBudgetBytes fails with JERR_IMAGE_TOO_BIG before anything of
    // its size is allocated.
    int failureCode = 0;
};

// Decodes `input` (whose header is `header`) at scale 1/scaleDenominator, turned upright
// by the EXIF orientation. Never throws for bad data: the result says how far it got.
// libjpeg's accurate IDCT and smooth chroma upsampling are kept at every scale: measured on
// camera files, the fast IDCT and the merged upsampler gained nothing (bench/README.md).
DecodedJpeg decodeJpeg(const JpegInput& input, const JpegHeader& header, int scaleDenominator,
                       OnFailure onFailure);

// The same decode shrunk, as its rows come out, to `uprightSize` (at most the decode's upright
// size each way) by area averaging: only the result and a band of rows are ever held, never
// the decode at 1/scaleDenominator. With KeepPartial, rows below the last one finished are grey.
DecodedJpeg decodeJpegFitted(const JpegInput& input, const JpegHeader& header, int scaleDenominator,
                             QSize uprightSize, OnFailure onFailure);

// The same decode, for a progressive picture in passes (libjpeg's buffered-image mode): as
// soon as the scans read so far give every component its DC coefficients, that pass is
// output at the same scale, turned upright and handed to `firstLook`; then the remaining
// scans are read and the finished picture is output, identical to decodeJpeg's.
// A fatal error in a later scan comes after the first look; with KeepPartial the result then
// holds the first look. A picture that is not progressive (or an empty `firstLook`) is
// decoded by decodeJpeg, and `firstLook` is not called.
DecodedJpeg decodeJpegInPasses(const JpegInput& input, const JpegHeader& header,
                               int scaleDenominator, OnFailure onFailure,
                               const FirstLookSink& firstLook);

}  // namespace zarovia::picture::jpeg
