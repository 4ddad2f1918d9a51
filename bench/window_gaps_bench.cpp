// The window's thread while files open, files are left and the program quits, measured on the
// real window (offscreen unless QT_QPA_PLATFORM says otherwise):
// - the longest gap of a 2 ms timer on the window's thread while a heavy file opens, until it
//   is shown and painted (goal: no gap over 50 ms), a slow disk among them;
// - the same for a video after a picture, a document or a video, through the real media engine,
//   each in a fresh process of its own (this program started again), so that the engine's
//   module loads for the first time in each;
// - how long the work for a file the user has left goes on after a small picture is opened
//   instead (goal: it stops within 50 ms), and the longest stretch of each file's work between
//   two checkpoints, where it can stop;
// - how long the program takes from its window's close to the end of its process while a
//   worker is busy (goal: under 1 s), each case in a fresh process running the program's own
//   way out;
// - with a heavy metafile shown, the longest gap while the window goes full screen
//   (1920 x 1080) and is resized four times, each time until the picture is drawn at the new
//   size (goal: no gap over 50 ms).
//   window_gaps_bench [WORK_FOLDER]
#include "document/widgets/RichEditControl.h"
#include "hostile/HostileFiles.h"
#include "media/engine/MediaEngineLoader.h"
#include "metafile/MetafileBombs.h"
#include "picture/PictureCache.h"
#include "picture/PictureLoader.h"
#include "picture/metafile/MetafilePicture.h"
#include "picture/widgets/ImageView.h"
#include "platform/Cancellation.h"
#include "platform/ProcessEnd.h"
#include "platform/WorkerPool.h"
#include "support/FakeServices.h"
#include "support/ManyScanJpeg.h"
#include "window/PlatformFonts.h"
#include "window/Unit1.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <functional>

using namespace zarovia;

namespace {

const QString kMedia = QStringLiteral(ZAROVIA_TEST_DATA "/media/");

QString writeBytes(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
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

QString makePhoto(const QString& path, int width, int height, const char* format) {
    QDir().mkpath(QFileInfo(path).path());
    if (!QFile::exists(path)) photo(width, height).save(path, format, 92);
    return path;
}

QString makeRtf(const QString& path, qsizetype bytes) {
    QByteArray rtf =
        "{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset128 "
        "\\'82\\'6c\\'82\\'72 \\'96\\'be\\'92\\'a9;}}{\\colortbl;\\red200\\green0\\blue0;}\n";
    int paragraph = 0;
    while (rtf.size() < bytes) {
        rtf +=
            "{\\b Paragraph " + QByteArray::number(++paragraph) +
            "} plain text with {\\i italic} and {\\cf1 red} words, {\\f1 \\'93\\'fa\\'96\\'7b\\'8c"
            "\\'ea} and more text to fill the line.\\par\n";
    }
    rtf += "}";
    return writeBytes(path, rtf);
}

// Each heavy file alone in a folder of its own, so that nothing is read ahead beside it.
struct HeavyFile {
    const char* name;
    std::function<QString(const QString& folder)> make;
};

std::vector<HeavyFile> heavyFiles() {
    return {
        {"24 MP JPEG",
         [](const QString& dir) {
             return makePhoto(dir + "/jpeg/photo24.jpg", 6000, 4000, "JPEG");
         }},
        {"100 MB BMP",
         [](const QString& dir) { return makePhoto(dir + "/bmp/big.bmp", 5800, 5800, "BMP"); }},
        {"1-million-step WMF",
         [](const QString& dir) {
             return writeBytes(dir + "/wmf/steps.wmf",
                               picture::metafile::bombs::lineToBomb(1'000'000, false));
         }},
        {"10 MB RTF",
         [](const QString& dir) { return makeRtf(dir + "/rtf/long.rtf", 10'000'000); }},
        {"1000-scan JPEG (10 KB)",
         [](const QString& dir) {
             return writeBytes(dir + "/scans/scans.jpg",
                               testing::manyScanProgressiveJpeg(10000, 10000, 1000, false));
         }},
    };
}

void runEventsFor(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 2);
}

void open(TzaroForm1& form, const QString& path) {
    form.guard([&] { form.FormDropFiles({QFile::encodeName(path)}); });
}

// Opens `path` in `form` and waits until it is shown.
void openAndSettle(TzaroForm1& form, const QString& path) {
    open(form, path);
    QElapsedTimer clock;
    clock.start();
    while (form.isLoading() && clock.elapsed() < 60000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 2);
    runEventsFor(300);
}

struct Window {
    testing::Recorded rec;
    std::unique_ptr<TzaroForm1> form;
    explicit Window(bool realMedia = false) {
        Services services = testing::fakeServices(&rec, false);
        if (realMedia) services.mediaDevice = [] { return createEngineMediaDevice(); };
        form = std::make_unique<TzaroForm1>(std::move(services));
        form->show();
        QApplication::processEvents();
    }
    WorkerPool& workers() { return *form->pictureCache().workers(); }
};

// Opens `path` in `window` and returns the longest gap of the window's event loop until the
// file is shown and a paint has gone by, and how long that took.
std::pair<double, double> measureGaps(Window& window, const QString& path) {
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
    open(*window.form, path);
    longest = std::max(longest, clock.nsecsElapsed() / 1e6);  // the drop handler itself
    last = clock.nsecsElapsed();
    while (window.form->isLoading() && clock.elapsed() < 60000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 2);
    // The picture or the document is painted after it arrives.
    const qint64 shownAt = clock.elapsed();
    while (clock.elapsed() < shownAt + 300) QApplication::processEvents(QEventLoop::AllEvents, 2);
    if (!window.rec.errors.isEmpty())
        std::printf("  (error box: %s)\n", qPrintable(window.rec.errors.join('|')));
    return {longest, double(shownAt)};
}

// A video in this process, after what `before` names ("picture", "document", "video", joined
// by "+"). Prints the longest gap while the video opens and when it was shown.
int videoCase(const QString& folder, const QString& before) {
    Window window(true);
    for (const QString& kind : before.split(u'+')) {
        if (kind == QLatin1String("picture"))
            openAndSettle(*window.form, makePhoto(folder + "/small/small.jpg", 640, 480, "JPEG"));
        else if (kind == QLatin1String("document"))
            openAndSettle(*window.form, makeRtf(folder + "/small.rtf", 20000));
        else
            openAndSettle(*window.form, kMedia + QStringLiteral("clip_mpeg4.avi"));
    }
    const auto [gap, shown] = measureGaps(window, kMedia + QStringLiteral("clip.mpg"));
    std::printf("%.1f %.0f\n", gap, shown);
    return 0;
}

// The work for `path` goes on when a small picture is opened instead, 150 ms after `path`:
// returns how long after that open the workers are all idle again (the small picture, alone
// in its folder, takes a few milliseconds of that); -1 when the work was over already.
double stopAfterLeaving(const QString& path, const QString& folder, int readDelayMs = 0) {
    Window window;
    *window.rec.readDelayMs = readDelayMs;
    open(*window.form, path);
    runEventsFor(150);
    if (window.workers().busyThreads() == 0) return -1;
    *window.rec.readDelayMs = 0;
    QElapsedTimer clock;
    clock.start();
    open(*window.form, makePhoto(folder + "/tiny/tiny.bmp", 16, 12, "BMP"));
    while (window.workers().busyThreads() > 0 && clock.elapsed() < 60000)
        QApplication::processEvents(QEventLoop::AllEvents, 1);
    return clock.nsecsElapsed() / 1e6;
}

// The work of reading `path` and preparing it for a 640 x 480 window, as a worker does it, in a
// scope that notes every checkpoint: the number of checkpoints, the longest stretch of work
// between two (or before the first or after the last), and the whole, in ms.
struct Stretch {
    long checkpoints = 0;
    double longestMs = 0;
    double totalMs = 0;
};
Stretch checkpointStretch(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = file.readAll();
    Stretch stretch;
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    const auto note = [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    };
    clock.start();
    {
        CancellationScope scope([&] {
            note();
            ++stretch.checkpoints;
            return true;
        });
        const QByteArray extension = QFileInfo(path).suffix().toLatin1();
        if (extension == "rtf") {
            (void)document::RichEditControl::buildDocument(bytes, false, QFont(),
                                                           std::int64_t(1) << 30);
        } else {
            const picture::Picture picture = picture::decodePictureBytes(bytes, extension);
            picture.prepare(QSize(640, 480));
        }
    }
    note();
    stretch.longestMs = longest / 1e6;
    stretch.totalMs = clock.nsecsElapsed() / 1e6;
    return stretch;
}

// The program's way out in this process, with `kind` keeping a worker busy: "idle", "scans"
// (the 1000-scan JPEG decoding) or "stuck" (a read of 20 s that passes no checkpoint). Prints
// "closing" just before the window closes.
int quitCase(const QString& folder, const QString& kind) {
    Window window;
    if (kind == QLatin1String("stuck")) {
        *window.rec.blockingReads = 1;
        *window.rec.readDelayMs = 20000;
        open(*window.form, makePhoto(folder + "/stuck/stuck.jpg", 64, 48, "JPEG"));
    } else if (kind == QLatin1String("scans")) {
        open(*window.form, heavyFiles()[4].make(folder));
    }
    runEventsFor(150);
    std::printf("closing %d\n", window.workers().busyThreads());
    std::fflush(stdout);
    QTimer::singleShot(0, window.form.get(), [&] { window.form->close(); });
    return runEventLoopAndQuit(window.workers());
}

// With a metafile shown in `window`: the longest gap of the window's event loop while the
// window goes full screen and is resized four times, each time until the picture is drawn at
// the new size, and how long all that took; -1 when no metafile is shown.
std::pair<double, double> metafileSizeGaps(Window& window) {
    TzaroForm1& form = *window.form;
    const auto* shown =
        dynamic_cast<const picture::metafile::MetafilePictureData*>(form.Image2->picture().data());
    if (!shown) return {-1, -1};
    const auto pixels = [&] {
        return (QSizeF(form.Image2->size()) * form.Image2->devicePixelRatioF()).toSize();
    };
    QElapsedTimer clock;
    double longest = 0;
    qint64 last = 0;
    const auto note = [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, (now - last) / 1e6);
        last = now;
    };
    QTimer beat;
    beat.setInterval(2);
    QObject::connect(&beat, &QTimer::timeout, note);
    const auto settle = [&] {
        note();
        form.Image2->repaint();
        note();
        while (!shown->isPreparedFor(pixels()) && clock.elapsed() < 120000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 2);
        const qint64 drawnAt = clock.elapsed();
        while (clock.elapsed() < drawnAt + 100)
            QApplication::processEvents(QEventLoop::AllEvents, 2);
    };
    clock.start();
    beat.start();
    form.guard([&] { form.FullScreenButtonClick(); });
    form.resize(1920, 1080);  // what the window manager does for full screen
    settle();
    for (const QSize size :
         {QSize(1280, 800), QSize(1600, 1000), QSize(800, 600), QSize(1920, 1080)}) {
        note();
        form.resize(size);
        settle();
    }
    return {longest, clock.nsecsElapsed() / 1e6};
}

// Runs this program with `arguments`; its standard output, and the ms from the line that
// starts with `mark` to its end (-1 without that line).
std::pair<QByteArray, double> runChild(const QStringList& arguments, const QByteArray& mark = {}) {
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), arguments);
    QByteArray out;
    QElapsedTimer clock;
    while (child.state() != QProcess::NotRunning || child.bytesAvailable() > 0) {
        child.waitForReadyRead(5);
        out += child.readAllStandardOutput();
        if (!mark.isEmpty() && !clock.isValid() && out.contains(mark)) clock.start();
        if (child.state() == QProcess::NotRunning && child.bytesAvailable() == 0) break;
    }
    child.waitForFinished(120000);
    out += child.readAllStandardOutput();
    return {out, clock.isValid() ? clock.nsecsElapsed() / 1e6 : -1};
}

// The offscreen platform says at every drop that it cannot raise the window.
QtMessageHandler standardHandler = nullptr;
void quietRaise(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("does not support raise"))) return;
    if (standardHandler) standardHandler(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("ZAROVIA_AUDIO_SINK"))
        qputenv("ZAROVIA_AUDIO_SINK", "fakesink");
    if (qEnvironmentVariableIsEmpty("ZAROVIA_MEDIA_ENGINE"))
        qputenv("ZAROVIA_MEDIA_ENGINE", ZAROVIA_ENGINE_MODULE);
    QApplication app(argc, argv);
    standardHandler = qInstallMessageHandler(quietRaise);
    // As the program does: the window's font names map to the fonts installed.
    window::substitutePlatformFonts();
    if (argc == 4 && qstrcmp(argv[1], "--video-after") == 0)
        return videoCase(QString::fromLocal8Bit(argv[3]), QString::fromLatin1(argv[2]));
    if (argc == 4 && qstrcmp(argv[1], "--quit") == 0)
        return quitCase(QString::fromLocal8Bit(argv[3]), QString::fromLatin1(argv[2]));
    QTemporaryDir temporary;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    QDir().mkpath(folder);

    std::printf("%-28s %12s %14s\n", "opening", "longest gap", "shown after");
    for (const HeavyFile& file : heavyFiles()) {
        Window window;
        const auto [gap, shown] = measureGaps(window, file.make(folder));
        std::printf("%-28s %9.1f ms %11.0f ms\n", file.name, gap, shown);
    }
    {
        Window window;
        *window.rec.readDelayMs = 2000;
        const auto [gap, shown] =
            measureGaps(window, makePhoto(folder + "/slow/slow.jpg", 640, 480, "JPEG"));
        std::printf("%-28s %9.1f ms %11.0f ms\n", "JPEG from a 2 s disk", gap, shown);
    }
    for (const char* before : {"picture", "document", "video", "video+picture"}) {
        const QByteArray out =
            runChild({QStringLiteral("--video-after"), QString::fromLatin1(before), folder}).first;
        const QList<QByteArray> figures = out.trimmed().split('\n').last().split(' ');
        const QString name = QStringLiteral("video after ") + QString::fromLatin1(before);
        if (figures.size() != 2) {
            std::printf("%-28s failed\n", qPrintable(name));
            continue;
        }
        std::printf("%-28s %9s ms %11s ms\n", qPrintable(name), figures[0].constData(),
                    figures[1].constData());
    }

    std::printf("\n%-28s %14s\n", "left for a small picture", "work stops in");
    for (const HeavyFile& file : heavyFiles()) {
        const double ms = stopAfterLeaving(file.make(folder), folder);
        if (ms < 0)
            std::printf("%-28s  (over in 150 ms)\n", file.name);
        else
            std::printf("%-28s %11.1f ms\n", file.name, ms);
    }
    std::printf(
        "%-28s %11.1f ms\n", "JPEG from a 5 s disk",
        stopAfterLeaving(makePhoto(folder + "/slow/slow.jpg", 640, 480, "JPEG"), folder, 5000));

    std::printf("\n%-28s %12s %12s %16s\n", "worked on a worker", "work", "checkpoints",
                "longest stretch");
    for (const HeavyFile& file : heavyFiles()) {
        const Stretch stretch = checkpointStretch(file.make(folder));
        std::printf("%-28s %9.1f ms %12ld %13.1f ms\n", file.name, stretch.totalMs,
                    stretch.checkpoints, stretch.longestMs);
    }

    std::printf("\n%-28s %12s %14s\n", "metafile, full screen, sizes", "longest gap",
                "all drawn in");
    const std::pair<const char*, QByteArray> metafiles[] = {
        {"1-million-step WMF", picture::metafile::bombs::lineToBomb(1'000'000, false)},
        {"WMF of 2000 stars (184 KB)", hostile::wmfStarFills(2000, 21)},
        {"wmfviewer_sample.wmf", {}},
    };
    for (const auto& [name, bytes] : metafiles) {
        Window window;
        const QString path =
            bytes.isEmpty() ? QStringLiteral(ZAROVIA_TEST_DATA "/metafile/wmf/wmfviewer_sample.wmf")
                            : writeBytes(folder + QStringLiteral("/sizes.wmf"), bytes);
        openAndSettle(*window.form, path);
        const auto [gap, took] = metafileSizeGaps(window);
        std::printf("%-28s %9.1f ms %11.0f ms\n", name, gap, took);
    }

    std::printf("\n%-28s %14s\n", "quit, a worker", "close to end");
    for (const char* kind : {"idle", "scans", "stuck"}) {
        const auto [out, ms] =
            runChild({QStringLiteral("--quit"), QString::fromLatin1(kind), folder}, "closing");
        const QByteArray busy = out.mid(out.indexOf("closing") + 8).trimmed();
        std::printf("%-28s %11.1f ms  (busy threads at the close: %s)\n", kind, ms,
                    busy.constData());
    }
    return 0;
}
