#include "picture/colour/ColourProfile.h"

#include "picture/colour/LcmsContext.h"

#include <lcms2.h>
#include <QHash>
#include <cmath>

namespace zarovia::picture::colour {

namespace {

bool modelOf(cmsHPROFILE profile, ColourModel& model) {
    switch (cmsGetColorSpace(profile)) {
        case cmsSigRgbData:
            model = ColourModel::Rgb;
            return true;
        case cmsSigCmykData:
            model = ColourModel::Cmyk;
            return true;
        case cmsSigGrayData:
            model = ColourModel::Gray;
            return true;
        default:
            return false;
    }
}

QString descriptionOf(cmsHPROFILE profile) {
    char text[128] = {};
    const cmsUInt32Number length =
        cmsGetProfileInfoASCII(profile, cmsInfoDescription, "en", "US", text, sizeof text);
    return length > 0 ? QString::fromLatin1(text).trimmed() : QString();
}

bool finitePositive(double v) {
    return std::isfinite(v) && v > 0;
}

}  // namespace

ColourProfile ColourProfile::fromIcc(QByteArray icc) {
    if (icc.isEmpty() || static_cast<std::size_t>(icc.size()) > kMaxIccProfileBytes) return {};
    const LcmsProfile profile(cmsOpenProfileFromMemTHR(lcmsContext(), icc.constData(),
                                                       static_cast<cmsUInt32Number>(icc.size())));
    if (!profile) return {};
    ColourModel model{};
    if (!modelOf(profile.get(), model)) return {};
    // Device links, abstract and named-colour profiles describe no source space.
    const cmsProfileClassSignature cls = cmsGetDeviceClass(profile.get());
    if (cls == cmsSigLinkClass || cls == cmsSigAbstractClass || cls == cmsSigNamedColorClass)
        return {};
    if (!cmsIsMatrixShaper(profile.get()) &&
        !cmsIsCLUT(profile.get(), INTENT_PERCEPTUAL, LCMS_USED_AS_INPUT))
        return {};
    ColourProfile result;
    // Kept by the transform cache beyond the caller's buffer: never a view of raw data.
    icc.detach();
    auto data = std::make_shared<Data>();
    data->key = static_cast<std::size_t>(qHash(icc)) ^ static_cast<std::size_t>(icc.size());
    data->icc = std::move(icc);
    data->model = model;
    data->description = descriptionOf(profile.get());
    result.data_ = std::move(data);
    return result;
}

ColourProfile ColourProfile::fromCalibratedRgb(const CalibratedRgb& calibrated) {
    cmsCIExyYTRIPLE primaries{};
    cmsCIExyY* const xyY[3] = {&primaries.Red, &primaries.Green, &primaries.Blue};
    CalibratedRgb::Xyz white;
    for (int i = 0; i < 3; ++i) {
        const CalibratedRgb::Xyz& p = calibrated.primaries[i];
        const double sum = p.x + p.y + p.z;
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z) ||
            !finitePositive(sum) || p.y < 0)
            return {};
        *xyY[i] = {p.x / sum, p.y / sum, 1.0};
        white.x += p.x;
        white.y += p.y;
        white.z += p.z;
        const double g = calibrated.gamma[i];
        if (!finitePositive(g) || g > 16) return {};
    }
    const double whiteSum = white.x + white.y + white.z;
    if (!finitePositive(whiteSum) || !finitePositive(white.y)) return {};
    const cmsCIExyY whitePoint{white.x / whiteSum, white.y / whiteSum, 1.0};

    const cmsContext context = lcmsContext();
    cmsToneCurve* curves[3] = {};
    for (int i = 0; i < 3; ++i) curves[i] = cmsBuildGamma(context, calibrated.gamma[i]);
    LcmsProfile profile;
    if (curves[0] && curves[1] && curves[2])
        profile.reset(cmsCreateRGBProfileTHR(context, &whitePoint, &primaries, curves));
    for (cmsToneCurve* curve : curves)
        if (curve) cmsFreeToneCurve(curve);
    if (!profile) return {};

    cmsUInt32Number size = 0;
    if (!cmsSaveProfileToMem(profile.get(), nullptr, &size) || size == 0) return {};
    QByteArray bytes(static_cast<qsizetype>(size), Qt::Uninitialized);
    if (!cmsSaveProfileToMem(profile.get(), bytes.data(), &size)) return {};
    ColourProfile result = fromIcc(std::move(bytes));
    if (result.isNull()) return {};
    auto data = std::make_shared<Data>(*result.data_);
    data->description = QStringLiteral("calibrated RGB");
    result.data_ = std::move(data);
    return result;
}

const QByteArray& ColourProfile::icc() const {
    static const QByteArray none;
    return data_ ? data_->icc : none;
}

ColourModel ColourProfile::model() const {
    return data_ ? data_->model : ColourModel::Rgb;
}

QString ColourProfile::description() const {
    return data_ ? data_->description : QString();
}

}  // namespace zarovia::picture::colour
