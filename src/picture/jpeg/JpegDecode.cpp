#include "picture/jpeg/JpegDecode.h"

#include "picture/MemoryBudget.h"
#include "picture/jpeg/DctScale.h"
#include "picture/jpeg/JpegOutput.h"
#include "picture/jpeg/JpegSession.h"

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

}  // namespace

DecodedJpeg decodeJpeg(const JpegInput& input, const JpegHeader& header, int scaleDenominator,
                       OnFailure onFailure) {
    DecodedJpeg result;
    const QSize expected = scaledOutputSize(header.codedSize, scaleDenominator);
    if (!fitsBudget(expected.width(), expected.height(), 4, kPictureBudgetBytes)) {
        result.failureCode = JERR_IMAGE_TOO_BIG;  // not even a grey stand-in of that size
        return result;
    }
    const bool keepPartial = onFailure == OnFailure::KeepPartial;
    JpegSession session(input);
    DecodeSetup setup{scaleDenominator, outputColourFor(header.colour)};
    // A progressive picture is read whole here, before any row comes out.
    if (session.run(&startDecompress, &setup) != 0) {
        result.failureCode = session.failureCode();
        if (keepPartial) result.image = uprightGrey(expected, header.orientation);
        return result;
    }

    const jpeg_decompress_struct& info = session.info();
    const QSize output(static_cast<int>(info.output_width), static_cast<int>(info.output_height));
    // The header was vetted at load and the same bytes give the same size; anything else
    // would let libjpeg write past the image.
    if (output != expected) {
        result.failureCode = JERR_BAD_STATE;
        if (keepPartial) result.image = uprightGrey(expected, header.orientation);
        return result;
    }
    QImage image(output, QImage::Format_RGB32);
    bool rowsOk = false;
    std::vector<unsigned char> cmykRows = cmykRowBuffer(header, output.width(), rowsOk);
    if (image.isNull() || !rowsOk) {
        result.failureCode = JERR_OUT_OF_MEMORY;
        return result;
    }
    RowTarget target = rowTargetFor(image, header, cmykRows);
    session.run(&readRows, &target);

    const JDIMENSION reached = info.output_scanline;
    result.failureCode = session.failureCode();
    if (reached < target.height) {
        if (result.failureCode == 0) result.failureCode = JERR_BAD_STATE;
        if (!keepPartial) return result;
        fillRowsGrey(image, static_cast<int>(reached));
    }
    result.image = applyOrientation(image, header.orientation);
    return result;
}

}  // namespace zarovia::picture::jpeg
