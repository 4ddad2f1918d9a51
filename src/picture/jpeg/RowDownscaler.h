#pragma once

#include <QImage>
#include <QSize>
#include <cstdint>
#include <vector>

namespace zarovia::picture::jpeg {

// Shrinks a picture that arrives row by row into `into` (Format_RGB32, at most the source's
// size each way) by area averaging: each output pixel is the mean of the source area it
// covers, partly covered source pixels counting by their share. Only two rows of column sums
// are held, so a decoder can shrink a large picture without ever holding it whole. Rows of
// `into` that no source row has finished are left as they were.
class RowDownscaler {
public:
    // `into` must outlive the scaler; its size is the output size. A scaler asked to enlarge
    // (or with an empty side) takes no rows.
    RowDownscaler(QSize from, QImage& into);

    // The next source row, `from.width()` pixels (Format_RGB32). Rows past the source's
    // height are ignored.
    void addRow(const QRgb* row);
    // Output rows finished so far.
    int finishedRows() const { return nextOutputRow_; }

private:
    void finishOutputRow();

    // Where source column x goes: `firstShare` of its `into.width()` units to output column
    // `first`, the rest to the column after it.
    struct ColumnShare {
        int first;
        std::uint32_t firstShare;
    };

    const QSize from_;
    QImage& into_;
    bool shrinks_ = false;
    double perArea_ = 0;  // 1 / (from.width() * from.height()): a sum to a mean
    std::vector<ColumnShare> columns_;
    // Each source column summed down over the output row being filled, and over the one after
    // it: red, green, blue per column.
    std::vector<std::uint32_t> currentColumns_;
    std::vector<std::uint32_t> nextColumns_;
    int sourceRow_ = 0;
    int nextOutputRow_ = 0;
};

}  // namespace zarovia::picture::jpeg
