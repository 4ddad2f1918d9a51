#pragma once

#include <QByteArray>
#include <QSize>
#include <optional>
#include <vector>

// Where the restart segments of a baseline JPEG begin, found from its markers without decoding:
// the places a band of the picture can be decoded from on its own. A restart marker ends an
// entropy-coded segment: the next one starts with fresh DC predictions and an empty bit buffer,
// exactly as the first segment after the scan header does.
namespace zarovia::picture::jpeg {

// A segment that starts at the top of a row of iMCUs (libjpeg's unit of output: 8 x the largest
// vertical sampling factor rows of pixels).
struct RowStart {
    int imcuRow = 0;
    qsizetype offset = 0;  // its first byte in the file
    int segment = 0;       // its number in the scan (the first segment is 0)
};

struct RestartLayout {
    QSize codedSize;
    qsizetype sofHeightOffset = 0;  // the picture height's two bytes in the frame header
    qsizetype dataStart = 0;        // the scan's first entropy-coded byte
    int imcuHeight = 0;             // pixel rows in a row of iMCUs
    int imcuRows = 0;
    // The segments that start a row of iMCUs, in order, as far as the markers are in order:
    // from the first marker out of sequence (or any other marker, or the end of the data) on,
    // a decode may resynchronise in ways that depend on everything before, so no band starts
    // there.
    std::vector<RowStart> rowStarts;
};

// The layout of a picture with one sequential Huffman-coded scan of all its components in 8-bit
// samples and a restart interval; nullopt for any other (progressive, arithmetic-coded,
// several scans, no restart markers, a malformed header). Every length and offset is checked
// against `bytes`; nothing in the file is trusted.
std::optional<RestartLayout> readRestartLayout(const QByteArray& bytes);

// A horizontal band of the picture in rows of iMCUs: decoded from `decodeFirst` (one row of
// context above its own rows unless it is the first) to `decodeEnd` (one row of context below
// unless it is the last), of which [ownFirst, ownEnd) are its own.
struct BandRange {
    int decodeFirst = 0;
    int ownFirst = 0;
    int ownEnd = 0;
    int decodeEnd = 0;
    qsizetype offset = 0;  // where its first segment starts in the file
    int segment = 0;       // the number of that segment in the scan
};

// Splits the picture into at most `bands` bands of near equal height, each starting at a row
// start of `layout` and owning at least two rows of iMCUs; fewer (or one) when the row starts do
// not allow more.
std::vector<BandRange> planBands(const RestartLayout& layout, int bands);

}  // namespace zarovia::picture::jpeg
