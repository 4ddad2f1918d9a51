// Parses each metafile once, then draws it into a 640 x 480 ARGB image the way the picture
// pane does (fitted, centred) and prints the median time per draw and the parse time.
// Arguments: metafiles or folders; with none, the fixtures under tests/data/metafile.
// With --bombs: each hostile file of tests/metafile/MetafileBombs.h and tests/hostile, made on
// the spot and shown in a process of its own as the viewer shows it (parsed, drawn on a worker
// at the size of a 640 x 480 window, then at full screen, 1920 x 1080), with the processor time
// of each, the process's peak resident memory and the peaks of the metafile's budget accounts.

#include "hostile/HostileFiles.h"
#include "metafile/MetafileBombs.h"
#include "picture/metafile/Metafile.h"
#include "picture/metafile/MetafilePicture.h"
#include "picture/metafile/ThreadClock.h"
#include "platform/Failure.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QStringList collect(const QStringList& arguments) {
    QStringList files;
    for (const QString& a : arguments) {
        const QFileInfo info(a);
        if (info.isDir()) {
            for (const QFileInfo& f :
                 QDir(a).entryInfoList({"*.wmf", "*.emf"}, QDir::Files, QDir::Name))
                files << f.filePath();
        } else {
            files << a;
        }
    }
    return files;
}

QRectF fitted(QSize natural, QSize area) {
    QSizeF size = natural;
    if (size.width() > area.width() || size.height() > area.height())
        size = QSizeF(natural).scaled(QSizeF(area), Qt::KeepAspectRatio);
    return QRectF(QPointF((area.width() - size.width()) / 2, (area.height() - size.height()) / 2),
                  size);
}

// Peak resident memory of this process so far, in MiB (Linux).
double peakResidentMiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

struct Bomb {
    const char* name;
    QByteArray (*make)();
    bool emf = false;
};

namespace bombs = zarovia::picture::metafile::bombs;
namespace hostile = zarovia::hostile;

const Bomb kBombs[] = {
    {"4M LineTo, short steps (40 MB)", [] { return bombs::lineToBomb(4'000'000, false); }},
    {"4M LineTo across the picture (40 MB)", [] { return bombs::lineToBomb(4'000'000, true); }},
    {"1M steps churning a clip rectangle (19 MB)",
     [] { return bombs::clipChurnBomb(500'000, false); }},
    {"1M steps churning a clip area (19 MB)", [] { return bombs::clipChurnBomb(500'000, true); }},
    {"300k one-letter texts (4 MB)", [] { return bombs::textBomb(300'000); }},
    {"glyphs under a 900x world transform (EMF+)",
     [] { return hostile::emfPlusGlyphUnderTransform(); }, true},
    {"a 3400x3400 bitmap drawn 40 times (EMF+)",
     [] { return hostile::emfPlusImageCopies(3400, 40); }, true},
    {"401-point star clip, 40 exclusions (EMF)", [] { return hostile::emfStarClip(401, 40); },
     true},
    {"401-point star region (EMF+)", [] { return hostile::emfPlusStarRegion(401); }, true},
    {"801-point star region (EMF+)", [] { return hostile::emfPlusStarRegion(801); }, true},
    {"region tree of 200 stars (EMF+, 97 KB)", [] { return hostile::emfPlusRegionTree(200, 51); },
     true},
    {"2000 star fills (WMF, 184 KB)", [] { return hostile::wmfStarFills(2000, 21); }},
};

double cpuMs(std::int64_t since) {
    return (zarovia::picture::metafile::threadCpuNanoseconds() - since) / 1e6;
}

// One bomb in this process: parsed, then drawn on this thread as a worker draws it for the
// screen, at a 640 x 480 window's size and at full screen.
int runBomb(int index) {
    using zarovia::picture::metafile::threadCpuNanoseconds;
    const Bomb& bomb = kBombs[index];
    QByteArray bytes = bomb.make();
    std::int64_t start = threadCpuNanoseconds();
    const zarovia::picture::Picture picture =
        bomb.emf ? zarovia::picture::decodeEmf(bytes) : zarovia::picture::decodeWmf(bytes);
    const double parseMs = cpuMs(start);
    bytes = QByteArray();
    const auto* data =
        dynamic_cast<const zarovia::picture::metafile::MetafilePictureData*>(picture.data());
    double drawMs[2] = {0, 0};
    int played = 0;
    int skipped = 0;
    for (const QSize screen : {QSize(640, 480), QSize(1920, 1080)}) {
        const QSize size = fitted(picture.size(), screen).size().toSize();
        start = threadCpuNanoseconds();
        picture.prepare(size);
        drawMs[played++] = cpuMs(start);
        if (data) skipped += data->lastPlay().skippedSteps + (data->lastPlay().stopped ? 1 : 0);
    }
    const auto& parsed = data->parsed();
    std::printf("%-44s %7.0f %7.0f %7.0f %8.1f %8.1f %8.1f %7zu %6d %6d\n", bomb.name, parseMs,
                drawMs[0], drawMs[1], peakResidentMiB(),
                double(parsed.list.peakBytes()) / (1024 * 1024),
                double(data->pixelAccount().peak()) / (1024 * 1024), parsed.list.stepCount(),
                parsed.skippedSteps + skipped, parsed.approximatedAreas);
    return 0;
}

int runBombs(const QString& program) {
    std::printf("%-44s %7s %7s %7s %8s %8s %8s %7s %6s %6s\n", "bomb (processor ms, MiB)", "parse",
                "window", "full", "peak RSS", "steps", "pixels", "steps", "left", "rects");
    std::fflush(stdout);
    for (int i = 0; i < static_cast<int>(std::size(kBombs)); ++i) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(program, {QStringLiteral("--bomb"), QString::number(i)});
        child.waitForFinished(-1);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    if (arguments.value(0) == QLatin1String("--bombs")) return runBombs(app.applicationFilePath());
    if (arguments.value(0) == QLatin1String("--bomb")) return runBomb(arguments.value(1).toInt());
    if (arguments.isEmpty())
        arguments << QStringLiteral(ZAROVIA_TEST_DATA "/metafile/wmf")
                  << QStringLiteral(ZAROVIA_TEST_DATA "/metafile/emf");
    constexpr int kRounds = 30;
    std::printf("%-44s %10s %12s %12s\n", "file", "natural", "parse ms", "draw ms");
    for (const QString& path : collect(arguments)) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) continue;
        const QByteArray bytes = file.readAll();
        const bool wmf = path.endsWith(QLatin1String(".wmf"), Qt::CaseInsensitive);
        try {
            QElapsedTimer parseTimer;
            parseTimer.start();
            const zarovia::picture::Picture picture =
                wmf ? zarovia::picture::decodeWmf(bytes) : zarovia::picture::decodeEmf(bytes);
            const double parseMs = parseTimer.nsecsElapsed() / 1e6;
            QImage target(640, 480, QImage::Format_ARGB32_Premultiplied);
            const QRectF rect = fitted(picture.size(), target.size());
            std::vector<double> times;
            for (int i = 0; i < kRounds; ++i) {
                target.fill(Qt::white);
                QElapsedTimer t;
                t.start();
                QPainter painter(&target);
                picture.draw(painter, rect);
                painter.end();
                times.push_back(t.nsecsElapsed() / 1e6);
            }
            std::sort(times.begin(), times.end());
            std::printf("%-44s %4dx%-5d %12.2f %12.2f\n", qPrintable(QFileInfo(path).fileName()),
                        picture.width(), picture.height(), parseMs, times[times.size() / 2]);
        } catch (const zarovia::Failure& failure) {
            std::printf("%-44s fails: %s\n", qPrintable(QFileInfo(path).fileName()),
                        failure.what());
        }
    }
    return 0;
}
