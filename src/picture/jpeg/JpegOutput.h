#pragma once

#include "picture/jpeg/ExifOrientation.h"
#include "picture/jpeg/JpegHeader.h"
#include "picture/jpeg/JpegSession.h"

#include <QImage>
#include <QSize>
#include <vector>

// Writing libjpeg's output rows into a Format_RGB32 image: shared by the one-shot decode and
// the decode in passes.
namespace zarovia::picture::jpeg {

// What libjpeg leaves in the coefficients it never received; rows it never reached get it too.
inline constexpr QRgb kUnreachedGrey = 0xFF808080;

// The colour space libjpeg is asked to output for a picture of `colour`.
J_COLOR_SPACE outputColourFor(JpegColour colour);

// Takes `count` finished rows (Format_RGB32, `bytesPerLine` apart) from a banded pass. Called
// inside the libjpeg session: it must hold nothing with a destructor.
using RowSink = void (*)(void* context, const uchar* rows, qsizetype bytesPerLine, int count);

// One output pass's destination: the image's rows, through a small CMYK buffer converted per
// row when the picture has four components. Both buffers are owned by the caller and must
// stay in place while the pass runs. With a `sink`, `bits` is a band of kRowsPerRead rows that
// each batch of rows overwrites before it goes to the sink, so the whole picture is never held.
struct RowTarget {
    uchar* bits;
    qsizetype bytesPerLine;
    JDIMENSION width;
    JDIMENSION height;
    unsigned char* cmykRows;  // kRowsPerRead rows of CMYK, or null for direct output
    bool adobeInverted;
    // Converts the CMYK rows through a profile; null: the plain formula.
    const colour::CmykRowConverter* cmykToSrgb = nullptr;
    RowSink sink = nullptr;
    void* sinkContext = nullptr;
};

// Rows per batch read from libjpeg: the height of a band.
inline constexpr int kRowsPerRead = 16;

// A session step (context: RowTarget) that reads every remaining row of the current output
// pass, with a checkpoint before each batch. Holds nothing with a destructor, so a fatal error
// may leave it by a long jump.
void readRows(j_decompress_ptr info, void* context);

// The rows readRows() needs for CMYK conversion; empty for other colour models, and empty
// (with `ok` false) when there is no memory for them.
std::vector<unsigned char> cmykRowBuffer(const JpegHeader& header, int width, bool& ok);

RowTarget rowTargetFor(QImage& image, const JpegHeader& header,
                       std::vector<unsigned char>& cmykRows);

// Rows from `fromRow` down set to kUnreachedGrey.
void fillRowsGrey(QImage& image, int fromRow);

// An upright all-grey picture of the coded size `coded`; null when there is no memory.
QImage uprightGrey(QSize coded, Orientation orientation);

}  // namespace zarovia::picture::jpeg
