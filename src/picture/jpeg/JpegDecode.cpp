#include "picture/jpeg/JpegDecode.h"

#include "picture/MemoryBudget.h"
#include "picture/jpeg/DctScale.h"
#include "picture/jpeg/JpegBands.h"
#include "picture/jpeg/JpegOutput.h"
#include "picture/jpeg/JpegPasses.h"
#include "picture/jpeg/JpegSession.h"
#include "picture/jpeg/RowDownscaler.h"

#include <jerror.h>

namespace zarovia::picture::jpeg {

namespace {

struct DecodeSetup {
    int scaleDenominator;
    J_COLOR_SPACE outputColour;
};

// A picture of several scans is taken scan by scan (buffered-image mode), so that reading can
// stop at the cap on block visits and still show what it read; a one-shot start would read
// them all before the first row comes out.
void startDecompress(j_decompress_ptr info, void* context) {
    const auto* setup = static_cast<const DecodeSetup*>(context);
    jpeg_read_header(info, TRUE);
    info->scale_num = 1;
    info->scale_denom = static_cast<unsigned>(setup->scaleDenominator);
    info->out_color_space = setup->outputColour;
    info->buffered_image = jpeg_has_multiple_scans(info);
    jpeg_start_decompress(info);
}

void shrinkRows(void* context, const uchar* rows, qsizetype bytesPerLine, int count) {
    auto* scaler = static_cast<RowDownscaler*>(context);
    for (int i = 0; i < count; ++i)
        scaler->addRow(
            reinterpret_cast<const QRgb*>(rows + static_cast<qsizetype>(i) * bytesPerLine));
}

// Decodes at 1/scaleDenominator; with a non-empty `fitted` (the output size before the
// orientation is applied, at most the decode's size), shrinks the rows into it as they come.
DecodedJpeg decode(const JpegInput& input, const JpegHeader& header, int scaleDenominator,
                   QSize fitted, OnFailure onFailure, const FirstLookSink& firstLook) {
    DecodedJpeg result;
    const QSize expected = scaledOutputSize(header.codedSize, scaleDenominator);
    const bool shrinking = !fitted.isEmpty() && fitted != expected;
    if (shrinking && (fitted.width() > expected.width() || fitted.height() > expected.height())) {
        result.failureCode = JERR_BAD_STATE;  // only ever asked to shrink
        return result;
    }
    const QSize kept = shrinking ? fitted : expected;
    if (!fitsBudget(kept.width(), kept.height(), 4, kPictureBudgetBytes)) {
        result.failureCode = JERR_IMAGE_TOO_BIG;  // not even a grey stand-in of that size
        return result;
    }
    const bool keepPartial = onFailure == OnFailure::KeepPartial;
    if (std::optional<DecodedJpeg> banded =
            decodeInBands(input, header, {scaleDenominator, expected, kept, keepPartial}))
        return std::move(*banded);
    JpegSession session(input);
    // What the screen keeps after a fatal error: the first look when there was one, at the
    // size kept.
    QImage firstLookShown;
    const auto finished = [&](int code, QImage image) {
        result.failureCode = code;
        if (code == 0 || keepPartial) result.image = std::move(image);
        result.blockVisits = session.blockVisits();
        result.stoppedAtWorkCap = session.stoppedAtWorkCap();
        result.workingPeakBytes = session.workingPeakBytes();
        return result;
    };
    const auto failed = [&](int code) {
        if (!keepPartial) return finished(code, QImage());
        // The first look is made at the size kept.
        if (firstLookShown.isNull()) return finished(code, uprightGrey(kept, header.orientation));
        return finished(code, firstLookShown);
    };

    DecodeSetup setup{scaleDenominator, outputColourFor(header.colour)};
    if (session.run(&startDecompress, &setup) != 0) return failed(session.failureCode());

    const jpeg_decompress_struct& info = session.info();
    const QSize output(static_cast<int>(info.output_width), static_cast<int>(info.output_height));
    // The header was vetted at load and the same bytes give the same size; anything else
    // would let libjpeg write past the image.
    if (output != expected) return failed(JERR_BAD_STATE);
    bool rowsOk = false;
    std::vector<unsigned char> cmykRows = cmykRowBuffer(header, output.width(), rowsOk);
    if (!rowsOk) return failed(JERR_OUT_OF_MEMORY);

    const bool buffered = info.buffered_image != FALSE;
    int outputScan = 0;
    if (buffered) {
        ScansRead scans =
            readScans(session, header, scaleDenominator, output, kept, cmykRows, firstLook);
        firstLookShown = std::move(scans.firstLook);
        if (scans.failureCode != 0) return failed(scans.failureCode);
        outputScan = scans.outputScan;
    }

    QImage image(kept, QImage::Format_RGB32);
    // Shrinking, the rows pass through a band on their way to the scaler.
    QImage band;
    if (shrinking) band = QImage(output.width(), kRowsPerRead, QImage::Format_RGB32);
    if (image.isNull() || (shrinking && band.isNull())) {
        result.failureCode = JERR_OUT_OF_MEMORY;
        return finished(JERR_OUT_OF_MEMORY, QImage());
    }
    RowDownscaler scaler(output, image);
    RowTarget target = rowTargetFor(shrinking ? band : image, header, cmykRows);
    if (shrinking) {
        target.height = static_cast<JDIMENSION>(output.height());
        target.sink = &shrinkRows;
        target.sinkContext = &scaler;
    }
    if (!buffered || session.run(&startOutputPass, &outputScan) == 0)
        session.run(&readRows, &target);

    const JDIMENSION reached = info.output_scanline;
    int code = session.failureCode();
    if (reached < target.height) {
        if (code == 0) code = JERR_BAD_STATE;
        if (!keepPartial) return finished(code, QImage());
        fillRowsGrey(image, shrinking ? scaler.finishedRows() : static_cast<int>(reached));
    }
    return finished(code, applyOrientation(image, header.orientation));
}

}  // namespace

DecodedJpeg decodeJpeg(const JpegInput& input, const JpegHeader& header, int scaleDenominator,
                       OnFailure onFailure, const FirstLookSink& firstLook) {
    return decode(input, header, scaleDenominator, QSize(), onFailure, firstLook);
}

DecodedJpeg decodeJpegFitted(const JpegInput& input, const JpegHeader& header, int scaleDenominator,
                             QSize uprightSize, OnFailure onFailure,
                             const FirstLookSink& firstLook) {
    // The rows come out as stored: shrink to the stored orientation's size, then turn upright.
    const QSize stored = swapsAxes(header.orientation) ? uprightSize.transposed() : uprightSize;
    return decode(input, header, scaleDenominator, stored, onFailure, firstLook);
}

}  // namespace zarovia::picture::jpeg
