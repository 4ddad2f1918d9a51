#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstddef>
#include <memory>

namespace zarovia::picture::colour {

// The colour model of the numbers a profile describes.
enum class ColourModel { Rgb, Cmyk, Gray };

// The largest ICC profile taken from a file. A JPEG can carry at most 255 APP2 chunks of
// 65519 bytes (about 16 MB); the largest real profiles (CMYK with big tables) are a few MB.
inline constexpr std::size_t kMaxIccProfileBytes = 16u << 20;

// A colour space given by its primaries and tone curves instead of a profile (a bitmap header's
// calibrated RGB): the CIE XYZ of full red, green and blue, white being their sum, and the
// exponent of each channel's tone curve.
struct CalibratedRgb {
    struct Xyz {
        double x = 0, y = 0, z = 0;
    };
    std::array<Xyz, 3> primaries{};  // red, green, blue
    std::array<double, 3> gamma{};   // red, green, blue
};

// An ICC profile that Little CMS accepted as the source of a picture's numbers, carried as its
// bytes with a small description. A null profile means the numbers are sRGB. Copies share the
// bytes; immutable, so any thread may read it.
class ColourProfile {
public:
    ColourProfile() = default;

    // The profile in `icc`; null when it is empty, larger than kMaxIccProfileBytes, refused by
    // Little CMS, not an RGB, CMYK or grey profile, or not usable as a source. Never throws for
    // bad bytes and never reports them: a broken profile is no profile.
    static ColourProfile fromIcc(QByteArray icc);
    // A profile built by Little CMS from primaries and gammas; null when they describe no
    // usable space (zero or negative values, primaries that do not span a space).
    static ColourProfile fromCalibratedRgb(const CalibratedRgb& calibrated);

    bool isNull() const noexcept { return !data_; }
    const QByteArray& icc() const;
    ColourModel model() const;
    // The profile's own description (its 'desc' tag), or what it was built from.
    QString description() const;
    // Equal profiles have equal keys; used with the bytes to find a kept transform.
    std::size_t key() const noexcept { return data_ ? data_->key : 0; }

    friend bool operator==(const ColourProfile& a, const ColourProfile& b) {
        if (a.data_ == b.data_) return true;
        if (!a.data_ || !b.data_) return false;
        return a.data_->key == b.data_->key && a.data_->icc == b.data_->icc;
    }

private:
    struct Data {
        QByteArray icc;
        ColourModel model = ColourModel::Rgb;
        QString description;
        std::size_t key = 0;
    };
    std::shared_ptr<const Data> data_;
};

}  // namespace zarovia::picture::colour
