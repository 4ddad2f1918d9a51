#pragma once

#include "picture/jpeg/JpegHeader.h"

#include <QByteArray>
#include <QImage>

namespace zarovia::picture::jpeg {

// What a decode that ends in a fatal error hands back: for the screen, the rows it reached
// and grey below; for printing, nothing (the failure is reported instead).
enum class OnFailure { KeepPartial, Discard };

struct DecodedJpeg {
    // Upright, Format_RGB32; rows that a fatal error kept libjpeg from reaching are grey
    // (KeepPartial), or null (Discard, or no memory for it).
    QImage image;
    // libjpeg's message code when the decode ended in a fatal error, else 0.
    int failureCode = 0;
};

// Decodes `bytes` (whose header is `header`) at scale 1/scaleDenominator, turned upright
// by the EXIF orientation. Never throws for bad data: the result says how far it got.
// libjpeg's accurate IDCT and smooth chroma upsampling are kept at every scale: measured on
// camera files, the fast IDCT and the merged upsampler gained nothing (bench/README.md).
DecodedJpeg decodeJpeg(const QByteArray& bytes, const JpegHeader& header, int scaleDenominator,
                       OnFailure onFailure);

}  // namespace zarovia::picture::jpeg
