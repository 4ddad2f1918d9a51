#include "media/MediaLayout.h"

#include <cstdint>

namespace zarovia::media {

namespace {

// Signed halving toward zero, as C++ division does; computed in 64 bits so that extreme
// sizes cannot overflow.
int half(std::int64_t value) {
    return static_cast<int>(value / 2);
}

int percentOf(int width, int percent) {
    return static_cast<int>(static_cast<std::int64_t>(width) * percent / 100);
}

constexpr int kNormalVideoWidth = 353;
constexpr int kWidePercent = 44;
constexpr int kNormalPercent = 68;

}  // namespace

QPoint soundCaptionLabelPosition(QSize outer, QSize label) {
    return {half(std::int64_t{outer.width()} - label.width()) - 10,
            half(std::int64_t{outer.height()} - label.height()) + 30};
}

QPoint soundTitleLabelPosition(QSize outer, QSize label) {
    return {half(std::int64_t{outer.width()} - label.width()),
            half(std::int64_t{outer.height()} - label.height()) - 55};
}

QRect videoArea(const VideoAreaInput& in) {
    int width = 0;
    if (in.fullScreen) {
        width = in.screenWidth;
    } else {
        width = in.wide ? in.clientSize.width() : kNormalVideoWidth;
    }
    const int height = percentOf(width, in.wide ? kWidePercent : kNormalPercent);
    const int top = half(std::int64_t{in.clientSize.height()} - height);
    const int left = half(std::int64_t{in.clientSize.width()} - width);
    return QRect(left, top, width, height);
}

}  // namespace zarovia::media
