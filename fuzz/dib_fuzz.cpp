// The DIB reader as metafile records and rich text call it: the first byte picks the options
// and how the rest is split into header and pixel ranges.
#include "picture/bmp/Dib.h"
#include "platform/Failure.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const uint8_t control = data[0];
    const char* rest = reinterpret_cast<const char*>(data + 1);
    const size_t restSize = size - 1;

    zarovia::picture::DibOptions options;
    options.iconWithAndMask = (control & 1) != 0;
    options.keepAlpha = (control & 2) != 0;
    options.paletteIndexes = (control & 4) != 0;
    try {
        QImage image;
        if ((control & 8) != 0) {
            image = zarovia::picture::decodePackedDib(zarovia::picture::ByteReader(rest, restSize),
                                                      options);
        } else {
            // Header and colour table first, pixels after, split where the next byte says.
            const size_t split = std::min<size_t>(restSize, 12 + static_cast<size_t>(data[1]) * 4);
            image = zarovia::picture::decodeDib(
                zarovia::picture::ByteReader(rest, split),
                zarovia::picture::ByteReader(rest + split, restSize - split), options);
        }
        if (image.isNull() || image.width() <= 0 || image.height() <= 0) std::abort();
    } catch (const zarovia::Failure&) {
    }
    return 0;
}
