#include "picture/metafile/RecordDib.h"

#include "picture/bmp/Dib.h"
#include "picture/metafile/Gdi.h"
#include "platform/Failure.h"

#include <cstdlib>
#include <new>

namespace zarovia::picture::metafile {

namespace {

struct DibShape {
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool bottomUp = true;
    std::uint32_t bitCount = 0;
    std::uint32_t compression = 0;
};

std::optional<DibShape> peekShape(ByteReader info) {
    DibShape shape;
    const std::uint32_t size = info.u32();
    if (size == 12) {
        shape.width = info.u16();
        shape.height = info.u16();
        info.skip(2);
        shape.bitCount = info.u16();
        return shape;
    }
    if (size < 16) return std::nullopt;
    shape.width = info.i32();
    const std::int32_t h = info.i32();
    shape.bottomUp = h > 0;
    shape.height = std::llabs(static_cast<long long>(h));
    info.skip(2);
    shape.bitCount = info.u16();
    if (size >= 20) shape.compression = info.u32();
    return shape;
}

// Reserves the bitmap's pixels under the cap, and refuses an uncompressed bitmap whose
// pixel bytes are plainly too few, before anything is allocated.
bool admissible(const DibShape& shape, std::size_t bitsBytes, Gdi& gdi) {
    if (shape.width <= 0 || shape.height <= 0 || shape.width > (1 << 20) ||
        shape.height > (1 << 20))
        return false;
    const std::int64_t pixels = shape.width * shape.height;
    const bool uncompressed =
        shape.compression == 0 || shape.compression == 3 || shape.compression == 6;
    if (uncompressed && shape.bitCount > 0 && shape.bitCount <= 32) {
        const std::int64_t stride = (shape.width * shape.bitCount + 31) / 32 * 4;
        if (stride * (shape.height - 1) + (shape.width * shape.bitCount + 7) / 8 >
            static_cast<std::int64_t>(bitsBytes))
            return false;
    } else if (pixels / 1024 > static_cast<std::int64_t>(bitsBytes)) {
        return false;  // even a run-length stream expands no further than this
    }
    return gdi.reserveImagePixels(pixels);
}

// The shape of the bitmap whose header `info` starts, once its pixels are reserved; none for a
// header that cannot be read or a bitmap that is not admissible.
std::optional<DibShape> admittedShape(const ByteReader& info, std::size_t bitsBytes, Gdi& gdi) {
    std::optional<DibShape> shape;
    try {
        shape = peekShape(info);
    } catch (const ByteReaderOverrun&) {
        return std::nullopt;
    }
    if (!shape || !admissible(*shape, bitsBytes, gdi)) return std::nullopt;
    return shape;
}

template <typename Decode>
std::optional<RecordDib> guarded(bool bottomUp, Decode&& decode) {
    try {
        QImage image = decode();
        if (image.isNull()) return std::nullopt;
        return RecordDib{std::move(image), bottomUp};
    } catch (const Failure&) {
    } catch (const ByteReaderOverrun&) {
    } catch (const std::bad_alloc&) {
    }
    return std::nullopt;
}

}  // namespace

std::optional<RecordDib> decodeRecordDib(ByteReader info, ByteReader bits, std::uint32_t usage,
                                         bool keepAlpha, Gdi& gdi) {
    const std::optional<DibShape> shape = admittedShape(info, bits.size(), gdi);
    if (!shape) return std::nullopt;
    DibOptions options;
    options.paletteIndexes = usage == DIB_PAL_COLORS;
    options.keepAlpha = keepAlpha;
    return guarded(shape->bottomUp, [&] { return decodeDib(info, bits, options); });
}

std::optional<RecordDib> decodeRecordPackedDib(ByteReader packed, std::uint32_t usage, Gdi& gdi) {
    const std::optional<DibShape> shape = admittedShape(packed, packed.size(), gdi);
    if (!shape) return std::nullopt;
    DibOptions options;
    options.paletteIndexes = usage == DIB_PAL_COLORS;
    return guarded(shape->bottomUp, [&] { return decodePackedDib(packed, options); });
}

QRectF dibSourceRect(const RecordDib& dib, double x, double y, double width, double height) {
    if (!dib.bottomUp) return QRectF(x, y, width, height);
    // Bottom-up rows: y counts from the bottom row upwards.
    return QRectF(x, dib.image.height() - y - height, width, height);
}

}  // namespace zarovia::picture::metafile
