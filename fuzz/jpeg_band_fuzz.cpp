// Decodes the input as a JPEG on one thread, then in bands on two and on three threads (every
// picture with restart markers is banded, whatever its size) and on two threads read in pieces,
// at a DCT scale picked by the input's length, whole and shrunk, keeping what a damaged file
// gives. The pictures and the failure codes must be the same.
#include "picture/jpeg/DctScale.h"
#include "picture/jpeg/DecodeThreads.h"
#include "picture/jpeg/JpegDecode.h"
#include "picture/jpeg/JpegHeader.h"
#include "platform/Failure.h"

#include <QByteArray>
#include <QImage>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {

using namespace zarovia::picture::jpeg;

// Each run decodes the picture six times: keep it short.
constexpr long long kMaxCodedPixels = 1024LL * 1024;

bool samePictures(const QImage& a, const QImage& b) {
    if (a.isNull() || b.isNull()) return a.isNull() == b.isNull();
    if (a.size() != b.size() || a.format() != b.format()) return false;
    const auto rowBytes = static_cast<std::size_t>(a.width()) * a.depth() / 8;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), rowBytes) != 0) return false;
    return true;
}

// The file read in pieces of `piece` bytes, as a large file is, and opened again for the band
// that a second reader finds.
JpegInput inPieces(const QByteArray& bytes, qsizetype piece) {
    const auto reader = [bytes, piece] {
        auto offset = std::make_shared<qsizetype>(0);
        return ChunkReader([bytes, piece, offset] {
            const QByteArray out = bytes.mid(*offset, piece);
            *offset += out.size();
            return out;
        });
    };
    JpegInput input(reader());
    input.reopen = reader;
    return input;
}

DecodedJpeg decodeOn(int threads, const JpegInput& input, const JpegHeader& header, int scale,
                     QSize fitted) {
    const DecodeThreadsOverride threadsOverride(threads, 0);
    return fitted.isEmpty()
               ? decodeJpeg(input, header, scale, OnFailure::KeepPartial)
               : decodeJpegFitted(input, header, scale, fitted, OnFailure::KeepPartial);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    JpegHeader header;
    try {
        header = readJpegHeader(bytes);
    } catch (const zarovia::Failure&) {
        return 0;
    }
    if (static_cast<long long>(header.codedSize.width()) * header.codedSize.height() >
        kMaxCodedPixels)
        return 0;
    const int scale = kScaleDenominators[size % 4];
    const QSize upright = scaledOutputSize(header.uprightSize(), scale);
    // Shrunk by factors that make most output rows take source rows from two bands.
    const QSize shrunk(std::max(1, upright.width() * 2 / 3), std::max(1, upright.height() * 3 / 5));
    for (const QSize fitted : {QSize(), shrunk}) {
        const DecodedJpeg oneThread = decodeOn(1, bytes, header, scale, fitted);
        for (const int threads : {2, 3}) {
            const DecodedJpeg banded = decodeOn(threads, bytes, header, scale, fitted);
            if (banded.failureCode != oneThread.failureCode ||
                !samePictures(banded.image, oneThread.image))
                __builtin_trap();
        }
        // In pieces the second band may or may not win its race; the pixels are the same.
        const qsizetype piece = 1 + static_cast<qsizetype>(size % 997);
        const DecodedJpeg pieces = decodeOn(2, inPieces(bytes, piece), header, scale, fitted);
        if (pieces.failureCode != oneThread.failureCode ||
            !samePictures(pieces.image, oneThread.image))
            __builtin_trap();
    }
    return 0;
}
