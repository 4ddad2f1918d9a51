#include "picture/jpeg/JpegDecode.h"

#include "picture/MemoryBudget.h"
#include "picture/jpeg/DctScale.h"
#include "picture/jpeg/JpegOutput.h"
#include "picture/jpeg/JpegSession.h"
#include "picture/jpeg/RowDownscaler.h"

#include <jerror.h>

namespace zarovia::picture::jpeg {

namespace {

struct DecodeSetup {
    int scaleDenominator;
    J_COLOR_SPACE outputColour;
};

void startDecompress(j_decompress_ptr info, void* context) {
    const auto* setup = static_cast<const DecodeSetup*>(context);
    jpeg_read_header(info, TRUE);
    info->scale_num = 1;
    info->scale_denom = static_cast<unsigned>(setup->scaleDenominator);
    info->out_color_space = setup->outputColour;
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
                   QSize fitted, OnFailure onFailure) {
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
    JpegSession session(input);
    DecodeSetup setup{scaleDenominator, outputColourFor(header.colour)};
    // A progressive picture is read whole here, before any row comes out.
    if (session.run(&startDecompress, &setup) != 0) {
        result.failureCode = session.failureCode();
        if (keepPartial) result.image = uprightGrey(kept, header.orientation);
        return result;
    }

    const jpeg_decompress_struct& info = session.info();
    const QSize output(static_cast<int>(info.output_width), static_cast<int>(info.output_height));
    // The header was vetted at load and the same bytes give the same size; anything else
    // would let libjpeg write past the image.
    if (output != expected) {
        result.failureCode = JERR_BAD_STATE;
        if (keepPartial) result.image = uprightGrey(kept, header.orientation);
        return result;
    }
    QImage image(kept, QImage::Format_RGB32);
    // Shrinking, the rows pass through a band on their way to the scaler.
    QImage band;
    if (shrinking) band = QImage(output.width(), kRowsPerRead, QImage::Format_RGB32);
    bool rowsOk = false;
    std::vector<unsigned char> cmykRows = cmykRowBuffer(header, output.width(), rowsOk);
    if (image.isNull() || (shrinking && band.isNull()) || !rowsOk) {
        result.failureCode = JERR_OUT_OF_MEMORY;
        return result;
    }
    RowDownscaler scaler(output, image);
    RowTarget target = rowTargetFor(shrinking ? band : image, header, cmykRows);
    if (shrinking) {
        target.height = static_cast<JDIMENSION>(output.height());
        target.sink = &shrinkRows;
        target.sinkContext = &scaler;
    }
    session.run(&readRows, &target);

    const JDIMENSION reached = info.output_scanline;
    result.failureCode = session.failureCode();
    if (reached < target.height) {
        if (result.failureCode == 0) result.failureCode = JERR_BAD_STATE;
        if (!keepPartial) return result;
        fillRowsGrey(image, shrinking ? scaler.finishedRows() : static_cast<int>(reached));
    }
    result.image = applyOrientation(image, header.orientation);
    return result;
}

}  // namespace

DecodedJpeg decodeJpeg(const JpegInput& input, const JpegHeader& header, int scaleDenominator,
                       OnFailure onFailure) {
    return decode(input, header, scaleDenominator, QSize(), onFailure);
}

DecodedJpeg decodeJpegFitted(const JpegInput& input, const JpegHeader& header, int scaleDenominator,
                             QSize uprightSize, OnFailure onFailure) {
    // The rows come out as stored: shrink to the stored orientation's size, then turn upright.
    const QSize stored = swapsAxes(header.orientation) ? uprightSize.transposed() : uprightSize;
    return decode(input, header, scaleDenominator, stored, onFailure);
}

}  // namespace zarovia::picture::jpeg
