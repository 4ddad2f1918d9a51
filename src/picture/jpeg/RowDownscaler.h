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
    // A scaler for a band of the source's rows from `firstRow` on, writing into the same `into`
    // as the scalers of the other bands (each its own rows, so they may run on several threads;
    // `into` must not be touched otherwise meanwhile). The output row it begins inside, when
    // it begins inside one, is not written but kept (leading()); the one it stops inside is
    // left unfinished (trailing()): joinRows() adds the bands' parts of a row and writes it.
    RowDownscaler(QSize from, QImage& into, int firstRow);
    // Makes a band's scaler made with `firstRow` 0 begin at `firstRow` instead, before it takes
    // any row; allocates nothing, so that the band's row may be settled on another thread.
    void beginAt(int firstRow);

    // The next source row, `from.width()` pixels (Format_RGB32). Rows past the source's
    // height are ignored.
    void addRow(const QRgb* row);
    // Output rows finished so far (a band's scaler: the row after the last one it finished,
    // counted from the top of `into`).
    int finishedRows() const { return nextOutputRow_; }

    // An output row of which a band holds part: its column sums (red, green, blue per source
    // column) of the source rows the band had. Row -1: there is none.
    struct PartialRow {
        int row = -1;
        const std::vector<std::uint32_t>* sums = nullptr;
    };
    // The row the band began inside, once the band has had all its own rows of it.
    PartialRow leading() const;
    // The row the band stopped inside (its rows so far end partway through it).
    PartialRow trailing() const;
    // Writes output row `row` from the sums of the parts of it that several bands hold.
    void joinRows(int row, const std::vector<const std::vector<std::uint32_t>*>& parts);

private:
    void finishOutputRow();
    void writeRow(int row, const std::uint32_t* sums);

    // Where source column x goes: `firstShare` of its `into.width()` units to output column
    // `first`, the rest to the column after it.
    struct ColumnShare {
        int first;
        std::uint32_t firstShare;
    };

    const QSize from_;
    const QSize to_;
    uchar* bits_ = nullptr;
    qsizetype bytesPerLine_ = 0;
    bool shrinks_ = false;
    double perArea_ = 0;  // 1 / (from.width() * from.height()): a sum to a mean
    std::vector<ColumnShare> columns_;
    // Each source column summed down over the output row being filled, and over the one after
    // it: red, green, blue per column.
    std::vector<std::uint32_t> currentColumns_;
    std::vector<std::uint32_t> nextColumns_;
    int sourceRow_ = 0;
    int nextOutputRow_ = 0;
    // A band's scaler that began inside an output row keeps its part of it here.
    int leadingRow_ = -1;
    bool leadingHeld_ = false;
    std::vector<std::uint32_t> leadingColumns_;
    std::vector<std::uint32_t> joined_;
};

}  // namespace zarovia::picture::jpeg
