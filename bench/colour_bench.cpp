// Prints (1) the time to convert a picture shrunk to the size shown from Adobe RGB to sRGB
// (the transform already built and kept, as for every picture after the first), and the time
// to build that transform once; (2) how far the plain CMYK formula the JPEG decoder used before
// colour management lies from the default CMYK profile, over a grid of CMYK values.
#include "picture/colour/ColourConversion.h"
#include "picture/colour/TransformCache.h"

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace zarovia::picture::colour;

namespace {

ColourProfile profileAt(const char* path) {
    QFile file(QString::fromLatin1(path));
    return file.open(QIODevice::ReadOnly) ? ColourProfile::fromIcc(file.readAll())
                                          : ColourProfile();
}

QImage photoLike(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            row[x] = qRgb((x * 7 + y) & 255, (x * 3 + y * 5) & 255, (x ^ y) & 255);
    }
    return image;
}

// The formula: inks taken as their complements multiplied by the black's.
QRgb formula(int c, int m, int y, int k) {
    c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
    return qRgb((c * k + 127) / 255, (m * k + 127) / 255, (y * k + 127) / 255);
}

}  // namespace

int main() {
    const ColourProfile adobe = profileAt("/usr/share/color/icc/colord/AdobeRGB1998.icc");
    if (adobe.isNull() || defaultCmykProfile().isNull()) {
        std::fprintf(stderr, "needs colord-data and libgs-common\n");
        return 1;
    }
    QElapsedTimer build;
    build.start();
    (void)findTransform(adobe, {}, PixelLayout::Rgb32);
    std::printf("Adobe RGB -> sRGB transform built once: %.2f ms\n", build.nsecsElapsed() / 1e6);
    for (const QSize size : {QSize(613, 460), QSize(1920, 1080)}) {
        double best = 1e9;
        for (int run = 0; run < 20; ++run) {
            QImage image = photoLike(size);
            QElapsedTimer timer;
            timer.start();
            convertImage(image, adobe, {});
            best = std::min(best, timer.nsecsElapsed() / 1e6);
        }
        std::printf("Adobe RGB -> sRGB, %dx%d: %.2f ms (min of 20)\n", size.width(), size.height(),
                    best);
    }

    const CmykRowConverter profile(ColourProfile(), false, ColourProfile());
    long long total = 0, count = 0;
    int worst = 0;
    unsigned char cmyk[4];
    quint32 out = 0;
    for (int c = 0; c <= 255; c += 17)
        for (int m = 0; m <= 255; m += 17)
            for (int y = 0; y <= 255; y += 17)
                for (int k = 0; k <= 255; k += 17) {
                    cmyk[0] = uchar(c), cmyk[1] = uchar(m), cmyk[2] = uchar(y), cmyk[3] = uchar(k);
                    profile.convert(cmyk, reinterpret_cast<unsigned char*>(&out), 1);
                    const QRgb f = formula(c, m, y, k);
                    const int d[3] = {std::abs(qRed(f) - qRed(out)),
                                      std::abs(qGreen(f) - qGreen(out)),
                                      std::abs(qBlue(f) - qBlue(out))};
                    for (const int v : d) {
                        total += v;
                        ++count;
                        worst = std::max(worst, v);
                    }
                }
    std::printf(
        "plain CMYK formula vs default CMYK profile over 16^4 CMYK values: mean %.1f, "
        "largest %d levels per channel\n",
        double(total) / double(count), worst);
    return 0;
}
