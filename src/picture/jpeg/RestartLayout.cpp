#include "picture/jpeg/RestartLayout.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace zarovia::picture::jpeg {

namespace {

constexpr int kMarkerSoi = 0xD8;
constexpr int kMarkerEoi = 0xD9;
constexpr int kMarkerSos = 0xDA;
constexpr int kMarkerDri = 0xDD;
constexpr int kMarkerRst0 = 0xD0;
constexpr int kMarkerRst7 = 0xD7;
constexpr int kMarkerSof0 = 0xC0;  // baseline
constexpr int kMarkerSof1 = 0xC1;  // extended sequential, Huffman
constexpr int kMaxComponents = 4;
// A header larger than this is copied once per band; no real file comes near it.
constexpr qsizetype kMaxHeaderBytes = 1024 * 1024;
// Each band owns at least this many rows of iMCUs.
constexpr int kMinBandRows = 2;

int byteAt(const QByteArray& bytes, qsizetype at) {
    return static_cast<unsigned char>(bytes[at]);
}

int be16At(const QByteArray& bytes, qsizetype at) {
    return (byteAt(bytes, at) << 8) | byteAt(bytes, at + 1);
}

bool isOtherFrame(int marker) {
    // Every SOFn but the two sequential Huffman ones (DHT C4, JPG C8 and DAC CC are not frames).
    return marker >= 0xC2 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

struct Component {
    int id;
    int h;
    int v;
};

struct Frame {
    int width = 0;
    int height = 0;
    qsizetype heightOffset = 0;
    std::vector<Component> components;
};

// Reads a frame header's segment (`at`: its length field, `length` checked to lie in the file).
bool readFrame(const QByteArray& bytes, qsizetype at, int length, Frame& frame) {
    if (length < 8) return false;
    const int precision = byteAt(bytes, at + 2);
    frame.heightOffset = at + 3;
    frame.height = be16At(bytes, at + 3);
    frame.width = be16At(bytes, at + 5);
    const int count = byteAt(bytes, at + 7);
    if (precision != 8 || frame.height == 0 || frame.width == 0 || count < 1 ||
        count > kMaxComponents || length != 8 + 3 * count)
        return false;
    for (int i = 0; i < count; ++i) {
        const qsizetype c = at + 8 + 3 * i;
        const int sampling = byteAt(bytes, c + 1);
        const Component component{byteAt(bytes, c), sampling >> 4, sampling & 15};
        if (component.h < 1 || component.h > 4 || component.v < 1 || component.v > 4) return false;
        frame.components.push_back(component);
    }
    return true;
}

// True when the scan header codes every component of the frame once, in one sequential scan.
bool scanCoversFrame(const QByteArray& bytes, qsizetype at, int length, const Frame& frame) {
    if (length < 6) return false;
    const int count = byteAt(bytes, at + 2);
    if (count != static_cast<int>(frame.components.size()) || length != 6 + 2 * count) return false;
    std::vector<bool> seen(frame.components.size(), false);
    for (int i = 0; i < count; ++i) {
        const int id = byteAt(bytes, at + 3 + 2 * i);
        const auto found = std::find_if(frame.components.begin(), frame.components.end(),
                                        [id](const Component& c) { return c.id == id; });
        if (found == frame.components.end()) return false;
        const auto index = static_cast<std::size_t>(found - frame.components.begin());
        if (seen[index]) return false;
        seen[index] = true;
    }
    const qsizetype tail = at + 3 + 2 * count;
    return byteAt(bytes, tail) == 0 && byteAt(bytes, tail + 1) == 63 &&
           byteAt(bytes, tail + 2) == 0;
}

// How restart segments map onto rows: MCUs in a row of MCUs, and rows of MCUs in a row of iMCUs.
struct McuGrid {
    std::int64_t perRow = 0;
    int rowsPerImcu = 1;
    std::int64_t total = 0;
};

McuGrid gridOf(const Frame& frame, int maxH, int maxV) {
    McuGrid grid;
    if (frame.components.size() == 1) {
        // A scan of one component codes block by block: its MCU is one 8 x 8 block.
        const Component& c = frame.components.front();
        const std::int64_t width = (std::int64_t(frame.width) * c.h + maxH - 1) / maxH;
        const std::int64_t height = (std::int64_t(frame.height) * c.v + maxV - 1) / maxV;
        grid.perRow = (width + 7) / 8;
        grid.rowsPerImcu = c.v;
        grid.total = grid.perRow * ((height + 7) / 8);
    } else {
        grid.perRow = (frame.width + 8 * maxH - 1) / (8 * maxH);
        grid.total = grid.perRow * ((frame.height + 8 * maxV - 1) / (8 * maxV));
    }
    return grid;
}

}  // namespace

std::optional<RestartLayout> readRestartHeader(const QByteArray& bytes, bool* needMore) {
    bool more = false;
    const auto refused = [&](bool wouldMoreHelp) -> std::optional<RestartLayout> {
        more = wouldMoreHelp;
        if (needMore != nullptr) *needMore = more && bytes.size() < kMaxHeaderBytes;
        return std::nullopt;
    };
    const qsizetype size = bytes.size();
    if (size < 2) return refused(true);
    if (byteAt(bytes, 0) != 0xFF || byteAt(bytes, 1) != kMarkerSoi) return refused(false);
    Frame frame;
    bool haveFrame = false;
    int interval = 0;
    qsizetype at = 2;
    for (;;) {
        // A marker: 0xFF, any fill bytes, the code; then its segment's length.
        if (at >= size) return refused(true);
        if (byteAt(bytes, at) != 0xFF) return refused(false);
        while (at < size && byteAt(bytes, at) == 0xFF) ++at;
        if (at + 2 >= size) return refused(true);
        const int marker = byteAt(bytes, at++);
        if (marker == 0 || marker == kMarkerSoi || marker == kMarkerEoi ||
            (marker >= kMarkerRst0 && marker <= kMarkerRst7) || marker == 0x01)
            return refused(false);
        const int length = be16At(bytes, at);
        if (length < 2) return refused(false);
        if (at + length > size) return refused(true);
        if (marker == kMarkerSof0 || marker == kMarkerSof1) {
            if (haveFrame || !readFrame(bytes, at, length, frame)) return refused(false);
            haveFrame = true;
        } else if (isOtherFrame(marker)) {
            return refused(false);
        } else if (marker == kMarkerDri) {
            if (length != 4) return refused(false);
            interval = be16At(bytes, at + 2);
        } else if (marker == kMarkerSos) {
            if (!haveFrame || interval == 0 || !scanCoversFrame(bytes, at, length, frame))
                return refused(false);
            at += length;
            break;
        }
        at += length;
    }
    if (at > kMaxHeaderBytes) return refused(false);

    int maxH = 1, maxV = 1;
    for (const Component& c : frame.components) {
        maxH = std::max(maxH, c.h);
        maxV = std::max(maxV, c.v);
    }
    RestartLayout layout;
    layout.codedSize = QSize(frame.width, frame.height);
    layout.sofHeightOffset = frame.heightOffset;
    layout.dataStart = at;
    layout.imcuHeight = 8 * maxV;
    layout.imcuRows = (frame.height + layout.imcuHeight - 1) / layout.imcuHeight;
    const McuGrid grid = gridOf(frame, maxH, maxV);
    layout.restartInterval = interval;
    layout.mcusPerRow = grid.perRow;
    layout.mcuRowsPerImcu = grid.rowsPerImcu;
    layout.totalMcus = grid.total;
    if (needMore != nullptr) *needMore = false;
    return layout;
}

RestartScanner::RestartScanner(const RestartLayout& layout)
    : interval_(layout.restartInterval),
      mcusPerRow_(std::max<std::int64_t>(layout.mcusPerRow, 1)),
      mcuRowsPerImcu_(std::max(layout.mcuRowsPerImcu, 1)),
      totalMcus_(layout.totalMcus),
      imcuRows_(layout.imcuRows) {}

// Reads the data as libjpeg's decoder does: a 0xFF byte followed (after any fill 0xFF bytes) by
// 0 is data, by RSTn a restart marker.
std::size_t RestartScanner::scan(const unsigned char* data, std::size_t size, qsizetype offset,
                                 std::vector<RowStart>& into, int stopAtRow) {
    std::size_t at = 0;
    while (at < size && !ended_) {
        if (!afterFF_) {
            const void* found = std::memchr(data + at, 0xFF, size - at);
            if (found == nullptr) return size;
            at = static_cast<std::size_t>(static_cast<const unsigned char*>(found) - data) + 1;
            afterFF_ = true;
            continue;
        }
        const int code = data[at++];
        if (code == 0xFF) continue;
        afterFF_ = false;
        if (code == 0) continue;
        if (code != kMarkerRst0 + (segment_ & 7)) {
            ended_ = true;  // the end of the scan, or a marker out of sequence
            return at;
        }
        ++segment_;
        const std::int64_t firstMcu = std::int64_t(segment_) * interval_;
        if (firstMcu >= totalMcus_) {
            ended_ = true;
            return at;
        }
        if (firstMcu % mcusPerRow_ != 0) continue;
        const std::int64_t mcuRow = firstMcu / mcusPerRow_;
        if (mcuRow % mcuRowsPerImcu_ != 0) continue;
        const auto imcuRow = static_cast<int>(mcuRow / mcuRowsPerImcu_);
        if (imcuRow >= imcuRows_) continue;
        into.push_back({imcuRow, offset + static_cast<qsizetype>(at), segment_});
        if (imcuRow >= stopAtRow) return at;
    }
    return at;
}

std::optional<RestartLayout> readRestartLayout(const QByteArray& bytes) {
    std::optional<RestartLayout> layout = readRestartHeader(bytes);
    if (!layout) return std::nullopt;
    RestartScanner scanner(*layout);
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    (void)scanner.scan(data + layout->dataStart,
                       static_cast<std::size_t>(bytes.size() - layout->dataStart),
                       layout->dataStart, layout->rowStarts);
    return layout;
}

std::vector<BandRange> planBands(const RestartLayout& layout, int bands) {
    std::vector<BandRange> plan;
    plan.push_back({0, 0, layout.imcuRows, layout.dataStart, 0});
    const int rows = layout.imcuRows;
    // A band after the first decodes from the row start above its own first row.
    std::size_t next = 0;
    for (int k = 1; k < bands; ++k) {
        const int target = static_cast<int>(std::int64_t(rows) * k / bands);
        const int lowest = plan.back().ownFirst + kMinBandRows;
        const int highest = rows - kMinBandRows;
        const RowStart* best = nullptr;
        for (std::size_t i = next; i < layout.rowStarts.size(); ++i) {
            const RowStart& start = layout.rowStarts[i];
            const int ownFirst = start.imcuRow + 1;
            if (ownFirst < lowest) continue;
            if (ownFirst > highest) break;
            if (best == nullptr ||
                std::abs(ownFirst - target) < std::abs(best->imcuRow + 1 - target)) {
                best = &start;
                next = i + 1;
            }
        }
        if (best == nullptr) break;
        BandRange band;
        band.decodeFirst = best->imcuRow;
        band.ownFirst = best->imcuRow + 1;
        band.offset = best->offset;
        band.segment = best->segment;
        plan.push_back(band);
    }
    for (std::size_t k = 0; k < plan.size(); ++k) {
        const bool last = k + 1 == plan.size();
        plan[k].ownEnd = last ? rows : plan[k + 1].ownFirst;
    }
    return plan;
}

}  // namespace zarovia::picture::jpeg
