#pragma once

#include "picture/colour/ColourProfile.h"
#include "picture/colour/TransformCache.h"

#include <QImage>
#include <memory>

// Converting decoded pixels from the picture's profile to the display's. Decoders and pictures
// call these on the workers, on pixels already shrunk to the size shown.
namespace zarovia::picture::colour {

// The CMYK profile for CMYK and YCCK pictures that carry none: the one Debian's libgs-common
// installs. Read once; null when the file is not there or is refused (then such pictures are
// converted without a profile, as before colour management).
inline constexpr char kDefaultCmykProfilePath[] =
    "/usr/share/color/icc/ghostscript/default_cmyk.icc";
ColourProfile defaultCmykProfile();

// Whether pixels in `source` must be converted to be right on `destination`: false when both
// are sRGB (null) or both the same profile, so an untagged picture on an sRGB display costs
// nothing.
bool needsConversion(const ColourProfile& source, const ColourProfile& destination);

// Converts `image` (RGB32, ARGB32 or ARGB32_Premultiplied; others are left alone) in place
// from `source` to `destination`, with a checkpoint between bands of rows. Returns false, and
// leaves the image as it was, when there is no transform for the pair (a broken profile shows
// as sRGB). Alpha is kept.
bool convertImage(QImage& image, const ColourProfile& source, const ColourProfile& destination);

// The same on a copy: `image` itself when nothing needs converting or the conversion is
// refused.
QImage convertedImage(const QImage& image, const ColourProfile& source,
                      const ColourProfile& destination);

// Converts rows of CMYK to RGB32 through `source` (the picture's CMYK profile, else
// defaultCmykProfile()), for one decode. Null transform when neither profile can be used.
class CmykRowConverter {
public:
    CmykRowConverter(const ColourProfile& source, bool adobeInverted,
                     const ColourProfile& destination);
    bool isValid() const noexcept { return transform_ != nullptr; }
    // `width` pixels of 4 bytes from `cmyk` into `rgb32` (opaque).
    void convert(const unsigned char* cmyk, unsigned char* rgb32, int width) const;

private:
    std::shared_ptr<const ColourTransform> transform_;
};

}  // namespace zarovia::picture::colour
