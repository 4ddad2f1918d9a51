#include "picture/bmp/Bmp.h"

#include "picture/bmp/Dib.h"
#include "picture/bmp/DibFormat.h"
#include "picture/colour/BmpColourSpace.h"
#include "picture/colour/ColourRaster.h"

#include <array>
#include <cstring>
#include <memory>

namespace zarovia::picture {

using namespace dib;

namespace {

constexpr std::size_t BITMAPFILEHEADER_SIZE = 14;
constexpr unsigned char BMP_MAGIC[2] = {'B', 'M'};

struct BitmapFileHeader {
    std::uint32_t offBits = 0;  // where the pixels start; bfSize is never needed
};

BitmapFileHeader parseFileHeader(ByteReader& file) {
    std::array<unsigned char, BITMAPFILEHEADER_SIZE> raw{};
    std::memcpy(raw.data(), file.take(BITMAPFILEHEADER_SIZE), raw.size());
    BitmapFileHeader h;
    h.offBits = static_cast<std::uint32_t>(raw[10]) | (static_cast<std::uint32_t>(raw[11]) << 8) |
                (static_cast<std::uint32_t>(raw[12]) << 16) |
                (static_cast<std::uint32_t>(raw[13]) << 24);
    return h;
}

}  // namespace

Picture decodeBmpFile(const QByteArray& bytes) {
    QImage image;
    colour::ColourProfile profile;
    try {
        ByteReader file(bytes);
        // Only "BM": the OS/2 array and icon magics are other formats.
        for (std::size_t i = 0; i < 2 && i < file.size(); ++i)
            if (file.data()[i] != BMP_MAGIC[i]) failMalformed();
        const BitmapFileHeader fileHeader = parseFileHeader(file);
        ByteReader dib = file.sub(BITMAPFILEHEADER_SIZE, file.size() - BITMAPFILEHEADER_SIZE);
        ByteReader probe = dib;
        const DibHeader header = parseDibHeader(probe);

        // The pixel offset is used when it lies between the end of the header (and masks)
        // and the end of the file; otherwise the pixels are taken right after the colour table.
        const std::uint64_t firstPossible =
            BITMAPFILEHEADER_SIZE + header.headerSize + masksAfterHeaderSize(header);
        if (fileHeader.offBits >= firstPossible && fileHeader.offBits <= file.size()) {
            const std::size_t offBits = fileHeader.offBits;
            image = decodeDib(file.sub(BITMAPFILEHEADER_SIZE, offBits - BITMAPFILEHEADER_SIZE),
                              file.sub(offBits, file.size() - offBits));
        } else {
            image = decodePackedDib(dib);
        }
        // Read once the pixels have decoded: a broken colour space is sRGB, never a failure.
        profile = colour::bmpColourProfile(dib);
    } catch (const ByteReaderOverrun&) {
        failTruncated();
    }
    return colour::rasterPicture(PictureKind::Bitmap, std::move(image), profile);
}

}  // namespace zarovia::picture
