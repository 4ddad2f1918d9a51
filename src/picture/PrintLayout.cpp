#include "PrintLayout.h"

#include <cstdint>
#include <cstdlib>

namespace zarovia::picture {

int mulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const bool negative = (product < 0) != (c < 0);
    const std::int64_t num = std::llabs(product);
    const std::int64_t den = std::llabs(static_cast<std::int64_t>(c));
    std::int64_t q = (num + den / 2) / den;
    if (negative) q = -q;
    if (q > INT32_MAX || q < INT32_MIN) return -1;
    return static_cast<int>(q);
}

QSize printedPictureSize(QSize picture, QSize page) {
    const int W = picture.width(), H = picture.height();
    const int PW = page.width(), PH = page.height();
    if (W <= 0 || H <= 0 || PW <= 0 || PH <= 0) return {};
    if (static_cast<double>(W) / H > static_cast<double>(PW) / PH)
        return QSize(PW, mulDiv(H, PW, W));
    return QSize(mulDiv(W, PH, H), PH);
}

}  // namespace zarovia::picture
