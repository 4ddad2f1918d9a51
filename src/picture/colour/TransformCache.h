#pragma once

#include "picture/colour/ColourProfile.h"

#include <memory>

namespace zarovia::picture::colour {

// How the pixels handed to a transform lie in memory.
enum class PixelLayout {
    Rgb32,          // a QImage's RGB32 or ARGB32 pixels; the fourth byte is left as it is
    Cmyk8,          // C, M, Y, K bytes, 0 = no ink
    Cmyk8Inverted,  // the same inverted (255 = no ink), as Adobe writes CMYK and YCCK JPEGs
};

// One Little CMS transform from a source profile to the display's, writing Rgb32 pixels. Any
// number of threads may use one at once.
class ColourTransform {
public:
    explicit ColourTransform(void* handle) : handle_(handle) {}
    ~ColourTransform();
    ColourTransform(const ColourTransform&) = delete;
    ColourTransform& operator=(const ColourTransform&) = delete;

    // Converts `pixels` pixels from `in` to `out` (which may be `in` when the layouts have the
    // same size). The fourth byte of each output pixel is not written.
    void apply(const void* in, void* out, int pixels) const;

private:
    void* handle_;
};

// The transform from `source` (null: sRGB) in `layout` to `destination` (null: sRGB), built by
// Little CMS on first use and kept for the next picture with the same pair. Null when Little
// CMS cannot build it (a broken profile, a layout that does not match the source's model):
// the refusal is kept too, so a broken profile costs its build once. Thread-safe.
std::shared_ptr<const ColourTransform> findTransform(const ColourProfile& source,
                                                     const ColourProfile& destination,
                                                     PixelLayout layout);

// How many transforms are kept, and how many were built since the start (for tests).
struct TransformCacheStats {
    int kept = 0;
    int built = 0;
};
TransformCacheStats transformCacheStats();

}  // namespace zarovia::picture::colour
