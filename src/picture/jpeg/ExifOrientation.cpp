#include "picture/jpeg/ExifOrientation.h"

#include "picture/ByteReader.h"

#include <QTransform>
#include <QtEndian>
#include <cstring>

namespace zarovia::picture::jpeg {

namespace {

constexpr char kExifSignature[6] = {'E', 'x', 'i', 'f', '\0', '\0'};
constexpr std::uint16_t kTiffMagic = 42;
constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kTypeShort = 3;
constexpr std::uint16_t kTypeLong = 4;
constexpr std::size_t kIfdEntrySize = 12;

// TIFF data is little-endian ("II") or big-endian ("MM"); ByteReader reads little-endian.
class TiffReader {
public:
    TiffReader(ByteReader reader, bool bigEndian) : reader_(reader), bigEndian_(bigEndian) {}
    ByteReader& raw() { return reader_; }
    std::uint16_t u16() {
        const std::uint16_t v = reader_.u16();
        return bigEndian_ ? qbswap(v) : v;
    }
    std::uint32_t u32() {
        const std::uint32_t v = reader_.u32();
        return bigEndian_ ? qbswap(v) : v;
    }

private:
    ByteReader reader_;
    bool bigEndian_;
};

Orientation fromTag(std::uint32_t value) {
    if (value < 1 || value > 8) return Orientation::Normal;
    return static_cast<Orientation>(value);
}

Orientation readOrientation(ByteReader tiff) {
    const std::uint8_t order0 = tiff.u8();
    const std::uint8_t order1 = tiff.u8();
    bool bigEndian;
    if (order0 == 'I' && order1 == 'I') {
        bigEndian = false;
    } else if (order0 == 'M' && order1 == 'M') {
        bigEndian = true;
    } else {
        return Orientation::Normal;
    }
    TiffReader header(tiff, bigEndian);
    if (header.u16() != kTiffMagic) return Orientation::Normal;
    const std::uint32_t ifdOffset = header.u32();

    TiffReader ifd(tiff, bigEndian);
    ifd.raw().seek(ifdOffset);
    const std::uint16_t entries = ifd.u16();
    for (std::uint16_t i = 0; i < entries; ++i) {
        // Each entry is bounded on its own, so a cut directory still yields its whole entries.
        TiffReader entry(ifd.raw().split(kIfdEntrySize), bigEndian);
        if (entry.u16() != kOrientationTag) continue;
        const std::uint16_t type = entry.u16();
        const std::uint32_t count = entry.u32();
        if (count < 1) return Orientation::Normal;
        if (type == kTypeShort) return fromTag(entry.u16());
        if (type == kTypeLong) return fromTag(entry.u32());
        return Orientation::Normal;
    }
    return Orientation::Normal;
}

}  // namespace

Orientation exifOrientation(const unsigned char* app1, std::size_t size) {
    if (app1 == nullptr || size < sizeof kExifSignature) return Orientation::Normal;
    if (std::memcmp(app1, kExifSignature, sizeof kExifSignature) != 0) return Orientation::Normal;
    try {
        const ByteReader payload(reinterpret_cast<const char*>(app1), size);
        return readOrientation(payload.sub(sizeof kExifSignature, size - sizeof kExifSignature));
    } catch (const ByteReaderOverrun&) {
        return Orientation::Normal;
    }
}

bool swapsAxes(Orientation orientation) {
    return orientation == Orientation::Transpose || orientation == Orientation::Rotate90 ||
           orientation == Orientation::Transverse || orientation == Orientation::Rotate270;
}

QSize orientedSize(QSize stored, Orientation orientation) {
    return swapsAxes(orientation) ? stored.transposed() : stored;
}

QImage applyOrientation(const QImage& stored, Orientation orientation) {
    // Quarter turns go through Qt's rotation fast path; the diagonal mirrors are a quarter
    // turn followed by a mirror.
    const auto quarterTurn = [&stored](qreal degrees) {
        return stored.transformed(QTransform().rotate(degrees));
    };
    switch (orientation) {
        case Orientation::Normal:
            return stored;
        case Orientation::MirrorHorizontal:
            return stored.mirrored(true, false);
        case Orientation::Rotate180:
            return stored.mirrored(true, true);
        case Orientation::MirrorVertical:
            return stored.mirrored(false, true);
        case Orientation::Transpose:
            return quarterTurn(90).mirrored(true, false);
        case Orientation::Rotate90:
            return quarterTurn(90);
        case Orientation::Transverse:
            return quarterTurn(90).mirrored(false, true);
        case Orientation::Rotate270:
            return quarterTurn(270);
    }
    return stored;
}

}  // namespace zarovia::picture::jpeg
