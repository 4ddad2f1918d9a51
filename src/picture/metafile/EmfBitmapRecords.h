#pragma once

#include "picture/ByteReader.h"
#include "picture/metafile/RecordDib.h"

#include <QImage>
#include <cstdint>
#include <optional>

// The EMF records that draw bitmaps and gradients, and the readers of the bitmaps inside
// records that the other records share.
namespace zarovia::picture::metafile {

class Gdi;

namespace emf {

// A part of a record named by an offset from the record's start; `body` is the record after
// its type and size. Throws ByteReaderOverrun when the part is not inside the record.
ByteReader recordPart(const ByteReader& body, std::uint32_t offset, std::uint32_t size);

// Where a bitmap lies in a record: its header and its bits, as offsets from the record's
// start, and how its colour table is meant.
struct DibPlace {
    std::uint32_t offBmi = 0;
    std::uint32_t cbBmi = 0;
    std::uint32_t offBits = 0;
    std::uint32_t cbBits = 0;
    std::uint32_t usage = DIB_RGB_COLORS;
};

// A bitmap's place as most records name it: the usage, then the header's and the bits' offset
// and size.
DibPlace readDibPlace(ByteReader& r);

// The bitmap a record carries; none for an empty header or a bitmap that cannot be read or
// would pass the budget.
std::optional<RecordDib> recordDib(const ByteReader& body, const DibPlace& place, Gdi& gdi,
                                   bool keepAlpha = false);

// A monochrome mask carried by a record, as Format_Alpha8 of 255 where its bit is 1 and 0
// elsewhere, rows from the top; null when there is none or it cannot be read.
QImage recordMask(const ByteReader& body, const DibPlace& place, Gdi& gdi);

// BitBlt, StretchBlt, MaskBlt, AlphaBlend, TransparentBlt; `r` is the record's body.
void playBlt(std::uint32_t type, ByteReader r, Gdi& gdi);
// StretchDIBits and SetDIBitsToDevice.
void playDibBlit(std::uint32_t type, ByteReader r, Gdi& gdi);
void playPlgBlt(ByteReader r, Gdi& gdi);
void playGradientFill(ByteReader r, Gdi& gdi);

}  // namespace emf

}  // namespace zarovia::picture::metafile
