#include "picture/jpeg/RowDownscaler.h"

#include <algorithm>

namespace zarovia::picture::jpeg {

// Coordinates are kept exact in integers: across, a source pixel is `to` units wide and an
// output pixel `from` units, so that both span `from * to` units; down the same. A channel's
// sum for an output pixel is then at most 255 * from.width() * from.height(), which fits 64 bits.

RowDownscaler::RowDownscaler(QSize from, QImage& into)
    : from_(from),
      into_(into),
      columns_(static_cast<std::size_t>(std::max(from.width(), 0))),
      rowSums_(static_cast<std::size_t>(into.width()) * 3),
      currentSums_(rowSums_.size()),
      nextSums_(rowSums_.size()),
      shrinks_(!from.isEmpty() && !into.isNull() && into.width() <= from.width() &&
               into.height() <= from.height()) {
    if (!shrinks_) return;
    const std::int64_t in = from.width(), out = into.width();
    for (std::int64_t x = 0; x < in; ++x) {
        // Source column x spans [x * out, (x + 1) * out); output column X spans [X * in, ...).
        const std::int64_t start = x * out, end = start + out;
        const std::int64_t first = start / in;
        const std::int64_t boundary = (first + 1) * in;
        const std::int64_t share = std::min(end, boundary) - start;
        columns_[static_cast<std::size_t>(x)] = {
            static_cast<int>(std::min(first, out - 1)),
            static_cast<std::uint32_t>(share)};
    }
}

void RowDownscaler::addRow(const QRgb* row) {
    if (!shrinks_ || sourceRow_ >= from_.height() || nextOutputRow_ >= into_.height()) return;
    const int outWidth = into_.width();
    const auto outWidthUnits = static_cast<std::uint32_t>(outWidth);
    std::fill(rowSums_.begin(), rowSums_.end(), 0u);
    for (int x = 0; x < from_.width(); ++x) {
        const ColumnShare share = columns_[static_cast<std::size_t>(x)];
        const QRgb pixel = row[x];
        const std::uint32_t channels[3] = {static_cast<std::uint32_t>(qRed(pixel)),
                                           static_cast<std::uint32_t>(qGreen(pixel)),
                                           static_cast<std::uint32_t>(qBlue(pixel))};
        std::uint32_t* first = &rowSums_[static_cast<std::size_t>(share.first) * 3];
        const std::uint32_t rest = outWidthUnits - share.firstShare;
        for (int c = 0; c < 3; ++c) first[c] += channels[c] * share.firstShare;
        if (rest != 0 && share.first + 1 < outWidth)
            for (int c = 0; c < 3; ++c) first[3 + c] += channels[c] * rest;
    }

    // Down: source row y spans [y * outHeight, (y + 1) * outHeight), the current output row
    // [row * fromHeight, (row + 1) * fromHeight).
    const std::int64_t outHeight = into_.height(), inHeight = from_.height();
    const std::int64_t start = sourceRow_ * outHeight, end = start + outHeight;
    const std::int64_t boundary = (nextOutputRow_ + 1) * inHeight;
    const auto currentShare = static_cast<std::uint64_t>(std::min(end, boundary) - start);
    const auto nextShare = static_cast<std::uint64_t>(outHeight) - currentShare;
    for (std::size_t i = 0; i < rowSums_.size(); ++i) {
        currentSums_[i] += rowSums_[i] * currentShare;
        if (nextShare != 0) nextSums_[i] += rowSums_[i] * nextShare;
    }
    ++sourceRow_;
    if (end >= boundary) finishOutputRow();
}

void RowDownscaler::finishOutputRow() {
    const auto area = static_cast<std::uint64_t>(from_.width()) *
                      static_cast<std::uint64_t>(from_.height());
    auto* out = reinterpret_cast<QRgb*>(into_.scanLine(nextOutputRow_));
    for (int x = 0; x < into_.width(); ++x) {
        const std::uint64_t* sums = &currentSums_[static_cast<std::size_t>(x) * 3];
        out[x] = qRgb(static_cast<int>((sums[0] + area / 2) / area),
                      static_cast<int>((sums[1] + area / 2) / area),
                      static_cast<int>((sums[2] + area / 2) / area));
    }
    currentSums_.swap(nextSums_);
    std::fill(nextSums_.begin(), nextSums_.end(), 0u);
    ++nextOutputRow_;
}

}  // namespace zarovia::picture::jpeg
