// A multi-scan picture read scan by scan into libjpeg's coefficient buffer (buffered-image
// mode), within the cap on block visits: the first look of a progressive picture as soon as
// every component has its DC coefficients, then the rest of the scans.
#include "picture/jpeg/JpegPasses.h"

#include "picture/jpeg/JpegOutput.h"

#include <jerror.h>

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

// Without smoothing, a pass of the first scans shows each 8 x 8 block as one flat square of
// `side` pixels. The look keeps one pixel per block (its DC value, exact) and spreads them
// smoothly over the pass's size: as fast as the pass itself, and not blocky.
QImage smoothedBlocks(const QImage& flat, int side) {
    if (side <= 1 || flat.isNull()) return flat;
    const int width = (flat.width() + side - 1) / side;
    const int height = (flat.height() + side - 1) / side;
    QImage blocks(width, height, QImage::Format_RGB32);
    if (blocks.isNull()) return flat;
    for (int y = 0; y < height; ++y) {
        const auto* source = reinterpret_cast<const QRgb*>(flat.constScanLine(y * side));
        auto* target = reinterpret_cast<QRgb*>(blocks.scanLine(y));
        for (int x = 0; x < width; ++x) target[x] = source[x * side];
    }
    QImage smooth = blocks.scaled(flat.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return smooth.isNull() ? flat : smooth.convertToFormat(QImage::Format_RGB32);
}

// The pass of the scans read so far, at the output size; rows it did not reach are grey.
struct LookPass {
    QImage image;
    int failureCode = 0;
};

LookPass outputLook(JpegSession& session, const JpegHeader& header, QSize output,
                    std::vector<unsigned char>& cmykRows) {
    LookPass pass;
    pass.image = QImage(output, QImage::Format_RGB32);
    if (pass.image.isNull()) {
        pass.failureCode = JERR_OUT_OF_MEMORY;
        return pass;
    }
    RowTarget target = rowTargetFor(pass.image, header, cmykRows);
    int scan = session.info().input_scan_number;
    JDIMENSION reached = 0;
    if (session.run(&startOutputPass, &scan) == 0) {
        session.run(&readRows, &target);
        reached = session.info().output_scanline;
    }
    pass.failureCode = session.failureCode();
    if (reached < target.height) {
        if (pass.failureCode == 0) pass.failureCode = JERR_BAD_STATE;
        fillRowsGrey(pass.image, static_cast<int>(reached));
    }
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
                    QSize output, std::vector<unsigned char>& cmykRows,
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
            LookPass look = outputLook(session, header, output, cmykRows);
            if (look.image.isNull()) return failed(look.failureCode);
            read.firstLook = applyOrientation(smoothedBlocks(look.image, 8 / scaleDenominator),
                                              header.orientation);
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
