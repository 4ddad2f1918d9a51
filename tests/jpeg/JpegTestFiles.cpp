#include "JpegTestFiles.h"

#include "platform/Failure.h"

#include <QtEndian>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace zarovia::picture::jpeg::test {

namespace {

// The files are made from known-good input: libjpeg's default error handler (which ends the
// process with its message) is the right response to a broken test.
class Compressor {
public:
    Compressor() {
        info_.err = jpeg_std_error(&errors_);
        jpeg_create_compress(&info_);
        jpeg_mem_dest(&info_, &buffer_, &size_);
    }
    ~Compressor() {
        jpeg_destroy_compress(&info_);
        std::free(buffer_);
    }
    jpeg_compress_struct& info() { return info_; }
    void writeRows(const std::vector<unsigned char>& pixels, int rowBytes) {
        jpeg_start_compress(&info_, TRUE);
        while (info_.next_scanline < info_.image_height) {
            JSAMPROW row =
                const_cast<unsigned char*>(pixels.data()) +
                static_cast<std::size_t>(info_.next_scanline) * static_cast<std::size_t>(rowBytes);
            jpeg_write_scanlines(&info_, &row, 1);
        }
        jpeg_finish_compress(&info_);
    }
    QByteArray bytes() const {
        return QByteArray(reinterpret_cast<const char*>(buffer_), static_cast<qsizetype>(size_));
    }

private:
    jpeg_compress_struct info_{};
    jpeg_error_mgr errors_{};
    unsigned char* buffer_ = nullptr;
    unsigned long size_ = 0;
};

void setSize(jpeg_compress_struct& info, int width, int height, int components,
             J_COLOR_SPACE space) {
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = components;
    info.in_color_space = space;
    jpeg_set_defaults(&info);
}

void fullChroma(jpeg_compress_struct& info) {
    for (int c = 0; c < info.num_components; ++c) {
        info.comp_info[c].h_samp_factor = 1;
        info.comp_info[c].v_samp_factor = 1;
    }
}

void appendU16(QByteArray& out, quint16 v, bool bigEndian) {
    char b[2];
    if (bigEndian)
        qToBigEndian(v, b);
    else
        qToLittleEndian(v, b);
    out.append(b, 2);
}

void appendU32(QByteArray& out, quint32 v, bool bigEndian) {
    char b[4];
    if (bigEndian)
        qToBigEndian(v, b);
    else
        qToLittleEndian(v, b);
    out.append(b, 4);
}

}  // namespace

QByteArray encodeRgb(const QImage& image, const EncodeOptions& options) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    std::vector<unsigned char> pixels;
    for (int y = 0; y < rgb.height(); ++y)
        pixels.insert(pixels.end(), rgb.constScanLine(y), rgb.constScanLine(y) + rgb.width() * 3);
    Compressor c;
    setSize(c.info(), rgb.width(), rgb.height(), 3, JCS_RGB);
    if (options.rgbColourSpace) jpeg_set_colorspace(&c.info(), JCS_RGB);
    jpeg_set_quality(&c.info(), options.quality, TRUE);
    if (options.fullChroma) fullChroma(c.info());
    if (options.coding == Coding::Progressive) jpeg_simple_progression(&c.info());
    if (options.coding == Coding::Arithmetic) c.info().arith_code = TRUE;
    c.info().restart_in_rows = options.restartRows;
    c.writeRows(pixels, rgb.width() * 3);
    return c.bytes();
}

QByteArray encodeGray(const QImage& image, int quality, bool progressive) {
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    std::vector<unsigned char> pixels;
    for (int y = 0; y < gray.height(); ++y)
        pixels.insert(pixels.end(), gray.constScanLine(y), gray.constScanLine(y) + gray.width());
    Compressor c;
    setSize(c.info(), gray.width(), gray.height(), 1, JCS_GRAYSCALE);
    jpeg_set_quality(&c.info(), quality, TRUE);
    if (progressive) jpeg_simple_progression(&c.info());
    c.writeRows(pixels, gray.width());
    return c.bytes();
}

QByteArray encodeCmyk(const QImage& image, bool ycck, bool adobeMarker, bool progressive) {
    std::vector<unsigned char> pixels;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor colour = QColor(image.pixel(x, y)).toCmyk();
            const int inks[4] = {colour.cyan(), colour.magenta(), colour.yellow(), colour.black()};
            // With the Adobe marker the file stores 255 for no ink.
            for (const int ink : inks)
                pixels.push_back(static_cast<unsigned char>(adobeMarker ? 255 - ink : ink));
        }
    }
    Compressor c;
    setSize(c.info(), image.width(), image.height(), 4, JCS_CMYK);
    jpeg_set_colorspace(&c.info(), ycck ? JCS_YCCK : JCS_CMYK);
    jpeg_set_quality(&c.info(), 95, TRUE);
    fullChroma(c.info());
    c.info().write_Adobe_marker = adobeMarker ? TRUE : FALSE;
    if (progressive) jpeg_simple_progression(&c.info());
    c.writeRows(pixels, image.width() * 4);
    return c.bytes();
}

QByteArray encodeTwoComponents(int width, int height) {
    std::vector<unsigned char> pixels(
        static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 2, 100);
    Compressor c;
    setSize(c.info(), width, height, 2, JCS_UNKNOWN);
    jpeg_set_colorspace(&c.info(), JCS_UNKNOWN);
    c.writeRows(pixels, width * 2);
    return c.bytes();
}

QColor quadrantColour(int quadrant) {
    static const QColor colours[4] = {QColor(220, 30, 30), QColor(30, 200, 30), QColor(30, 30, 220),
                                      QColor(240, 240, 240)};
    return colours[quadrant & 3];
}

QImage detailedPattern(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    quint32 seed = 2024;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            seed = seed * 1103515245u + 12345u;
            const int noise = static_cast<int>((seed >> 16) % 41) - 20;
            const int stripe = ((x / 2 + y / 3) % 2) * 60;
            image.setPixel(x, y,
                           qRgb(std::clamp(x * 255 / width + noise, 0, 255),
                                std::clamp(y * 255 / height + stripe - 30, 0, 255),
                                std::clamp(128 + stripe + noise, 0, 255)));
        }
    }
    return image;
}

QImage quadrantPattern(int width, int height) {
    // 0 top left, 1 top right, 2 bottom left, 3 bottom right.
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(
                x, y, quadrantColour((x >= width / 2 ? 1 : 0) + (y >= height / 2 ? 2 : 0)).rgb());
    return image;
}

QByteArray exifPayload(int orientation, bool bigEndian, quint16 type) {
    QByteArray tiff;
    tiff.append(bigEndian ? "MM" : "II", 2);
    appendU16(tiff, 42, bigEndian);
    appendU32(tiff, 8, bigEndian);  // IFD0 right after the header
    appendU16(tiff, 2, bigEndian);  // two entries: a resolution unit, then the orientation
    appendU16(tiff, 0x0128, bigEndian);
    appendU16(tiff, 3, bigEndian);
    appendU32(tiff, 1, bigEndian);
    appendU16(tiff, 2, bigEndian);
    appendU16(tiff, 0, bigEndian);
    appendU16(tiff, 0x0112, bigEndian);
    appendU16(tiff, type, bigEndian);
    appendU32(tiff, 1, bigEndian);
    if (type == 4) {
        appendU32(tiff, static_cast<quint32>(orientation), bigEndian);
    } else {
        appendU16(tiff, static_cast<quint16>(orientation), bigEndian);
        appendU16(tiff, 0, bigEndian);
    }
    appendU32(tiff, 0, bigEndian);  // no next IFD
    return QByteArray("Exif\0\0", 6) + tiff;
}

QByteArray withExifOrientation(const QByteArray& jpeg, int orientation, bool bigEndian) {
    const QByteArray payload = exifPayload(orientation, bigEndian);
    QByteArray segment("\xFF\xE1", 2);
    appendU16(segment, static_cast<quint16>(payload.size() + 2), true);
    segment += payload;
    return jpeg.left(2) + segment + jpeg.mid(2);
}

qsizetype scanDataOffset(const QByteArray& jpeg) {
    const qsizetype sos = jpeg.indexOf(QByteArray("\xFF\xDA", 2));
    if (sos < 0 || sos + 4 > jpeg.size()) return -1;
    const int length = (static_cast<unsigned char>(jpeg[sos + 2]) << 8) |
                       static_cast<unsigned char>(jpeg[sos + 3]);
    return sos + 2 + length;
}

QByteArray withFatalTableAfterFirstScan(QByteArray progressive) {
    const qsizetype firstScan = progressive.indexOf(QByteArray("\xFF\xDA", 2));
    const qsizetype laterTable = progressive.indexOf(QByteArray("\xFF\xC4", 2), firstScan);
    if (firstScan < 0 || laterTable < 0) return {};
    for (int i = 0; i < 16; ++i) progressive[laterTable + 5 + i] = static_cast<char>(0xFF);
    return progressive;
}

QString failureTextOf(const std::function<void()>& step) {
    try {
        step();
    } catch (const zarovia::Failure& failure) {
        return failure.message();
    }
    return {};
}

qsizetype firstScanEnd(const QByteArray& jpeg) {
    const qsizetype start = scanDataOffset(jpeg);
    if (start < 0) return -1;
    for (qsizetype i = start; i + 1 < jpeg.size(); ++i) {
        if (static_cast<unsigned char>(jpeg[i]) != 0xFF) continue;
        const auto next = static_cast<unsigned char>(jpeg[i + 1]);
        if (next != 0x00 && (next < 0xD0 || next > 0xD7)) return i;
    }
    return -1;
}

int channelDistance(QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b))});
}

}  // namespace zarovia::picture::jpeg::test
