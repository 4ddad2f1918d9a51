#include "picture/bmp/Ico.h"

#include "picture/MemoryBudget.h"
#include "picture/bmp/Dib.h"
#include "picture/bmp/DibFormat.h"
#include "picture/colour/ColourRaster.h"
#include "platform/Failure.h"

#include <QBuffer>
#include <QColorSpace>
#include <QImageReader>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace zarovia::picture {

namespace {

constexpr std::size_t ICONDIR_SIZE = 6;
constexpr std::size_t ICONDIRENTRY_SIZE = 16;
constexpr std::uint16_t ICO_TYPE_ICON = 1;
constexpr std::uint16_t ICO_TYPE_CURSOR = 2;
constexpr std::array<unsigned char, 8> PNG_SIGNATURE = {0x89, 'P',  'N',  'G',
                                                        '\r', '\n', 0x1A, '\n'};
constexpr std::size_t PNG_IHDR_END = 8 + 8 + 13;  // signature, chunk length and type, IHDR data
// Broken entries are passed over for the next best, but only this many are tried.
constexpr int MAX_ENTRIES_TRIED = 8;

QString malformedIconText() {
    return QStringLiteral("アイコンイメージが不正です");
}
[[noreturn]] void failMalformedIcon() {
    throw Failure(malformedIconText());
}

std::uint32_t be32(const unsigned char* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | p[3];
}

struct IconDirEntry {
    std::uint8_t width = 0;  // 0 means 256
    std::uint8_t height = 0;
    std::uint16_t bitCount = 0;  // the hot spot's y for cursors
    std::uint32_t bytesInRes = 0;
    std::uint32_t imageOffset = 0;
};

IconDirEntry parseDirEntry(ByteReader& dir) {
    std::array<unsigned char, ICONDIRENTRY_SIZE> raw{};
    std::memcpy(raw.data(), dir.take(ICONDIRENTRY_SIZE), raw.size());
    ByteReader r(reinterpret_cast<const char*>(raw.data()), raw.size());
    IconDirEntry e;
    e.width = r.u8();
    e.height = r.u8();
    r.skip(2);  // colour count, reserved
    r.skip(2);  // planes
    e.bitCount = r.u16();
    e.bytesInRes = r.u32();
    e.imageOffset = r.u32();
    return e;
}

// One image of the icon with the size and depth it really has, for choosing the best.
struct IconCandidate {
    int index = 0;
    std::optional<ByteReader> data;  // empty when the entry lies outside the file
    bool png = false;
    std::int64_t width = 0;
    std::int64_t height = 0;
    int depth = 0;
};

bool isPng(const ByteReader& data) {
    return data.size() >= PNG_SIGNATURE.size() &&
           std::memcmp(data.data(), PNG_SIGNATURE.data(), PNG_SIGNATURE.size()) == 0;
}

int pngDepth(unsigned bitDepth, unsigned colourType) {
    switch (colourType) {
        case 2:
            return static_cast<int>(bitDepth * 3);
        case 4:
            return static_cast<int>(bitDepth * 2);
        case 6:
            return static_cast<int>(bitDepth * 4);
        default:
            return static_cast<int>(bitDepth);
    }
}

IconCandidate describeEntry(int index, const IconDirEntry& entry, bool cursor,
                            const ByteReader& file) {
    IconCandidate c;
    c.index = index;
    c.width = entry.width == 0 ? 256 : entry.width;
    c.height = entry.height == 0 ? 256 : entry.height;
    c.depth = cursor ? 0 : entry.bitCount;
    if (entry.imageOffset >= file.size()) return c;
    // A size running past the end is cut to the file: the image may still be complete.
    const std::size_t available = file.size() - entry.imageOffset;
    const std::size_t length =
        entry.bytesInRes == 0 ? available : std::min<std::size_t>(entry.bytesInRes, available);
    c.data = file.sub(entry.imageOffset, length);
    c.png = isPng(*c.data);
    // The entry's own header wins over the directory when they disagree.
    if (c.png) {
        if (c.data->size() >= PNG_IHDR_END) {
            const unsigned char* ihdr = c.data->data() + 16;
            // Clamped so that the area below cannot overflow; such a size fails later.
            c.width = std::min<std::int64_t>(be32(ihdr), dib::MAX_WIDTH_HEIGHT + 1);
            c.height = std::min<std::int64_t>(be32(ihdr + 4), dib::MAX_WIDTH_HEIGHT + 1);
            c.depth = pngDepth(ihdr[8], ihdr[9]);
        }
        return c;
    }
    try {
        ByteReader probe = *c.data;
        const dib::DibHeader header = dib::parseDibHeader(probe);
        c.width = header.width;
        c.height = header.height / 2;
        c.depth = header.bitCount;
    } catch (const ByteReaderOverrun&) {
    } catch (const Failure&) {
    }
    return c;
}

// The PNG's own header (IHDR) is checked against the picture budget before Qt decodes it,
// counting Qt's decode (16-bit channels take twice as many bytes) and its conversion to
// premultiplied ARGB32 together; Qt's allocation limit stands behind that.
// The colour space Qt's reader reports for the PNG (its iCCP, sRGB, gAMA and cHRM chunks);
// null for sRGB or when Little CMS refuses it.
colour::ColourProfile pngProfile(const QImage& image) {
    const QColorSpace space = image.colorSpace();
    if (!space.isValid() || space == QColorSpace(QColorSpace::SRgb)) return {};
    return colour::ColourProfile::fromIcc(space.iccProfile());
}

QImage decodePngEntry(const ByteReader& data) {
    if (data.size() < PNG_IHDR_END || data.size() > static_cast<std::size_t>(INT_MAX))
        failMalformedIcon();
    const unsigned char* ihdr = data.data() + 16;
    const std::uint64_t pixels = std::uint64_t{be32(ihdr)} * be32(ihdr + 4);
    const int decodedBytesPerPixel = ihdr[8] == 16 ? 8 + 4 : 4 + 4;
    if (pixels == 0 || pixels > dib::MAX_PIXELS ||
        !fitsBudget(be32(ihdr), be32(ihdr + 4), decodedBytesPerPixel, kPictureBudgetBytes))
        failMalformedIcon();
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data.data()),
                                               static_cast<qsizetype>(data.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    reader.setAllocationLimit(static_cast<int>(kPictureBudgetBytes / kMiB));
    QImage image = reader.read();
    if (image.isNull() || image.width() <= 0 || image.height() <= 0) failMalformedIcon();
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

struct DecodedEntry {
    QImage image;
    colour::ColourProfile profile;
};

QImage decodeDibEntry(const ByteReader& data) {
    DibOptions options;
    options.iconWithAndMask = true;
    options.keepAlpha = true;
    try {
        return decodePackedDib(data, options);
    } catch (const Failure& failure) {
        // A malformed bitmap inside an icon is a malformed icon; a short read stays one.
        if (failure.message() == dib::malformedBitmapText()) failMalformedIcon();
        throw;
    }
}

DecodedEntry decodeCandidate(const IconCandidate& c) {
    if (!c.data) failMalformedIcon();
    if (!c.png) return {decodeDibEntry(*c.data), {}};
    QImage image = decodePngEntry(*c.data);
    colour::ColourProfile profile = pngProfile(image);
    return {std::move(image), std::move(profile)};
}

}  // namespace

Picture decodeIcoFile(const QByteArray& bytes) {
    const ByteReader file(bytes);
    std::vector<IconCandidate> candidates;
    try {
        ByteReader dir = file;
        const std::uint16_t reserved = dir.u16();
        const std::uint16_t type = dir.u16();
        const std::uint16_t count = dir.u16();
        if (reserved != 0 || (type != ICO_TYPE_ICON && type != ICO_TYPE_CURSOR) || count == 0)
            failMalformedIcon();
        if (ICONDIR_SIZE + std::size_t{count} * ICONDIRENTRY_SIZE > file.size())
            failMalformedIcon();
        for (int i = 0; i < count; ++i)
            candidates.push_back(
                describeEntry(i, parseDirEntry(dir), type == ICO_TYPE_CURSOR, file));
    } catch (const ByteReaderOverrun&) {
        failMalformedIcon();
    }

    // Largest area first, then the deepest; the stable sort keeps the first on ties.
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const IconCandidate& a, const IconCandidate& b) {
                         const std::int64_t areaA = a.width * a.height;
                         const std::int64_t areaB = b.width * b.height;
                         if (areaA != areaB) return areaA > areaB;
                         return a.depth > b.depth;
                     });

    // A broken best entry gives way to the next best; the first failure is the one reported.
    std::optional<Failure> firstFailure;
    const int tries = std::min<int>(MAX_ENTRIES_TRIED, static_cast<int>(candidates.size()));
    for (int i = 0; i < tries; ++i) {
        try {
            DecodedEntry entry = decodeCandidate(candidates[static_cast<std::size_t>(i)]);
            return colour::rasterPicture(PictureKind::Icon, std::move(entry.image), entry.profile);
        } catch (const Failure& failure) {
            if (!firstFailure) firstFailure = failure;
        }
    }
    throw *firstFailure;
}

}  // namespace zarovia::picture
