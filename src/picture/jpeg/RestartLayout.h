#pragma once

#include <QByteArray>
#include <QSize>
#include <cstdint>
#include <limits>
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

    // How segments map onto rows: MCUs a segment, MCUs in a row of MCUs, rows of MCUs in a row of
    // iMCUs, and MCUs in the scan.
    int restartInterval = 0;
    std::int64_t mcusPerRow = 0;
    int mcuRowsPerImcu = 1;
    std::int64_t totalMcus = 0;
};

// The layout (without row starts) of a picture with one sequential Huffman-coded scan of all its
// components in 8-bit samples and a restart interval, read from its headers in `head`, which
// must reach past the scan header; nullopt for any other picture, and (with `needMore` true)
// when `head` ends before the scan header and more of the file may tell.
std::optional<RestartLayout> readRestartHeader(const QByteArray& head, bool* needMore = nullptr);

// Finds the segments that start rows of iMCUs in a scan's entropy-coded data handed over piece by
// piece, in order, holding nothing of it.
class RestartScanner {
public:
    explicit RestartScanner(const RestartLayout& layout);

    // Scans `size` bytes found at `offset` in the file and appends the row starts in them to
    // `into`. Returns how many bytes it used: all of them, or fewer when it stopped just after
    // the marker of a row start of row `stopAtRow` or later, or at the end of what can be
    // scanned (ended()).
    std::size_t scan(const unsigned char* data, std::size_t size, qsizetype offset,
                     std::vector<RowStart>& into, int stopAtRow = std::numeric_limits<int>::max());
    // True once the scan met its end, a marker out of sequence or another marker: no later
    // segment may start a band.
    bool ended() const { return ended_; }

private:
    const int interval_;
    const std::int64_t mcusPerRow_;
    const int mcuRowsPerImcu_;
    const std::int64_t totalMcus_;
    const int imcuRows_;
    int segment_ = 0;
    bool afterFF_ = false;
    bool ended_ = false;
};

// The layout of a picture with one sequential Huffman-coded scan of all its components in 8-bit
// samples and a restart interval; nullopt for any other (progressive, arithmetic-coded,
// several scans, no restart markers, a malformed header). Every length and offset is checked
// against `bytes`; nothing in the file is trusted.
std::optional<RestartLayout> readRestartLayout(const QByteArray& bytes);

// A horizontal band of the picture in rows of iMCUs: decoded from `decodeFirst` (one row of
// context above its own rows unless it is the first) towards the picture's bottom, of which
// [ownFirst, ownEnd) are its own.
struct BandRange {
    int decodeFirst = 0;
    int ownFirst = 0;
    int ownEnd = 0;
    qsizetype offset = 0;  // where its first segment starts in the file
    int segment = 0;       // the number of that segment in the scan
};

// Splits the picture into at most `bands` bands of near equal height, each starting at a row
// start of `layout` and owning at least two rows of iMCUs; fewer (or one) when the row starts do
// not allow more.
std::vector<BandRange> planBands(const RestartLayout& layout, int bands);

}  // namespace zarovia::picture::jpeg
