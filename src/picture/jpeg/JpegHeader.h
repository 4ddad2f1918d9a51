#pragma once

#include "picture/colour/ColourConversion.h"
#include "picture/colour/ColourProfile.h"
#include "picture/jpeg/ExifOrientation.h"

#include <QByteArray>
#include <QSize>
#include <QString>
#include <memory>

namespace zarovia::picture::jpeg {

// The colour model of the coded pixels, as far as the conversion to RGB cares.
enum class JpegColour {
    Gray,
    YCbCr,
    Rgb,
    Cmyk,  // also YCCK, which libjpeg turns into CMYK
};

// What loading a JPEG learns from its header, before any pixel is decoded.
struct JpegHeader {
    QSize codedSize;  // as stored, before the EXIF orientation
    JpegColour colour = JpegColour::YCbCr;
    // Adobe writes CMYK and YCCK inverted (0 = full ink).
    bool adobeInverted = false;
    bool progressive = false;
    // MCUs between restart markers; 0 when the file has none.
    int restartInterval = 0;
    Orientation orientation = Orientation::Normal;
    // The ICC profile of its APP2 chunks; null when there is none or it is broken (sRGB).
    colour::ColourProfile profile;
    // A CMYK or YCCK picture's rows go to sRGB through its CMYK profile, else the default one;
    // null for other colour models, or when neither profile can be used (then a plain formula
    // converts them).
    std::shared_ptr<const colour::CmykRowConverter> cmykToSrgb;

    // The profile of the decoded RGB pixels: a CMYK picture's are sRGB once its rows are
    // converted.
    colour::ColourProfile rgbProfile() const {
        return colour == JpegColour::Cmyk ? colour::ColourProfile() : profile;
    }

    // The size the picture shows at: the coded size turned upright.
    QSize uprightSize() const { return orientedSize(codedSize, orientation); }
};

// The largest picture a JPEG header may declare. A JPEG is decoded at the display's DCT scale
// (at least 1/8 of each side), so it may declare more than a raster decoder allocates; a
// larger header is taken as corrupt, which also bounds the time a forged header can make
// the decoder spend reading through empty blocks.
inline constexpr long long kMaxJpegHeaderPixels = 16384LL * 16384LL;

// The failure text for one of libjpeg's message codes.
QString jpegErrorText(int messageCode);

// Reads the header of a whole JPEG file held in memory. Throws zarovia::Failure with
// jpegErrorText() of libjpeg's code when libjpeg rejects the header; a picture above
// kMaxJpegHeaderPixels fails with libjpeg's "image too big" code and a colour model that cannot
// be shown in RGB with its "unsupported colour conversion" code.
JpegHeader readJpegHeader(const QByteArray& bytes);

}  // namespace zarovia::picture::jpeg
