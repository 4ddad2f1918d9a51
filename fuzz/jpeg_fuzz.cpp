// Loads the input as a JPEG, then decodes it the ways the viewer does: made ready and drawn
// for a small window, then again for a larger one (another DCT scale, a decode of its own), in
// passes with a first look (a progressive file), from its file read in pieces (the first byte
// picks their size), and (for small headers) at full size and at a covering scale for printing.
#include "picture/jpeg/Jpeg.h"
#include "platform/Failure.h"

#include <QImage>
#include <QPainter>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

// Decoding cost grows with the header's size whatever the input's length; keep each run short.
constexpr long long kMaxDisplayPixels = 16LL * 1024 * 1024;
constexpr long long kMaxFullPixels = 1024LL * 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zarovia::picture;
    try {
        const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
        const Picture picture = loadJpeg(bytes);
        if (picture.width() <= 0 || picture.height() <= 0) __builtin_trap();
        const long long pixels = static_cast<long long>(picture.width()) * picture.height();
        if (pixels <= kMaxDisplayPixels) {
            // As a small window shows it, then one four times as wide and high.
            for (const QSize shown : {QSize(40, 30), QSize(160, 120)}) {
                picture.prepare(shown);
                QImage canvas(shown + QSize(8, 6), QImage::Format_RGB32);
                QPainter painter(&canvas);
                picture.draw(painter, QRectF(QPointF(2, 2), QSizeF(shown)));
                try {
                    decodeForDisplay(picture, shown);
                } catch (const zarovia::Failure&) {
                }
            }
            // A fresh copy, so that the decode runs again, in passes.
            const Picture inPasses = loadJpeg(bytes);
            int looks = 0;
            try {
                decodeForDisplay(inPasses, QSize(40, 30), [&looks](const QImage& look) {
                    if (look.isNull() || ++looks > 1) __builtin_trap();
                });
            } catch (const zarovia::Failure&) {
            }
            // Loaded from its head only, and decoded from pieces of the file.
            const qsizetype chunk = 1 + (size > 0 ? data[0] % 64 : 0);
            const Picture inPieces = loadJpegFromHead(bytes, [bytes, chunk] {
                auto offset = std::make_shared<qsizetype>(0);
                return jpeg::ChunkReader([bytes, chunk, offset] {
                    const QByteArray piece = bytes.mid(*offset, chunk);
                    *offset += piece.size();
                    return piece;
                });
            });
            try {
                decodeForDisplay(inPieces, QSize(40, 30), [](const QImage&) {});
            } catch (const zarovia::Failure&) {
            }
        }
        if (pixels <= kMaxFullPixels) {
            try {
                const QImage full = picture.toImage();
                if (full.size() != picture.size()) __builtin_trap();
            } catch (const zarovia::Failure&) {
            }
            try {
                const QImage covering = picture.toImageCovering(QSize(20, 15));
                if (covering.isNull()) __builtin_trap();
            } catch (const zarovia::Failure&) {
            }
        }
    } catch (const zarovia::Failure&) {
    }
    return 0;
}
