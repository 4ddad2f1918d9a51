// A progressive picture decoded in passes (libjpeg's buffered-image mode): the first look as
// soon as every component has its DC coefficients, then the finished picture.
#include "picture/MemoryBudget.h"
#include "picture/jpeg/DctScale.h"
#include "picture/jpeg/JpegDecode.h"
#include "picture/jpeg/JpegOutput.h"
#include "picture/jpeg/JpegSession.h"

#include <jerror.h>

namespace zarovia::picture::jpeg {

namespace {

struct PassSetup {
    int scaleDenominator;
    J_COLOR_SPACE outputColour;
};

void startBuffered(j_decompress_ptr info, void* context) {
    const auto* setup = static_cast<const PassSetup*>(context);
    jpeg_read_header(info, TRUE);
    info->scale_num = 1;
    info->scale_denom = static_cast<unsigned>(setup->scaleDenominator);
    info->out_color_space = setup->outputColour;
    info->buffered_image = TRUE;
    jpeg_start_decompress(info);  // in buffered-image mode this reads no scan yet
}

// libjpeg marks a component's DC as not yet received with -1.
bool everyComponentHasDc(const jpeg_decompress_struct& info) {
    if (info.coef_bits == nullptr) return true;  // not progressive: every scan is complete
    for (int c = 0; c < info.num_components; ++c)
        if (info.coef_bits[c][0] < 0) return false;
    return true;
}

// Reads until a scan completes after which every component has its DC (the first pass
// worth showing), or until the input ends (`ready` stays false).
void readUntilFirstLook(j_decompress_ptr info, void* context) {
    bool& ready = *static_cast<bool*>(context);
    for (;;) {
        const int status = jpeg_consume_input(info);
        JpegSession::limitScans(info);
        if (status == JPEG_SCAN_COMPLETED && everyComponentHasDc(*info)) {
            ready = true;
            return;
        }
        // An in-memory source never suspends; the check keeps a broken one from spinning.
        if (status == JPEG_REACHED_EOI || status == JPEG_SUSPENDED) return;
    }
}

void readToEnd(j_decompress_ptr info, void*) {
    while (jpeg_input_complete(info) == FALSE) {
        const int status = jpeg_consume_input(info);
        JpegSession::limitScans(info);
        if (status == JPEG_SUSPENDED) return;
    }
}

// An output pass shows every scan read so far.
void startOutputPass(j_decompress_ptr info, void*) {
    jpeg_start_output(info, info->input_scan_number);
}

void finishOutputPass(j_decompress_ptr info, void*) {
    jpeg_finish_output(info);
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

struct OutputPass {
    QImage image;  // the rows the pass reached, grey below; null when there was no memory
    int failureCode = 0;
};

OutputPass runOutputPass(JpegSession& session, const JpegHeader& header, QSize output,
                         std::vector<unsigned char>& cmykRows) {
    OutputPass pass;
    pass.image = QImage(output, QImage::Format_RGB32);
    if (pass.image.isNull()) {
        pass.failureCode = JERR_OUT_OF_MEMORY;
        return pass;
    }
    RowTarget target = rowTargetFor(pass.image, header, cmykRows);
    JDIMENSION reached = 0;
    if (session.run(&startOutputPass, nullptr) == 0) {
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

}  // namespace

DecodedJpeg decodeJpegInPasses(const JpegInput& input, const JpegHeader& header,
                               int scaleDenominator, OnFailure onFailure,
                               const FirstLookSink& firstLook) {
    if (!header.progressive || !firstLook)
        return decodeJpeg(input, header, scaleDenominator, onFailure);

    DecodedJpeg result;
    const QSize expected = scaledOutputSize(header.codedSize, scaleDenominator);
    if (!fitsBudget(expected.width(), expected.height(), 4, kPictureBudgetBytes)) {
        result.failureCode = JERR_IMAGE_TOO_BIG;
        return result;
    }
    const bool keepPartial = onFailure == OnFailure::KeepPartial;
    // What the screen keeps after a fatal error: the first look when there was one.
    QImage shownSoFar;
    const auto failed = [&](int code) {
        result.failureCode = code;
        if (keepPartial)
            result.image =
                shownSoFar.isNull() ? uprightGrey(expected, header.orientation) : shownSoFar;
        return result;
    };

    JpegSession session(input);
    PassSetup setup{scaleDenominator, outputColourFor(header.colour)};
    if (session.run(&startBuffered, &setup) != 0) return failed(session.failureCode());
    const jpeg_decompress_struct& info = session.info();
    const QSize output(static_cast<int>(info.output_width), static_cast<int>(info.output_height));
    // The header was vetted at load; any other size would let libjpeg write past the image.
    if (output != expected) return failed(JERR_BAD_STATE);
    bool rowsOk = false;
    std::vector<unsigned char> cmykRows = cmykRowBuffer(header, output.width(), rowsOk);
    if (!rowsOk) return failed(JERR_OUT_OF_MEMORY);

    bool firstLookReady = false;
    if (session.run(&readUntilFirstLook, &firstLookReady) != 0)
        return failed(session.failureCode());
    if (firstLookReady) {
        // Without smoothing the pass reads nothing beyond the scans it shows, so damage after
        // them is met only once the look has been handed over.
        bool smoothing = false;
        session.run(&setBlockSmoothing, &smoothing);
        OutputPass look = runOutputPass(session, header, output, cmykRows);
        if (look.image.isNull()) return failed(look.failureCode);
        shownSoFar =
            applyOrientation(smoothedBlocks(look.image, 8 / scaleDenominator), header.orientation);
        firstLook(shownSoFar);
        if (look.failureCode != 0) return failed(look.failureCode);
        if (session.run(&finishOutputPass, nullptr) != 0) return failed(session.failureCode());
        smoothing = true;
        session.run(&setBlockSmoothing, &smoothing);
    }
    if (session.run(&readToEnd, nullptr) != 0) return failed(session.failureCode());

    OutputPass finished = runOutputPass(session, header, output, cmykRows);
    if (finished.image.isNull()) return failed(finished.failureCode);
    result.failureCode = finished.failureCode;
    if (result.failureCode != 0 && !keepPartial) return result;
    result.image = applyOrientation(finished.image, header.orientation);
    return result;
}

}  // namespace zarovia::picture::jpeg
