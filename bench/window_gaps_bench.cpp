// The longest time the window's event loop stands still while a heavy file opens: the file is
// dropped on the real window (offscreen) and a 2 ms timer on the window's thread measures the
// gaps until the file is shown and painted. Goal: no gap over 50 ms.
//   window_gaps_bench [WORK_FOLDER]
#include "Unit1.h"
#include "metafile/MetafileBombs.h"
#include "support/FakeServices.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <functional>

using namespace zarovia;

namespace {

QString writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return {};
    f.write(bytes);
    return path;
}

// A camera-like picture: smooth gradients with some texture.
QImage photo(int width, int height) {
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            line[3 * x] = static_cast<uchar>((x * 255) / width ^ (y & 7));
            line[3 * x + 1] = static_cast<uchar>((y * 255) / height);
            line[3 * x + 2] = static_cast<uchar>(((x + y) * 97) & 0xFF);
        }
    }
    return image;
}

QString makeRtf(const QString& path, qsizetype bytes) {
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset128 "
                     "\\'82\\'6c\\'82\\'72 \\'96\\'be\\'92\\'a9;}}{\\colortbl;\\red200\\green0\\blue0;}\n";
    int paragraph = 0;
    while (rtf.size() < bytes) {
        rtf += "{\\b Paragraph " + QByteArray::number(++paragraph) +
               "} plain text with {\\i italic} and {\\cf1 red} words, {\\f1 \\'93\\'fa\\'96\\'7b\\'8c"
               "\\'ea} and more text to fill the line.\\par\n";
    }
    rtf += "}";
    return writeBytes(path, rtf);
}

struct Case {
    const char* name;
    std::function<QString(const QString& folder)> make;
};

// Drops `path` on a fresh window and returns the longest gap of the window's event loop until
// the file is shown and a paint has gone by, and how long that took.
std::pair<double, double> measure(const QString& path) {
    testing::Recorded rec;
    TzaroForm1 form(testing::fakeServices(&rec, false));
    form.show();
    QApplication::processEvents();
    QElapsedTimer clock;
    double longest = 0;
    qint64 last = 0;
    QTimer beat;
    beat.setInterval(2);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, (now - last) / 1e6);
        last = now;
    });
    clock.start();
    beat.start();
    form.guard([&] { form.FormDropFiles({QFile::encodeName(path)}); });
    longest = std::max(longest, clock.nsecsElapsed() / 1e6);  // the drop handler itself
    last = clock.nsecsElapsed();
    while (form.isLoading() && clock.elapsed() < 60000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 2);
    // The picture or the document is painted after it arrives.
    const qint64 shownAt = clock.elapsed();
    while (clock.elapsed() < shownAt + 300) QApplication::processEvents(QEventLoop::AllEvents, 2);
    if (!rec.errors.isEmpty()) std::printf("  (error box: %s)\n", qPrintable(rec.errors.join('|')));
    return {longest, double(shownAt)};
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir temporary;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    QDir().mkpath(folder);

    const std::vector<Case> cases{
        {"24 MP JPEG",
         [](const QString& dir) {
             const QString path = dir + "/photo24.jpg";
             if (!QFile::exists(path)) photo(6000, 4000).save(path, "JPEG", 92);
             return path;
         }},
        {"100 MB BMP",
         [](const QString& dir) {
             const QString path = dir + "/big.bmp";
             if (!QFile::exists(path)) photo(5800, 5800).save(path, "BMP");
             return path;
         }},
        {"1-million-step WMF",
         [](const QString& dir) {
             return writeBytes(dir + "/steps.wmf",
                               picture::metafile::bombs::lineToBomb(1'000'000, false));
         }},
        {"10 MB RTF", [](const QString& dir) { return makeRtf(dir + "/long.rtf", 10'000'000); }},
    };
    std::printf("%-20s %12s %14s\n", "file", "longest gap", "shown after");
    for (const Case& c : cases) {
        const QString path = c.make(folder);
        const auto [gap, shown] = measure(path);
        std::printf("%-20s %9.1f ms %11.0f ms\n", c.name, gap, shown);
    }
    return 0;
}
