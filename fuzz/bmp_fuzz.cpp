// Whole .bmp files: every input either decodes to an opaque picture or fails with a Failure.
#include "picture/bmp/Bmp.h"
#include "platform/Failure.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        const zarovia::picture::Picture picture = zarovia::picture::decodeBmpFile(bytes);
        const QImage image = picture.toImage();
        if (image.isNull() || image.width() <= 0 || image.height() <= 0 ||
            image.format() != QImage::Format_RGB32)
            std::abort();
    } catch (const zarovia::Failure&) {
    }
    return 0;
}
