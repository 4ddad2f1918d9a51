#include "picture/jpeg/RowDownscaler.h"

#include <algorithm>

namespace zarovia::picture::jpeg {

// Coordinates are kept exact in integers: across, a source pixel is `into.width()` units wide
// and an output pixel `from.width()` units, so that both rows span the same units; down the
// same. A column's sum over an output row is then at most 255 * from.height() (32 bits), and an
// output pixel's sum at most 255 * from.width() * from.height() (64 bits, exact in a double).
// Rows are summed down first, where a source row is one pass over contiguous memory, and
// across once per output row.

RowDownscaler::RowDownscaler(QSize from, QImage& into)
    : from_(from),
      to_(into.size()),
      shrinks_(!from.isEmpty() && !into.isNull() && into.width() <= from.width() &&
               into.height() <= from.height()) {
    if (!shrinks_) return;
    // Taken once here, on the thread that made the scaler: scanLine() may detach the image.
    bits_ = into.bits();
    bytesPerLine_ = into.bytesPerLine();
    perArea_ = 1.0 / (static_cast<double>(from.width()) * from.height());
    const auto columns = static_cast<std::size_t>(from.width());
    columns_.resize(columns);
    currentColumns_.assign(columns * 3, 0);
    nextColumns_.assign(columns * 3, 0);
    const std::int64_t in = from.width(), out = into.width();
    for (std::int64_t x = 0; x < in; ++x) {
        // Source column x spans [x * out, (x + 1) * out); output column X spans [X * in, ...).
        const std::int64_t start = x * out, end = start + out;
        const std::int64_t first = start / in;
        const std::int64_t boundary = (first + 1) * in;
        columns_[static_cast<std::size_t>(x)] = {
            static_cast<int>(std::min(first, out - 1)),
            static_cast<std::uint32_t>(std::min(end, boundary) - start)};
    }
}

RowDownscaler::RowDownscaler(QSize from, QImage& into, int firstRow) : RowDownscaler(from, into) {
    if (shrinks_) leadingColumns_.assign(currentColumns_.size(), 0);
    beginAt(firstRow);
}

void RowDownscaler::beginAt(int firstRow) {
    if (!shrinks_ || firstRow <= 0 || sourceRow_ != 0) return;
    sourceRow_ = std::min(firstRow, from_.height());
    const std::int64_t start = std::int64_t(sourceRow_) * to_.height();
    nextOutputRow_ = static_cast<int>(start / from_.height());
    if (start % from_.height() != 0) leadingRow_ = nextOutputRow_;
}

RowDownscaler::PartialRow RowDownscaler::leading() const {
    if (!leadingHeld_) return {};
    return {leadingRow_, &leadingColumns_};
}

RowDownscaler::PartialRow RowDownscaler::trailing() const {
    if (!shrinks_ || nextOutputRow_ >= to_.height()) return {};
    const std::int64_t reached = std::int64_t(sourceRow_) * to_.height();
    if (reached % from_.height() == 0) return {};
    return {nextOutputRow_, &currentColumns_};
}

void RowDownscaler::joinRows(int row, const std::vector<const std::vector<std::uint32_t>*>& parts) {
    if (!shrinks_ || row < 0 || row >= to_.height()) return;
    joined_.assign(currentColumns_.size(), 0);
    for (const std::vector<std::uint32_t>* part : parts)
        for (std::size_t i = 0; i < joined_.size() && i < part->size(); ++i)
            joined_[i] += (*part)[i];
    writeRow(row, joined_.data());
}

void RowDownscaler::addRow(const QRgb* row) {
    if (!shrinks_ || sourceRow_ >= from_.height() || nextOutputRow_ >= to_.height()) return;
    // Source row y spans [y * outHeight, (y + 1) * outHeight), the current output row
    // [row * fromHeight, (row + 1) * fromHeight).
    const std::int64_t outHeight = to_.height(), inHeight = from_.height();
    const std::int64_t start = sourceRow_ * outHeight, end = start + outHeight;
    const std::int64_t boundary = (nextOutputRow_ + 1) * inHeight;
    const auto currentShare = static_cast<std::uint32_t>(std::min(end, boundary) - start);
    const auto nextShare = static_cast<std::uint32_t>(outHeight) - currentShare;
    const int width = from_.width();
    const auto addShare = [row, width](std::uint32_t* sums, std::uint32_t share) {
        for (int x = 0; x < width; ++x) {
            const QRgb pixel = row[x];
            sums[3 * x] += static_cast<std::uint32_t>(qRed(pixel)) * share;
            sums[3 * x + 1] += static_cast<std::uint32_t>(qGreen(pixel)) * share;
            sums[3 * x + 2] += static_cast<std::uint32_t>(qBlue(pixel)) * share;
        }
    };
    addShare(currentColumns_.data(), currentShare);
    if (nextShare != 0) addShare(nextColumns_.data(), nextShare);
    ++sourceRow_;
    if (end >= boundary) finishOutputRow();
}

void RowDownscaler::finishOutputRow() {
    if (nextOutputRow_ == leadingRow_) {
        // Another band holds the rest of this row: kept for joinRows(). No allocation here,
        // inside the decoder.
        std::copy(currentColumns_.begin(), currentColumns_.end(), leadingColumns_.begin());
        leadingHeld_ = true;
    } else {
        writeRow(nextOutputRow_, currentColumns_.data());
    }
    currentColumns_.swap(nextColumns_);
    std::fill(nextColumns_.begin(), nextColumns_.end(), 0u);
    ++nextOutputRow_;
}

void RowDownscaler::writeRow(int row, const std::uint32_t* sums) {
    auto* out = reinterpret_cast<QRgb*>(bits_ + static_cast<qsizetype>(row) * bytesPerLine_);
    const auto units = static_cast<std::uint64_t>(to_.width());
    const auto mean = [this](std::uint64_t sum) {
        return static_cast<int>(static_cast<double>(sum) * perArea_ + 0.5);
    };
    // Across, in order: the output column being summed, and what its last source column
    // carries over into the next one.
    int column = 0;
    std::uint64_t sum[3] = {0, 0, 0}, carried[3] = {0, 0, 0};
    for (int x = 0; x < from_.width(); ++x) {
        const ColumnShare share = columns_[static_cast<std::size_t>(x)];
        if (share.first != column) {
            out[column] = qRgb(mean(sum[0]), mean(sum[1]), mean(sum[2]));
            column = share.first;
            for (int c = 0; c < 3; ++c) {
                sum[c] = carried[c];
                carried[c] = 0;
            }
        }
        const std::uint64_t rest = units - share.firstShare;
        for (int c = 0; c < 3; ++c) {
            const std::uint64_t value = sums[3 * x + c];
            sum[c] += value * share.firstShare;
            carried[c] += value * rest;
        }
    }
    out[column] = qRgb(mean(sum[0]), mean(sum[1]), mean(sum[2]));
}

}  // namespace zarovia::picture::jpeg
