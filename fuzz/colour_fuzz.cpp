// The profile path taken three ways from one input: as APP2 segments (a 16-bit big-endian
// length, then that many bytes, repeated) reassembled into a profile; as a bitmap's info header
// with the rest of the file; and as a profile on its own. Each profile found converts a small
// picture to sRGB and from sRGB to it as a display's, as a shown picture would; a broken one
// must simply be refused.
#include "picture/colour/BmpColourSpace.h"
#include "picture/colour/ColourConversion.h"
#include "picture/colour/IccChunks.h"

#include <QImage>

#include <cstddef>
#include <cstdint>
#include <vector>

using namespace zarovia::picture;
using namespace zarovia::picture::colour;

namespace {

void show(const ColourProfile& profile) {
    if (profile.isNull()) return;
    QImage image(16, 4, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgb(x * 16, y * 64, 128));
    (void)convertImage(image, profile, ColourProfile());
    if (profile.model() == ColourModel::Rgb) (void)convertImage(image, ColourProfile(), profile);
    if (profile.model() == ColourModel::Cmyk) {
        const CmykRowConverter rows(profile, true, ColourProfile());
        const unsigned char cmyk[16] = {0, 64, 128, 255, 255, 0,   0,  0,
                                        1, 2,  3,   4,   200, 100, 50, 25};
        quint32 out[4];
        if (rows.isValid()) rows.convert(cmyk, reinterpret_cast<unsigned char*>(out), 4);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<App2Segment> segments;
    for (size_t at = 0; at + 2 <= size;) {
        const size_t length = (size_t(data[at]) << 8) | data[at + 1];
        at += 2;
        const size_t taken = length < size - at ? length : size - at;
        segments.push_back({data + at, taken});
        at += taken;
    }
    show(ColourProfile::fromIcc(reassembleIccProfile(segments)));

    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    show(bmpColourProfile(ByteReader(bytes)));
    show(ColourProfile::fromIcc(QByteArray(bytes)));
    return 0;
}
