#include "picture/jpeg/JpegOutput.h"

#include <algorithm>
#include <new>

namespace zarovia::picture::jpeg {

namespace {

constexpr int kCmykBytesPerPixel = 4;

// Adobe's inverted CMYK stores 255 for no ink; plain CMYK stores 0.
void cmykRowToRgb32(const unsigned char* cmyk, QRgb* out, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, cmyk += kCmykBytesPerPixel) {
        int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        out[x] = qRgb((c * k + 127) / 255, (m * k + 127) / 255, (y * k + 127) / 255);
    }
}

}  // namespace

J_COLOR_SPACE outputColourFor(JpegColour colour) {
    // JCS_EXT_BGRX lays out bytes as Format_RGB32 does on a little-endian machine.
    if (colour == JpegColour::Cmyk) return JCS_CMYK;
    return Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
}

void readRows(j_decompress_ptr info, void* context) {
    const auto* target = static_cast<const RowTarget*>(context);
    JSAMPROW rows[kRowsPerRead];
    while (info->output_scanline < target->height) {
        JpegSession::checkpoint(info);
        const JDIMENSION first = info->output_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(kRowsPerRead, target->height - first);
        // A banded pass writes every batch from the band's top.
        const JDIMENSION bandFirst = target->sink != nullptr ? 0 : first;
        const auto rowAt = [&](JDIMENSION i) {
            return target->bits + static_cast<qsizetype>(bandFirst + i) * target->bytesPerLine;
        };
        for (JDIMENSION i = 0; i < count; ++i) {
            rows[i] = target->cmykRows != nullptr
                          ? target->cmykRows +
                                static_cast<std::size_t>(i) * target->width * kCmykBytesPerPixel
                          : rowAt(i);
        }
        const JDIMENSION got = jpeg_read_scanlines(info, rows, count);
        if (target->cmykRows != nullptr && target->cmykToSrgb != nullptr) {
            for (JDIMENSION i = 0; i < got; ++i)
                target->cmykToSrgb->convert(rows[i], rowAt(i), static_cast<int>(target->width));
        } else if (target->cmykRows != nullptr) {
            for (JDIMENSION i = 0; i < got; ++i)
                cmykRowToRgb32(rows[i], reinterpret_cast<QRgb*>(rowAt(i)), target->width,
                               target->adobeInverted);
        }
        if (target->sink != nullptr && got > 0)
            target->sink(target->sinkContext, rowAt(0), target->bytesPerLine,
                         static_cast<int>(got));
        if (got == 0) break;  // cannot happen with an in-memory source; never spin
    }
}

std::vector<unsigned char> cmykRowBuffer(const JpegHeader& header, int width, bool& ok) {
    ok = true;
    std::vector<unsigned char> rows;
    if (header.colour != JpegColour::Cmyk) return rows;
    try {
        rows.resize(static_cast<std::size_t>(kRowsPerRead) * static_cast<std::size_t>(width) *
                    kCmykBytesPerPixel);
    } catch (const std::bad_alloc&) {
        ok = false;  // drawing must not throw
    }
    return rows;
}

RowTarget rowTargetFor(QImage& image, const JpegHeader& header,
                       std::vector<unsigned char>& cmykRows) {
    return RowTarget{image.bits(),
                     image.bytesPerLine(),
                     static_cast<JDIMENSION>(image.width()),
                     static_cast<JDIMENSION>(image.height()),
                     cmykRows.empty() ? nullptr : cmykRows.data(),
                     header.adobeInverted,
                     header.cmykToSrgb.get()};
}

void fillRowsGrey(QImage& image, int fromRow) {
    for (int y = std::max(fromRow, 0); y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        std::fill(row, row + image.width(), kUnreachedGrey);
    }
}

QImage uprightGrey(QSize coded, Orientation orientation) {
    QImage image(orientedSize(coded, orientation), QImage::Format_RGB32);
    if (!image.isNull()) image.fill(kUnreachedGrey);
    return image;
}

}  // namespace zarovia::picture::jpeg
