#include "picture/bmp/DibFormat.h"

#include "platform/Failure.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace zarovia::picture::dib {

QString malformedBitmapText() {
    return QStringLiteral("ビットマップイメージが不正です");
}
QString readErrorText() {
    return QStringLiteral("ストリームからの読み込みエラー");
}
void failMalformed() {
    throw Failure(malformedBitmapText());
}
void failTruncated() {
    throw Failure(readErrorText());
}

std::uint64_t checkedMul(std::uint64_t a, std::uint64_t b, std::uint64_t limit) {
    if (a != 0 && b > limit / a) failMalformed();
    return a * b;
}

std::uint64_t checkedAdd(std::uint64_t a, std::uint64_t b, std::uint64_t limit) {
    if (a > limit || b > limit - a) failMalformed();
    return a + b;
}

namespace {

std::uint16_t le16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

bool isKnownHeaderSize(std::uint32_t size) {
    return size == BITMAPCOREHEADER_SIZE ||
           (size >= OS2_BITMAPINFOHEADER2_MIN_SIZE && size <= OS2_BITMAPINFOHEADER2_SIZE) ||
           size == BITMAPV4HEADER_SIZE || size == BITMAPV5HEADER_SIZE;
}

bool isWindowsInfoSize(std::uint32_t size) {
    return size == BITMAPINFOHEADER_SIZE || size == BITMAPV2INFOHEADER_SIZE ||
           size == BITMAPV3INFOHEADER_SIZE || size == BITMAPV4HEADER_SIZE ||
           size == BITMAPV5HEADER_SIZE;
}

}  // namespace

DibHeader parseDibHeader(ByteReader& info) {
    DibHeader h;
    h.headerSize = info.u32();
    if (!isKnownHeaderSize(h.headerSize)) failMalformed();

    // The whole header lands in a fixed array; shorter OS/2 headers leave zeros behind.
    std::array<unsigned char, BITMAPV5HEADER_SIZE> raw{};
    const unsigned char* src = info.take(h.headerSize - 4);
    std::memcpy(raw.data() + 4, src, h.headerSize - 4);

    if (h.headerSize == BITMAPCOREHEADER_SIZE) {
        h.coreHeader = true;
        h.width = le16(&raw[4]);
        h.height = le16(&raw[6]);
        h.bitCount = le16(&raw[10]);
    } else {
        h.os2Header = !isWindowsInfoSize(h.headerSize);
        h.width = static_cast<std::int32_t>(le32(&raw[4]));
        const std::int64_t height = static_cast<std::int32_t>(le32(&raw[8]));
        h.topDown = height < 0;
        h.height = height < 0 ? -height : height;
        h.bitCount = le16(&raw[14]);
        h.compression = le32(&raw[16]);
        h.sizeImage = le32(&raw[20]);
        h.clrUsed = le32(&raw[32]);
        if (!h.os2Header && h.headerSize >= BITMAPV2INFOHEADER_SIZE) {
            h.headerMaskCount = h.headerSize >= BITMAPV3INFOHEADER_SIZE ? 4 : 3;
            for (int i = 0; i < h.headerMaskCount; ++i) h.headerMasks[i] = le32(&raw[40 + 4 * i]);
        }
        if (h.headerSize == BITMAPV5HEADER_SIZE && le32(&raw[56]) == PROFILE_EMBEDDED) {
            h.profileOffset = le32(&raw[112]);
            h.profileSize = le32(&raw[116]);
        }
    }
    if (h.width <= 0 || h.height <= 0 || h.width > MAX_WIDTH_HEIGHT || h.height > MAX_WIDTH_HEIGHT)
        failMalformed();
    return h;
}

std::size_t masksAfterHeaderSize(const DibHeader& header) {
    if (header.coreHeader || header.os2Header || header.headerMaskCount > 0) return 0;
    if (header.compression == BI_BITFIELDS) return 12;
    if (header.compression == BI_ALPHABITFIELDS) return 16;
    return 0;
}

std::uint32_t colourTableEntries(const DibHeader& header) {
    if (header.bitCount <= 8) {
        const std::uint32_t full = 1u << header.bitCount;
        if (header.coreHeader || header.clrUsed == 0) return full;
        return std::min(header.clrUsed, full);
    }
    return std::min(header.clrUsed, MAX_COLOUR_TABLE_ENTRIES);
}

std::size_t colourTableEntrySize(const DibHeader& header, bool paletteIndexes) {
    if (paletteIndexes) return 2;
    return header.coreHeader ? 3 : 4;
}

std::uint64_t packedInfoSize(const DibHeader& header, bool paletteIndexes) {
    const std::uint64_t limit = std::numeric_limits<std::uint32_t>::max();
    const std::uint64_t table =
        checkedMul(colourTableEntries(header), colourTableEntrySize(header, paletteIndexes), limit);
    return checkedAdd(checkedAdd(header.headerSize, masksAfterHeaderSize(header), limit), table,
                      limit);
}

ChannelMask ChannelMask::fromMask(std::uint32_t mask) {
    ChannelMask c;
    c.mask = mask;
    if (mask == 0) return c;
    while (((mask >> c.shift) & 1u) == 0) ++c.shift;
    const std::uint64_t run = static_cast<std::uint64_t>(mask) >> c.shift;
    if ((run & (run + 1)) != 0) failMalformed();  // not one run of set bits
    while ((run >> c.bits) != 0) ++c.bits;
    if (c.bits <= 8) {
        const std::uint32_t maxValue = (1u << c.bits) - 1;
        for (std::uint32_t v = 0; v <= maxValue; ++v)
            c.scaleUp[v] = static_cast<std::uint8_t>((v * 255 + maxValue / 2) / maxValue);
    }
    return c;
}

PixelMasks PixelMasks::fromMasks(const std::array<std::uint32_t, 4>& masks, int bitCount) {
    const std::uint32_t pixelBits =
        bitCount >= 32 ? 0xFFFFFFFFu : ((1u << static_cast<unsigned>(bitCount)) - 1);
    std::uint32_t seen = 0;
    for (const std::uint32_t m : masks) {
        if ((m & ~pixelBits) != 0 || (m & seen) != 0) failMalformed();
        seen |= m;
    }
    if ((masks[0] | masks[1] | masks[2]) == 0) failMalformed();
    PixelMasks p;
    p.red = ChannelMask::fromMask(masks[0]);
    p.green = ChannelMask::fromMask(masks[1]);
    p.blue = ChannelMask::fromMask(masks[2]);
    p.alpha = ChannelMask::fromMask(masks[3]);
    return p;
}

}  // namespace zarovia::picture::dib
