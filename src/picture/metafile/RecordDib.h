#pragma once

#include "picture/ByteReader.h"

#include <QImage>
#include <QRectF>
#include <optional>

namespace zarovia::picture::metafile {

class Gdi;

inline constexpr std::uint32_t DIB_RGB_COLORS = 0;
inline constexpr std::uint32_t DIB_PAL_COLORS = 1;

struct RecordDib {
    QImage image;
    bool bottomUp = true;  // rows stored bottom first: DIB source rectangles count from below
};

// A bitmap inside a record, read by the BMP decoder's DIB reader. Null when the bitmap is
// malformed or its pixels would pass the metafile's bitmap cap (then the record draws nothing).
std::optional<RecordDib> decodeRecordDib(ByteReader info, ByteReader bits, std::uint32_t usage,
                                         bool keepAlpha, Gdi& gdi);
std::optional<RecordDib> decodeRecordPackedDib(ByteReader packed, std::uint32_t usage, Gdi& gdi);

// The source rectangle of a DIB operation in the image's top-down pixel rows.
QRectF dibSourceRect(const RecordDib& dib, double x, double y, double width, double height);

}  // namespace zarovia::picture::metafile
