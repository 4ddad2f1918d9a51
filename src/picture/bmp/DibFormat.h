#pragma once

// The device-independent bitmap format: its constants under their own names, the header as a
// small struct, the channel masks and the checked size arithmetic every path goes through.

#include "picture/ByteReader.h"
#include "picture/Picture.h"

#include <QImage>
#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>

namespace zarovia::picture::dib {

// Header sizes. OS/2 2.x headers may be cut anywhere from 16 to 64 bytes; 40, 52 and 56 are
// the Windows info header and its two mask-carrying extensions.
inline constexpr std::uint32_t BITMAPCOREHEADER_SIZE = 12;
inline constexpr std::uint32_t OS2_BITMAPINFOHEADER2_MIN_SIZE = 16;
inline constexpr std::uint32_t BITMAPINFOHEADER_SIZE = 40;
inline constexpr std::uint32_t BITMAPV2INFOHEADER_SIZE = 52;
inline constexpr std::uint32_t BITMAPV3INFOHEADER_SIZE = 56;
inline constexpr std::uint32_t OS2_BITMAPINFOHEADER2_SIZE = 64;
inline constexpr std::uint32_t BITMAPV4HEADER_SIZE = 108;
inline constexpr std::uint32_t BITMAPV5HEADER_SIZE = 124;

// Compressions.
inline constexpr std::uint32_t BI_RGB = 0;
inline constexpr std::uint32_t BI_RLE8 = 1;
inline constexpr std::uint32_t BI_RLE4 = 2;
inline constexpr std::uint32_t BI_BITFIELDS = 3;
inline constexpr std::uint32_t BI_JPEG = 4;
inline constexpr std::uint32_t BI_PNG = 5;
inline constexpr std::uint32_t BI_ALPHABITFIELDS = 6;
// OS/2 2.x gives 3 and 4 meanings of its own.
inline constexpr std::uint32_t BCA_HUFFMAN1D = 3;
inline constexpr std::uint32_t BCA_RLE24 = 4;

// Colour space of a V4/V5 header whose ICC profile is stored inside the bitmap ("MBED").
inline constexpr std::uint32_t PROFILE_EMBEDDED = 0x4D424544;

// Limits. A side longer than this is taken as a corrupt header, not a picture; the pixel
// count is further capped by kMaxPicturePixels (the picture budget).
inline constexpr std::int64_t MAX_WIDTH_HEIGHT = 1 << 20;
// The pixel cap of a decoded bitmap. Fuzzing builds lower it so that inputs claiming huge
// pictures (a few bytes of run-length data can) do not slow every run down.
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
inline constexpr std::uint64_t MAX_PIXELS = 4u << 20;
#else
inline constexpr std::uint64_t MAX_PIXELS = static_cast<std::uint64_t>(kMaxPicturePixels);
#endif
// A run-length bitmap needs its full raster before the first run is drawn, yet a few bytes
// of runs can declare any size: a stream of N bytes sets at most about 128 N pixels, and the
// end-of-line, delta and end-of-bitmap codes leave the rest in the first colour. Up to
// RUN_LENGTH_FREE_PIXELS (64 MiB of pixels) any bitmap is decoded; a larger one must set at
// least one pixel in RUN_LENGTH_MIN_COVERAGE, or it is refused as malformed before anything
// is allocated. Real files whose codes leave large areas untouched are far smaller; a larger
// raster thus costs at most about 8 KiB per byte of run data. (Fuzzing builds lower the
// threshold with the pixel cap, so that the rule is exercised.)
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
inline constexpr std::uint64_t RUN_LENGTH_FREE_PIXELS = 64u << 10;
#else
inline constexpr std::uint64_t RUN_LENGTH_FREE_PIXELS = 4096 * 4096;
#endif
inline constexpr std::uint64_t RUN_LENGTH_MIN_COVERAGE = 16;
// At most this many colour-table entries are kept (8-bit indexes reach no further); larger
// tables are passed over.
inline constexpr std::uint32_t MAX_PALETTE_ENTRIES = 256;
// A colour table beside 16/24/32-bit pixels is only a display hint; beyond this it is absurd.
inline constexpr std::uint32_t MAX_COLOUR_TABLE_ENTRIES = 65536;

// The failure texts.
QString malformedBitmapText();
QString readErrorText();
[[noreturn]] void failMalformed();
[[noreturn]] void failTruncated();

// Multiplies or adds sizes derived from header fields; a result above `limit` (or an
// overflow) means the header is malformed. Every buffer size goes through these.
std::uint64_t checkedMul(std::uint64_t a, std::uint64_t b, std::uint64_t limit);
std::uint64_t checkedAdd(std::uint64_t a, std::uint64_t b, std::uint64_t limit);

// What the info header (of any version) says.
struct DibHeader {
    std::uint32_t headerSize = 0;
    bool coreHeader = false;  // 12 bytes; 3-byte colour-table entries, no compression
    bool os2Header = false;   // OS/2 2.x: compressions 3 and 4 are Huffman and RLE24
    std::int64_t width = 0;
    std::int64_t height = 0;  // number of rows stored, always positive
    bool topDown = false;     // the height was negative: the first row is the top one
    std::uint16_t bitCount = 0;
    std::uint32_t compression = BI_RGB;
    std::uint32_t sizeImage = 0;
    std::uint32_t clrUsed = 0;
    // Masks stored inside 52-, 56-, 108- and 124-byte headers (red, green, blue, alpha).
    std::array<std::uint32_t, 4> headerMasks{};
    int headerMaskCount = 0;
    // An embedded ICC profile (V5 only): its place counted from the start of the header.
    std::uint32_t profileOffset = 0;
    std::uint32_t profileSize = 0;
};

// Reads the header at the reader's position (which passes over all of it). Throws
// ByteReaderOverrun when the header is cut, and fails as malformed on an unknown size.
DibHeader parseDibHeader(ByteReader& info);

// Bytes of masks stored after the header (BI_BITFIELDS / BI_ALPHABITFIELDS with a 40-byte
// header).
std::size_t masksAfterHeaderSize(const DibHeader& header);
// Entries the colour table has by its header (clrUsed, else 2^bitCount up to 8 bits), capped.
std::uint32_t colourTableEntries(const DibHeader& header);
// Bytes of one colour-table entry.
std::size_t colourTableEntrySize(const DibHeader& header, bool paletteIndexes);
// Header, masks and colour table together: where the pixels of a packed DIB begin.
std::uint64_t packedInfoSize(const DibHeader& header, bool paletteIndexes);

// One colour channel of a bit-field pixel, scaled to 8 bits whatever its width.
struct ChannelMask {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
    std::array<std::uint8_t, 256> scaleUp{};  // for channels of 8 bits or fewer

    // Fails as malformed unless the mask is one run of set bits (or empty).
    static ChannelMask fromMask(std::uint32_t mask);

    std::uint32_t extract8(std::uint32_t pixel) const {
        const std::uint32_t v = (pixel & mask) >> shift;
        return bits > 8 ? v >> (bits - 8) : scaleUp[v];
    }
};

struct PixelMasks {
    ChannelMask red, green, blue, alpha;
    // Fails as malformed when the masks overlap, leave the pixel or are all empty.
    static PixelMasks fromMasks(const std::array<std::uint32_t, 4>& masks, int bitCount);
};

// 256 colours; indexes the file's table does not cover are black.
using Palette = std::array<QRgb, MAX_PALETTE_ENTRIES>;

}  // namespace zarovia::picture::dib
