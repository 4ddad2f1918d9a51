#pragma once

#include "picture/Picture.h"
#include "picture/jpeg/JpegHeader.h"
#include "picture/jpeg/JpegInput.h"

#include <QByteArray>
#include <QImage>
#include <cstdint>

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
    // What the decode cost: the block visits of the scans it read; whether it left scans
    // unread at kMaxScanBlockVisits (not a failure: the picture shows what the scans before
    // them give); the most memory libjpeg held at once, as its budget account counted it.
    std::int64_t blockVisits = 0;
    bool stoppedAtWorkCap = false;
    std::int64_t workingPeakBytes = 0;
    // How many horizontal bands the picture was decoded in, side by side on as many threads
    // (DecodeThreads.h): 1 for the one-thread decode. The pixels are the same either way.
    int bands = 1;
};

// Decodes `input` (whose header is `header`) at scale 1/scaleDenominator, turned upright
// by the EXIF orientation. Never throws for bad data: the result says how far it got; throws
// WorkCancelled when its job is no longer wanted (platform/Cancellation.h).
// libjpeg's accurate IDCT and smooth chroma upsampling are kept at every scale: measured on
// camera files, the fast IDCT and the merged upsampler gained nothing (bench/README.md).
// A picture of several scans (progressive) is read scan by scan into libjpeg's coefficient
// buffer, within kMaxScanBlockVisits, and output from there. With `firstLook`, a progressive
// picture's first pass that gives every component its DC coefficients is output at the same
// size as the finished picture, turned upright and handed over before the remaining scans are
// read; the finished
// picture is the same as without. A fatal error in a later scan comes after the first look;
// with KeepPartial the result then holds the first look. Other pictures never call it.
DecodedJpeg decodeJpeg(const JpegInput& input, const JpegHeader& header, int scaleDenominator,
                       OnFailure onFailure, const FirstLookSink& firstLook = {});

// The same decode shrunk, as its rows come out, to `uprightSize` (at most the decode's upright
// size each way) by area averaging: only the result and a band of rows are ever held, never
// the decode at 1/scaleDenominator; a first look is shrunk the same way. With KeepPartial,
// rows below the last one finished are grey.
DecodedJpeg decodeJpegFitted(const JpegInput& input, const JpegHeader& header, int scaleDenominator,
                             QSize uprightSize, OnFailure onFailure,
                             const FirstLookSink& firstLook = {});

}  // namespace zarovia::picture::jpeg
