#pragma once

#include "picture/ByteReader.h"

#include <QImage>

namespace zarovia::picture {

// Device-independent bitmaps as they appear inside .bmp files, icon entries, metafile records
// and rich-text pictures. Every function throws zarovia::Failure with
// "ビットマップイメージが不正です" for a malformed bitmap and "ストリームからの読み込みエラー"
// when the pixel data ends before the header says it does.

struct DibOptions {
    // Icon entries: the header's height counts the colour rows and the AND-mask rows; the
    // mask follows the colour rows and is applied as transparency.
    bool iconWithAndMask = false;
    // Keep a real alpha channel (32-bit icons, alpha bitfields); otherwise the result is opaque.
    bool keepAlpha = false;
    // Metafile records may name colour-table entries as palette indexes (DIB_PAL_COLORS):
    // then the table holds 16-bit indexes, which are shown as grey levels.
    bool paletteIndexes = false;
};

// `info` holds the header (core, info, V4 or V5) followed by masks and colour table; `bits`
// holds the pixel rows. Each reader is bounded by its own range. The result is opaque
// Format_RGB32, or Format_ARGB32_Premultiplied when keepAlpha or iconWithAndMask is set.
// BI_JPEG and BI_PNG pixels are not decoded: they fail as malformed.
QImage decodeDib(ByteReader info, ByteReader bits, const DibOptions& options = {});

// A packed DIB: header, masks and colour table, then the pixel rows right after them.
QImage decodePackedDib(ByteReader packed, const DibOptions& options = {});

}  // namespace zarovia::picture
