#include "picture/jpeg/JpegHeader.h"

#include "picture/colour/IccChunks.h"
#include "picture/jpeg/JpegSession.h"
#include "platform/Failure.h"

#include <jerror.h>

#include <cstring>

namespace zarovia::picture::jpeg {

namespace {

constexpr int kApp1 = JPEG_APP0 + 1;
constexpr int kApp2 = JPEG_APP0 + 2;
constexpr unsigned kMaxMarkerLength = 0xFFFF;

void readHeaderStep(j_decompress_ptr info, void*) {
    jpeg_save_markers(info, kApp1, kMaxMarkerLength);
    jpeg_save_markers(info, kApp2, kMaxMarkerLength);
    jpeg_read_header(info, TRUE);
}

Orientation orientationFromMarkers(const jpeg_decompress_struct& info) {
    for (jpeg_saved_marker_ptr marker = info.marker_list; marker != nullptr;
         marker = marker->next) {
        if (marker->marker != kApp1) continue;
        // The first EXIF segment counts; others (XMP, a second EXIF) are passed over.
        if (marker->data_length >= 6 && marker->data != nullptr &&
            std::memcmp(marker->data, "Exif\0\0", 6) == 0)
            return exifOrientation(marker->data, marker->data_length);
    }
    return Orientation::Normal;
}

// The ICC profile in the APP2 segments; null when there is none or it is broken.
colour::ColourProfile profileFromMarkers(const jpeg_decompress_struct& info) {
    std::vector<colour::App2Segment> segments;
    for (jpeg_saved_marker_ptr marker = info.marker_list; marker != nullptr;
         marker = marker->next) {
        if (marker->marker == kApp2 && marker->data != nullptr)
            segments.push_back({marker->data, marker->data_length});
    }
    return colour::ColourProfile::fromIcc(colour::reassembleIccProfile(segments));
}

// Which RGB conversion the coded colour model needs; false when there is none.
bool colourOf(const jpeg_decompress_struct& info, JpegColour& colour) {
    switch (info.jpeg_color_space) {
        case JCS_GRAYSCALE:
            colour = JpegColour::Gray;
            return info.num_components == 1;
        case JCS_YCbCr:
            colour = JpegColour::YCbCr;
            return info.num_components == 3;
        case JCS_RGB:
            colour = JpegColour::Rgb;
            return info.num_components == 3;
        case JCS_CMYK:
        case JCS_YCCK:
            colour = JpegColour::Cmyk;
            return info.num_components == 4;
        default:
            return false;
    }
}

}  // namespace

QString jpegErrorText(int messageCode) {
    return QStringLiteral("JPEG エラー #%1").arg(messageCode);
}

JpegHeader readJpegHeader(const QByteArray& bytes) {
    JpegSession session(bytes);
    if (session.failureCode() != 0) throw Failure(jpegErrorText(session.failureCode()));
    if (const int code = session.run(&readHeaderStep, nullptr); code != 0)
        throw Failure(jpegErrorText(code));

    const jpeg_decompress_struct& info = session.info();
    // libjpeg already refuses a side of 0; the check stays so that fitting can never divide
    // by zero whatever the library version.
    if (info.image_width == 0 || info.image_height == 0)
        throw Failure(jpegErrorText(JERR_EMPTY_IMAGE));
    const long long pixels =
        static_cast<long long>(info.image_width) * static_cast<long long>(info.image_height);
    if (pixels > kMaxJpegHeaderPixels) throw Failure(jpegErrorText(JERR_IMAGE_TOO_BIG));

    JpegHeader header;
    if (!colourOf(info, header.colour)) throw Failure(jpegErrorText(JERR_CONVERSION_NOTIMPL));
    header.codedSize =
        QSize(static_cast<int>(info.image_width), static_cast<int>(info.image_height));
    header.adobeInverted = info.saw_Adobe_marker != 0;
    header.progressive = info.progressive_mode != 0;
    header.restartInterval = static_cast<int>(info.restart_interval);
    header.orientation = orientationFromMarkers(info);
    header.profile = profileFromMarkers(info);
    if (header.colour == JpegColour::Cmyk) {
        auto rows = std::make_shared<const colour::CmykRowConverter>(
            header.profile, header.adobeInverted, colour::ColourProfile());
        if (rows->isValid()) header.cmykToSrgb = std::move(rows);
    }
    return header;
}

}  // namespace zarovia::picture::jpeg
