#include "picture/colour/TransformCache.h"

#include "picture/colour/LcmsContext.h"

#include <lcms2.h>
#include <QtGlobal>
#include <algorithm>
#include <list>
#include <mutex>

namespace zarovia::picture::colour {

namespace {

// Transforms kept at once. A folder's pictures share a few profiles; a transform of a table
// profile holds some hundreds of KB, so the oldest are let go beyond this.
constexpr std::size_t kKeptTransforms = 24;

// A QImage RGB32 pixel in memory: B, G, R, A on little-endian machines.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr cmsUInt32Number kRgb32 = TYPE_BGRA_8;
// A grey source reads the first byte of each pixel (blue, equal to the others) and skips three.
constexpr cmsUInt32Number kGrayInRgb32 =
    COLORSPACE_SH(PT_GRAY) | CHANNELS_SH(1) | EXTRA_SH(3) | BYTES_SH(1);
#else
constexpr cmsUInt32Number kRgb32 = TYPE_ARGB_8;
constexpr cmsUInt32Number kGrayInRgb32 =
    COLORSPACE_SH(PT_GRAY) | CHANNELS_SH(1) | EXTRA_SH(3) | BYTES_SH(1) | SWAPFIRST_SH(1);
#endif

bool inputFormat(ColourModel model, PixelLayout layout, cmsUInt32Number& format) {
    switch (layout) {
        case PixelLayout::Rgb32:
            if (model == ColourModel::Cmyk) return false;
            format = model == ColourModel::Gray ? kGrayInRgb32 : kRgb32;
            return true;
        case PixelLayout::Cmyk8:
            format = TYPE_CMYK_8;
            return model == ColourModel::Cmyk;
        case PixelLayout::Cmyk8Inverted:
            format = TYPE_CMYK_8_REV;
            return model == ColourModel::Cmyk;
    }
    return false;
}

LcmsProfile openOrSrgb(const ColourProfile& profile) {
    if (profile.isNull()) return LcmsProfile(cmsCreate_sRGBProfileTHR(lcmsContext()));
    const QByteArray& icc = profile.icc();
    return LcmsProfile(cmsOpenProfileFromMemTHR(lcmsContext(), icc.constData(),
                                                static_cast<cmsUInt32Number>(icc.size())));
}

std::shared_ptr<const ColourTransform> build(const ColourProfile& source,
                                             const ColourProfile& destination, PixelLayout layout) {
    cmsUInt32Number format = 0;
    const ColourModel model = source.isNull() ? ColourModel::Rgb : source.model();
    if (!inputFormat(model, layout, format)) return nullptr;
    if (!destination.isNull() && destination.model() != ColourModel::Rgb) return nullptr;
    const LcmsProfile in = openOrSrgb(source);
    const LcmsProfile out = openOrSrgb(destination);
    if (!in || !out) return nullptr;
    // Several workers may use one transform at once: no one-pixel cache shared between them.
    cmsHTRANSFORM handle = cmsCreateTransformTHR(lcmsContext(), in.get(), format, out.get(), kRgb32,
                                                 INTENT_PERCEPTUAL, cmsFLAGS_NOCACHE);
    if (!handle) return nullptr;
    return std::make_shared<const ColourTransform>(handle);
}

struct Entry {
    ColourProfile source;
    ColourProfile destination;
    PixelLayout layout;
    std::shared_ptr<const ColourTransform> transform;  // null: Little CMS refused
};

struct Cache {
    std::mutex mutex;
    std::list<Entry> entries;  // most recently used first
    int built = 0;
};

Cache& cache() {
    static Cache instance;
    return instance;
}

}  // namespace

ColourTransform::~ColourTransform() {
    cmsDeleteTransform(handle_);
}

void ColourTransform::apply(const void* in, void* out, int pixels) const {
    if (pixels > 0) cmsDoTransform(handle_, in, out, static_cast<cmsUInt32Number>(pixels));
}

std::shared_ptr<const ColourTransform> findTransform(const ColourProfile& source,
                                                     const ColourProfile& destination,
                                                     PixelLayout layout) {
    Cache& c = cache();
    const auto matches = [&](const Entry& e) {
        return e.layout == layout && e.source == source && e.destination == destination;
    };
    {
        const std::lock_guard lock(c.mutex);
        if (auto it = std::find_if(c.entries.begin(), c.entries.end(), matches);
            it != c.entries.end()) {
            c.entries.splice(c.entries.begin(), c.entries, it);
            return it->transform;
        }
    }
    // Built without the lock: a table profile takes some milliseconds, and other pairs need
    // not wait for it. Two threads may build the same pair; the first one kept wins.
    std::shared_ptr<const ColourTransform> transform = build(source, destination, layout);
    const std::lock_guard lock(c.mutex);
    ++c.built;
    if (auto it = std::find_if(c.entries.begin(), c.entries.end(), matches); it != c.entries.end())
        return it->transform;
    c.entries.push_front({source, destination, layout, transform});
    if (c.entries.size() > kKeptTransforms) c.entries.pop_back();
    return transform;
}

TransformCacheStats transformCacheStats() {
    Cache& c = cache();
    const std::lock_guard lock(c.mutex);
    return {static_cast<int>(c.entries.size()), c.built};
}

}  // namespace zarovia::picture::colour
