#include "picture/jpeg/JpegDecode.h"

#include "picture/jpeg/DctScale.h"
#include "picture/jpeg/JpegSession.h"

#include <jerror.h>

#include <algorithm>
#include <new>
#include <vector>

namespace zarovia::picture::jpeg {

namespace {

// What libjpeg leaves in the coefficients it never received; rows it never reached get it too.
constexpr QRgb kUnreachedGrey = 0xFF808080;
constexpr int kRowsPerRead = 16;
constexpr int kCmykBytesPerPixel = 4;

struct DecodeSetup {
    int scaleDenominator;
    J_COLOR_SPACE outputColour;
};

void startDecompress(j_decompress_ptr info, void* context) {
    const auto* setup = static_cast<const DecodeSetup*>(context);
    jpeg_read_header(info, TRUE);
    info->scale_num = 1;
    info->scale_denom = static_cast<unsigned>(setup->scaleDenominator);
    info->out_color_space = setup->outputColour;
    jpeg_start_decompress(info);
}

// Where the rows go: straight into the image, or through a CMYK buffer converted per row.
struct RowTarget {
    uchar* bits;
    qsizetype bytesPerLine;
    JDIMENSION width;
    JDIMENSION height;
    unsigned char* cmykRows;  // kRowsPerRead rows of CMYK, or null for direct output
    bool adobeInverted;
};

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

// Runs under the session's guard: holds nothing with a destructor.
void readRows(j_decompress_ptr info, void* context) {
    const auto* target = static_cast<const RowTarget*>(context);
    JSAMPROW rows[kRowsPerRead];
    while (info->output_scanline < target->height) {
        const JDIMENSION first = info->output_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(kRowsPerRead, target->height - first);
        for (JDIMENSION i = 0; i < count; ++i) {
            rows[i] = target->cmykRows != nullptr
                          ? target->cmykRows +
                                static_cast<std::size_t>(i) * target->width * kCmykBytesPerPixel
                          : target->bits + static_cast<qsizetype>(first + i) * target->bytesPerLine;
        }
        const JDIMENSION got = jpeg_read_scanlines(info, rows, count);
        if (target->cmykRows != nullptr) {
            for (JDIMENSION i = 0; i < got; ++i) {
                auto* out = reinterpret_cast<QRgb*>(
                    target->bits + static_cast<qsizetype>(first + i) * target->bytesPerLine);
                cmykRowToRgb32(rows[i], out, target->width, target->adobeInverted);
            }
        }
        if (got == 0) break;  // cannot happen with an in-memory source; never spin
    }
}

J_COLOR_SPACE outputColourFor(JpegColour colour) {
    // JCS_EXT_BGRX lays out bytes as Format_RGB32 does on a little-endian machine.
    if (colour == JpegColour::Cmyk) return JCS_CMYK;
    return Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
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

}  // namespace

DecodedJpeg decodeJpeg(const QByteArray& bytes, const JpegHeader& header, int scaleDenominator,
                       OnFailure onFailure) {
    DecodedJpeg result;
    const QSize expected = scaledOutputSize(header.codedSize, scaleDenominator);
    const bool keepPartial = onFailure == OnFailure::KeepPartial;
    JpegSession session(bytes);
    DecodeSetup setup{scaleDenominator, outputColourFor(header.colour)};
    // A progressive picture is read whole here, before any row comes out.
    if (session.run(&startDecompress, &setup) != 0) {
        result.failureCode = session.failureCode();
        if (keepPartial) result.image = uprightGrey(expected, header.orientation);
        return result;
    }

    const jpeg_decompress_struct& info = session.info();
    const QSize output(static_cast<int>(info.output_width), static_cast<int>(info.output_height));
    // The header was vetted at load and the same bytes give the same size; anything else
    // would let libjpeg write past the image.
    if (output != expected) {
        result.failureCode = JERR_BAD_STATE;
        if (keepPartial) result.image = uprightGrey(expected, header.orientation);
        return result;
    }
    QImage image(output, QImage::Format_RGB32);
    if (image.isNull()) {
        result.failureCode = JERR_OUT_OF_MEMORY;
        return result;
    }

    std::vector<unsigned char> cmykRows;
    if (header.colour == JpegColour::Cmyk) {
        try {
            cmykRows.resize(static_cast<std::size_t>(kRowsPerRead) *
                            static_cast<std::size_t>(output.width()) * kCmykBytesPerPixel);
        } catch (const std::bad_alloc&) {
            result.failureCode = JERR_OUT_OF_MEMORY;  // drawing must not throw
            return result;
        }
    }
    RowTarget target{image.bits(),
                     image.bytesPerLine(),
                     static_cast<JDIMENSION>(output.width()),
                     static_cast<JDIMENSION>(output.height()),
                     cmykRows.empty() ? nullptr : cmykRows.data(),
                     header.adobeInverted};
    session.run(&readRows, &target);

    const JDIMENSION reached = info.output_scanline;
    result.failureCode = session.failureCode();
    if (reached < target.height) {
        if (result.failureCode == 0) result.failureCode = JERR_BAD_STATE;
        if (!keepPartial) return result;
        fillRowsGrey(image, static_cast<int>(reached));
    }
    result.image = applyOrientation(image, header.orientation);
    return result;
}

}  // namespace zarovia::picture::jpeg
