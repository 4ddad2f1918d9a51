// Times the JPEG path of the picture pane on camera-sized files: the header read at load,
// the display decode at the DCT scale a window or the full screen needs (for a progressive
// file also in passes: the time to its first look and to the finished picture), the
// full-size decode for printing, libjpeg alone with other settings, and djpeg's own decode.
// The display and full-size decodes run with the default number of decode threads and, beside
// them, on one thread: a baseline file with restart markers is decoded in bands on several.
//
//   jpeg_decode_bench [-n runs] [--pane] file.jpg...
//
// --pane keeps to the picture pane's own cases (header, display decodes, printing).
//
// The cases run round-robin (one run of each, then the next round), so that load from other
// processes on a shared machine falls on all of them alike; read the minimum.
#include "picture/jpeg/DecodeThreads.h"
#include "picture/jpeg/Jpeg.h"
#include "picture/jpeg/JpegDecode.h"
#include "picture/jpeg/JpegHeader.h"
#include "picture/jpeg/JpegPictureData.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <jpeglib.h>

using namespace zarovia::picture;

namespace {

// A case's body runs once per round; one that shows a first look reports, through the
// timer it is given, when it did (ms since the start).
struct Case {
    std::string label;
    std::function<void(const QElapsedTimer&, double& firstLookMs)> body;
    std::vector<double> ms;
    std::vector<double> firstLookMs;
};

Case plainCase(std::string label, std::function<void()> body) {
    return {std::move(label),
            [body = std::move(body)](const QElapsedTimer&, double&) { body(); },
            {},
            {}};
}

void printTimes(const std::string& label, std::vector<double>& ms) {
    if (ms.empty()) return;
    std::sort(ms.begin(), ms.end());
    std::printf("  %-58s min %9.3f ms   median %9.3f ms\n", label.c_str(), ms.front(),
                ms[ms.size() / 2]);
}

void runRoundRobin(std::vector<Case>& cases, int runs) {
    for (Case& c : cases) {  // warm-up: page cache, code, allocator
        QElapsedTimer timer;
        timer.start();
        double ignored = -1;
        c.body(timer, ignored);
    }
    for (int round = 0; round < runs; ++round) {
        for (Case& c : cases) {
            QElapsedTimer timer;
            double firstLook = -1;
            timer.start();
            c.body(timer, firstLook);
            c.ms.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
            if (firstLook >= 0) c.firstLookMs.push_back(firstLook);
        }
    }
    for (Case& c : cases) {
        if (!c.firstLookMs.empty()) printTimes(c.label + ": first look", c.firstLookMs);
        printTimes(c.firstLookMs.empty() ? c.label : c.label + ": finished", c.ms);
    }
}

// The display decode in passes, as the picture pane runs it for a file it has not read ahead.
Case inPassesCase(const std::string& label, const QByteArray& bytes, QSize size) {
    return {label + " in passes",
            [&bytes, size](const QElapsedTimer& timer, double& firstLookMs) {
                decodeForDisplay(loadJpeg(bytes), size, [&](const QImage&) {
                    firstLookMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
                });
            },
            {},
            {}};
}

// The display size of a picture in a client area, proportions kept (the fitting of a
// picture larger than the window).
QSize fitted(QSize picture, QSize client) {
    return picture.scaled(client, Qt::KeepAspectRatio);
}

// libjpeg alone with chosen settings, into a BGRX buffer: what our glue adds shows against it.
void rawDecode(const QByteArray& bytes, unsigned denominator, J_DCT_METHOD dct, bool fancy) {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    info.scale_num = 1;
    info.scale_denom = denominator;
    info.dct_method = dct;
    info.do_fancy_upsampling = fancy ? TRUE : FALSE;
    info.out_color_space = JCS_EXT_BGRX;
    jpeg_start_decompress(&info);
    std::vector<unsigned char> buffer(static_cast<std::size_t>(info.output_width) * 4 *
                                      info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row =
            buffer.data() + static_cast<std::size_t>(info.output_scanline) * info.output_width * 4;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
}

void djpeg(const QString& path, const QString& scale) {
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(QStringLiteral("djpeg"),
                  {QStringLiteral("-scale"), scale, QStringLiteral("-bmp"), path});
    if (!process.waitForFinished(-1) || process.exitCode() != 0)
        std::fprintf(stderr, "djpeg failed on %s\n", qPrintable(path));
}

std::string displayLabel(const QByteArray& bytes, QSize size) {
    const Picture once = loadJpeg(bytes);
    once.prepare(size);
    const auto state = dynamic_cast<const jpeg::JpegPictureData&>(*once.data()).screenState();
    return QStringLiteral("load + display %1x%2 (1/%3, %4x%5)")
        .arg(size.width())
        .arg(size.height())
        .arg(state.scaleDenominator)
        .arg(state.decodedSize.width())
        .arg(state.decodedSize.height())
        .toStdString();
}

// A case run with the default number of decode threads, and the same on one thread.
void addThreadCases(std::vector<Case>& cases, const std::string& label,
                    const std::function<void()>& body) {
    cases.push_back(plainCase(label + ", 1 thread", [body] {
        const jpeg::DecodeThreadsOverride oneThread(1);
        body();
    }));
    cases.push_back(
        plainCase(label + ", " + std::to_string(jpeg::decodeThreads()) + " threads", body));
}

// How many bands the default thread count decodes the file in at 1/8 (1: on one thread).
int bandsUsed(const QByteArray& bytes) {
    const jpeg::JpegHeader header = jpeg::readJpegHeader(bytes);
    return jpeg::decodeJpeg(bytes, header, 8, jpeg::OnFailure::KeepPartial).bands;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    int runs = 9;
    bool displayOnly = false;
    for (;;) {
        if (args.size() >= 2 && args.front() == QStringLiteral("-n")) {
            runs = std::max(1, args.at(1).toInt());
            args = args.mid(2);
        } else if (!args.isEmpty() && args.front() == QStringLiteral("--pane")) {
            displayOnly = true;
            args = args.mid(1);
        } else {
            break;
        }
    }
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: jpeg_decode_bench [-n runs] [--pane] file.jpg...\n");
        return 2;
    }
    for (const QString& path : args) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
            return 1;
        }
        const QByteArray bytes = file.readAll();
        const Picture probe = loadJpeg(bytes);
        const bool progressive =
            dynamic_cast<const jpeg::JpegPictureData&>(*probe.data()).header().progressive;
        std::printf("%s: %dx%d%s, %.2f MB, %d runs, %d decode threads, %d bands\n",
                    qPrintable(path), probe.width(), probe.height(),
                    progressive ? " progressive" : "", static_cast<double>(bytes.size()) / 1e6,
                    runs, jpeg::decodeThreads(), bandsUsed(bytes));

        const QSize window = fitted(probe.size(), QSize(640, 480));
        const QSize screen = fitted(probe.size(), QSize(1280, 1024));
        std::vector<Case> cases;
        cases.push_back(plainCase("header (loadJpeg)", [&] { (void)loadJpeg(bytes); }));
        addThreadCases(cases, displayLabel(bytes, window),
                       [&] { loadJpeg(bytes).prepare(window); });
        if (progressive) cases.push_back(inPassesCase(displayLabel(bytes, window), bytes, window));
        addThreadCases(cases, displayLabel(bytes, screen),
                       [&] { loadJpeg(bytes).prepare(screen); });
        if (progressive) cases.push_back(inPassesCase(displayLabel(bytes, screen), bytes, screen));
        addThreadCases(cases, "load + toImage (full size, printing)",
                       [&] { (void)loadJpeg(bytes).toImage(); });
        if (!displayOnly) {
            cases.push_back(plainCase("libjpeg alone 1/8, fancy upsampling",
                                      [&] { rawDecode(bytes, 8, JDCT_ISLOW, true); }));
            cases.push_back(plainCase("libjpeg alone 1/8, merged upsampling",
                                      [&] { rawDecode(bytes, 8, JDCT_ISLOW, false); }));
            cases.push_back(plainCase("libjpeg alone 1/4, fancy upsampling",
                                      [&] { rawDecode(bytes, 4, JDCT_ISLOW, true); }));
            cases.push_back(plainCase("libjpeg alone 1/4, merged upsampling",
                                      [&] { rawDecode(bytes, 4, JDCT_ISLOW, false); }));
            cases.push_back(plainCase("libjpeg alone 1/1, JDCT_ISLOW",
                                      [&] { rawDecode(bytes, 1, JDCT_ISLOW, true); }));
            cases.push_back(plainCase("libjpeg alone 1/1, JDCT_IFAST",
                                      [&] { rawDecode(bytes, 1, JDCT_IFAST, true); }));
            cases.push_back(plainCase("djpeg -scale 1/8 -bmp (a process)",
                                      [&] { djpeg(path, QStringLiteral("1/8")); }));
            cases.push_back(plainCase("djpeg -scale 1/4 -bmp (a process)",
                                      [&] { djpeg(path, QStringLiteral("1/4")); }));
        }
        runRoundRobin(cases, runs);
    }
    return 0;
}
