// A multi-scan picture read scan by scan into libjpeg's coefficient buffer (buffered-image
// mode), within the cap on block visits: the first look of a progressive picture as soon as
// every component has its DC coefficients, shrunk as the finished picture is, then the rest of
// the scans.
#include "picture/jpeg/JpegPasses.h"

#include "picture/jpeg/JpegOutput.h"
#include "picture/jpeg/RowDownscaler.h"
#include "platform/Cancellation.h"

#include <jerror.h>
#include <algorithm>
#include <cstdint>

namespace zarovia::picture::jpeg {

namespace {

struct Reading {
    bool firstLookReady = false;
};

// libjpeg marks a component's DC as not yet received with -1.
bool everyComponentHasDc(const jpeg_decompress_struct& info) {
    if (info.coef_bits == nullptr) return true;  // not progressive: every scan is complete
    for (int c = 0; c < info.num_components; ++c)
        if (info.coef_bits[c][0] < 0) return false;
    return true;
}

// Reads until a scan completes after which every component has its DC (the first pass worth
// showing), the input ends, or the next scan is refused by the cap.
void readUntilFirstLook(j_decompress_ptr info, void* context) {
    auto& reading = *static_cast<Reading*>(context);
    for (;;) {
        JpegSession::checkpoint(info);
        if (!JpegSession::admitScan(info)) return;
        const int status = jpeg_consume_input(info);
        JpegSession::limitScans(info);
        if (status == JPEG_SCAN_COMPLETED && everyComponentHasDc(*info)) {
            reading.firstLookReady = true;
            return;
        }
        // An in-memory source never suspends; the check keeps a broken one from spinning.
        if (status == JPEG_REACHED_EOI || status == JPEG_SUSPENDED) return;
    }
}

// One call per row of blocks: a checkpoint before each, and the cap before each new scan.
void readToEnd(j_decompress_ptr info, void*) {
    while (jpeg_input_complete(info) == FALSE) {
        JpegSession::checkpoint(info);
        if (!JpegSession::admitScan(info)) return;
        const int status = jpeg_consume_input(info);
        JpegSession::limitScans(info);
        if (status == JPEG_SUSPENDED) return;
    }
}

// libjpeg's block smoothing estimates the missing coefficients of every block at full
// resolution: at 1/4 of a 12 MP picture it doubles the cost of a pass, and at 1/8, where a
// pixel is a block's DC value, it only blurs. The first look is output without it; the
// finished pass uses libjpeg's default, as a one-shot decode does.
void setBlockSmoothing(j_decompress_ptr info, void* context) {
    info->do_block_smoothing = *static_cast<const bool*>(context) ? TRUE : FALSE;
}

// The first look, as the rows of its pass come out: without smoothing, the pass shows each
// 8 x 8 block as one flat square of `side` pixels. At 1/8 (`side` 1) a pixel is a block, and
// the rows are shrunk to the size the finished decode is shrunk to, through the row downscaler
// as the finished pass is. At larger scales the look keeps one pixel per block (its DC value,
// exact) and spreads them smoothly straight over the size kept, which lies between the blocks'
// size and the pass's: as fast as the pass itself, not blocky, and the pass never held whole.
struct LookRows {
    int side = 1;
    int sourceRow = 0;
    uchar* blockBits = nullptr;  // side > 1: one pixel per block, grey where no row reached
    qsizetype blockBytesPerLine = 0;
    int blockWidth = 0;
    RowDownscaler* scaler = nullptr;  // side 1
};

// A sink for readRows(): holds nothing with a destructor.
void takeLookRows(void* context, const uchar* rows, qsizetype bytesPerLine, int count) {
    auto& look = *static_cast<LookRows*>(context);
    for (int i = 0; i < count; ++i, ++look.sourceRow) {
        const auto* row =
            reinterpret_cast<const QRgb*>(rows + static_cast<qsizetype>(i) * bytesPerLine);
        if (look.side == 1) {
            look.scaler->addRow(row);
            continue;
        }
        if (look.sourceRow % look.side != 0) continue;
        auto* blocks = reinterpret_cast<QRgb*>(look.blockBits +
                                               static_cast<qsizetype>(look.sourceRow / look.side) *
                                                   look.blockBytesPerLine);
        for (int x = 0; x < look.blockWidth; ++x) blocks[x] = row[x * look.side];
    }
}

// Where a sample at output position `at` of `outputCount` falls between samples of `count`,
// centres aligned: the sample before it and the weight (of 256) of the one after.
struct Between {
    int before;
    int after;
    std::uint32_t weight;
};

Between between(int at, int outputCount, int count) {
    const double position = (at + 0.5) * count / outputCount - 0.5;
    if (position <= 0) return {0, 0, 0};
    const int before = std::min(static_cast<int>(position), count - 1);
    const int after = std::min(before + 1, count - 1);
    return {before, after, static_cast<std::uint32_t>((position - before) * 256 + 0.5)};
}

// Spreads one pixel per block smoothly (bilinear, as a smooth enlargement does) over `into`,
// whose size lies between the blocks' and the pass's. Passes a checkpoint every few rows.
void spreadBlocks(const QImage& blocks, QImage& into) {
    const int width = blocks.width();
    const QSize size = into.size();
    std::vector<Between> columns(static_cast<std::size_t>(size.width()));
    for (int x = 0; x < size.width(); ++x)
        columns[static_cast<std::size_t>(x)] = between(x, size.width(), width);
    std::vector<std::uint32_t> mixed(static_cast<std::size_t>(width) * 3);
    for (int y = 0; y < size.height(); ++y) {
        if (y % 64 == 0) checkpoint();
        // Down first: the two rows of blocks mixed by the row's weight (8.8 fixed point).
        const Between down = between(y, size.height(), blocks.height());
        const auto* above = reinterpret_cast<const QRgb*>(blocks.constScanLine(down.before));
        const auto* below = reinterpret_cast<const QRgb*>(blocks.constScanLine(down.after));
        const std::uint32_t keep = 256 - down.weight;
        for (int x = 0; x < width; ++x) {
            mixed[3 * x] = qRed(above[x]) * keep + qRed(below[x]) * down.weight;
            mixed[3 * x + 1] = qGreen(above[x]) * keep + qGreen(below[x]) * down.weight;
            mixed[3 * x + 2] = qBlue(above[x]) * keep + qBlue(below[x]) * down.weight;
        }
        // Then across, 16.16 fixed point.
        auto* out = reinterpret_cast<QRgb*>(into.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const Between across = columns[static_cast<std::size_t>(x)];
            const std::uint32_t* left = &mixed[3 * static_cast<std::size_t>(across.before)];
            const std::uint32_t* right = &mixed[3 * static_cast<std::size_t>(across.after)];
            const std::uint32_t leftWeight = 256 - across.weight;
            out[x] = qRgb(
                static_cast<int>((left[0] * leftWeight + right[0] * across.weight + 32768) >> 16),
                static_cast<int>((left[1] * leftWeight + right[1] * across.weight + 32768) >> 16),
                static_cast<int>((left[2] * leftWeight + right[2] * across.weight + 32768) >> 16));
        }
    }
}

// The pass of the scans read so far, at `kept` (stored orientation); rows it did not reach are
// grey.
struct LookPass {
    QImage image;
    int failureCode = 0;
};

LookPass outputLook(JpegSession& session, const JpegHeader& header, int side, QSize output,
                    QSize kept, std::vector<unsigned char>& cmykRows) {
    LookPass pass;
    pass.image = QImage(kept, QImage::Format_RGB32);
    QImage band(output.width(), kRowsPerRead, QImage::Format_RGB32);
    QImage blocks;
    if (side > 1) {
        blocks = QImage((output.width() + side - 1) / side, (output.height() + side - 1) / side,
                        QImage::Format_RGB32);
        if (!blocks.isNull()) blocks.fill(kUnreachedGrey);
    }
    if (pass.image.isNull() || band.isNull() || (side > 1 && blocks.isNull())) {
        pass.failureCode = JERR_OUT_OF_MEMORY;
        pass.image = QImage();
        return pass;
    }
    RowDownscaler scaler(output, pass.image);
    LookRows look;
    look.side = side;
    if (side > 1) {
        look.blockBits = blocks.bits();
        look.blockBytesPerLine = blocks.bytesPerLine();
        look.blockWidth = blocks.width();
    } else {
        look.scaler = &scaler;
    }
    RowTarget target = rowTargetFor(band, header, cmykRows);
    target.height = static_cast<JDIMENSION>(output.height());
    target.sink = &takeLookRows;
    target.sinkContext = &look;
    int scan = session.info().input_scan_number;
    JDIMENSION reached = 0;
    if (session.run(&startOutputPass, &scan) == 0) {
        session.run(&readRows, &target);
        reached = session.info().output_scanline;
    }
    pass.failureCode = session.failureCode();
    if (reached < target.height && pass.failureCode == 0) pass.failureCode = JERR_BAD_STATE;
    if (side > 1)
        spreadBlocks(blocks, pass.image);
    else if (reached < target.height)
        fillRowsGrey(pass.image, scaler.finishedRows());
    return pass;
}

// The scan the output shows: the one being read when the input is complete or has ended,
// else the last one read whole (the next was refused by the cap, or not begun).
int lastScanRead(JpegSession& session) {
    const jpeg_decompress_struct& info = session.info();
    if (session.stoppedAtWorkCap()) return std::max(1, info.input_scan_number - 1);
    return std::max(1, info.input_scan_number);
}

}  // namespace

void startOutputPass(j_decompress_ptr info, void* scanNumber) {
    jpeg_start_output(info, *static_cast<const int*>(scanNumber));
}

void finishOutputPass(j_decompress_ptr info, void*) {
    jpeg_finish_output(info);
}

ScansRead readScans(JpegSession& session, const JpegHeader& header, int scaleDenominator,
                    QSize output, QSize kept, std::vector<unsigned char>& cmykRows,
                    const FirstLookSink& firstLook) {
    ScansRead read;
    const auto failed = [&](int code) {
        read.failureCode = code;
        return read;
    };
    if (header.progressive && firstLook) {
        Reading reading;
        if (session.run(&readUntilFirstLook, &reading) != 0) return failed(session.failureCode());
        if (reading.firstLookReady && !session.stoppedAtWorkCap()) {
            // Without smoothing the pass reads nothing beyond the scans it shows, so damage
            // after them is met only once the look has been handed over.
            bool smoothing = false;
            session.run(&setBlockSmoothing, &smoothing);
            LookPass look =
                outputLook(session, header, 8 / scaleDenominator, output, kept, cmykRows);
            if (look.image.isNull()) return failed(look.failureCode);
            read.firstLook = applyOrientation(look.image, header.orientation);
            firstLook(read.firstLook);
            if (look.failureCode != 0) return failed(look.failureCode);
            if (session.run(&finishOutputPass, nullptr) != 0) return failed(session.failureCode());
            smoothing = true;
            session.run(&setBlockSmoothing, &smoothing);
        }
    }
    if (!session.stoppedAtWorkCap() && session.run(&readToEnd, nullptr) != 0)
        return failed(session.failureCode());
    read.outputScan = lastScanRead(session);
    return read;
}

}  // namespace zarovia::picture::jpeg
