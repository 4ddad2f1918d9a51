// Times decodeBmpFile on generated 4000x3000 bitmaps of each common kind, and Qt's own BMP
// reader on the same bytes for comparison.
//
//   bmp_decode_bench [-n runs]
#include "picture/bmp/Bmp.h"

#include <QBuffer>
#include <QByteArray>
#include <QElapsedTimer>
#include <QImage>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

using namespace zarovia::picture;

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

void putU16(QByteArray& out, unsigned v) {
    out.append(static_cast<char>(v & 0xFF));
    out.append(static_cast<char>((v >> 8) & 0xFF));
}
void putU32(QByteArray& out, unsigned v) {
    putU16(out, v & 0xFFFF);
    putU16(out, v >> 16);
}

// A BMP with a 40-byte header; `pixels` are the stored rows, `palette` 4-byte entries.
QByteArray makeBmp(int bitCount, unsigned compression, const QByteArray& palette,
                   const QByteArray& pixels) {
    QByteArray info;
    putU32(info, 40);
    putU32(info, kWidth);
    putU32(info, kHeight);
    putU16(info, 1);
    putU16(info, static_cast<unsigned>(bitCount));
    putU32(info, compression);
    putU32(info, static_cast<unsigned>(pixels.size()));
    putU32(info, 2835);
    putU32(info, 2835);
    putU32(info, static_cast<unsigned>(palette.size() / 4));
    putU32(info, 0);
    QByteArray out("BM");
    putU32(out, static_cast<unsigned>(14 + info.size() + palette.size() + pixels.size()));
    putU32(out, 0);
    putU32(out, static_cast<unsigned>(14 + info.size() + palette.size()));
    return out + info + palette + pixels;
}

QByteArray gradientRows(int bytesPerPixel) {
    const int stride = (kWidth * bytesPerPixel + 3) / 4 * 4;
    QByteArray rows(stride * kHeight, '\0');
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth * bytesPerPixel; ++x)
            rows[y * stride + x] = static_cast<char>((x * 7 + y * 3) & 0xFF);
    return rows;
}

QByteArray greyPalette() {
    QByteArray palette;
    for (int i = 0; i < 256; ++i) putU32(palette, static_cast<unsigned>(i * 0x010101));
    return palette;
}

// Runs of 16 pixels of one index, each row ended by an end-of-line.
QByteArray rle8Rows() {
    QByteArray data;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; x += 16) {
            data.append(static_cast<char>(16));
            data.append(static_cast<char>((x / 16 + y) & 0xFF));
        }
        data.append('\0');
        data.append('\0');
    }
    data.append('\0');
    data.append('\1');
    return data;
}

double medianMs(int runs, const std::function<void()>& body) {
    std::vector<double> ms;
    body();
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        body();
        ms.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 7;
    if (argc == 3 && std::strcmp(argv[1], "-n") == 0) runs = std::max(1, std::atoi(argv[2]));

    struct Case {
        const char* name;
        QByteArray bytes;
    };
    const std::vector<Case> cases = {
        {"24-bit BI_RGB", makeBmp(24, 0, {}, gradientRows(3))},
        {"32-bit BI_RGB", makeBmp(32, 0, {}, gradientRows(4))},
        {"8-bit palette", makeBmp(8, 0, greyPalette(), gradientRows(1))},
        {"8-bit RLE8", makeBmp(8, 1, greyPalette(), rle8Rows())},
        {"16-bit 5-5-5", makeBmp(16, 0, {}, gradientRows(2))},
    };
    std::printf("%dx%d, median of %d runs\n", kWidth, kHeight, runs);
    std::printf("%-16s %12s %12s\n", "kind", "ours ms", "Qt ms (to RGB32)");
    for (const Case& c : cases) {
        const double ours = medianMs(runs, [&] { (void)decodeBmpFile(c.bytes); });
        // Qt keeps 8-bit pictures indexed; the conversion makes both results 32-bit pixels.
        const double qt = medianMs(runs, [&] {
            (void)QImage::fromData(c.bytes, "BMP").convertToFormat(QImage::Format_RGB32);
        });
        std::printf("%-16s %12.1f %12.1f\n", c.name, ours, qt);
    }
    return 0;
}
