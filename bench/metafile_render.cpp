// Parses each metafile once, then draws it into a 640 x 480 ARGB image the way the picture
// pane does (fitted, centred) and prints the median time per draw and the parse time.
// Arguments: metafiles or folders; with none, the fixtures under tests/data/metafile.
// With --bombs: each hostile file of tests/metafile/MetafileBombs.h, made on the spot and
// played in a process of its own, with its parse time, first and later draw times and the
// process's peak resident memory.

#include "metafile/MetafileBombs.h"
#include "picture/metafile/Metafile.h"
#include "picture/metafile/MetafilePicture.h"
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
};

const Bomb kBombs[] = {
    {"4M LineTo, short steps (40 MB)",
     [] { return zarovia::picture::metafile::bombs::lineToBomb(4'000'000, false); }},
    {"4M LineTo across the picture (40 MB)",
     [] { return zarovia::picture::metafile::bombs::lineToBomb(4'000'000, true); }},
    {"1M steps churning a clip rectangle (19 MB)",
     [] { return zarovia::picture::metafile::bombs::clipChurnBomb(500'000, false); }},
    {"1M steps churning a clip area (19 MB)",
     [] { return zarovia::picture::metafile::bombs::clipChurnBomb(500'000, true); }},
    {"300k one-letter texts (4 MB)",
     [] { return zarovia::picture::metafile::bombs::textBomb(300'000); }},
};

double drawOnce(const zarovia::picture::Picture& picture, QImage& target) {
    target.fill(Qt::white);
    QElapsedTimer t;
    t.start();
    QPainter painter(&target);
    picture.draw(painter, fitted(picture.size(), target.size()));
    painter.end();
    return t.nsecsElapsed() / 1e6;
}

// One bomb in this process: parse, the first draw (glyphs laid out), four more draws.
int runBomb(int index) {
    const Bomb& bomb = kBombs[index];
    QElapsedTimer parseTimer;
    parseTimer.start();
    QByteArray bytes = bomb.make();
    const double makeMs = parseTimer.nsecsElapsed() / 1e6;
    parseTimer.restart();
    const zarovia::picture::Picture picture = zarovia::picture::decodeWmf(bytes);
    const double parseMs = parseTimer.nsecsElapsed() / 1e6;
    bytes = QByteArray();
    const auto* data =
        dynamic_cast<const zarovia::picture::metafile::MetafilePictureData*>(picture.data());
    QImage target(640, 480, QImage::Format_ARGB32_Premultiplied);
    const double firstMs = drawOnce(picture, target);
    std::vector<double> later;
    for (int i = 0; i < 4; ++i) later.push_back(drawOnce(picture, target));
    std::sort(later.begin(), later.end());
    std::printf("%-44s %8.0f %8.0f %8.0f %8.0f %9.1f %8zu %8.1f\n", bomb.name, makeMs, parseMs,
                firstMs, later[later.size() / 2], peakResidentMiB(),
                data ? data->parsed().list.stepCount() : 0,
                data ? double(data->parsed().list.bytes()) / (1024 * 1024) : 0.0);
    return 0;
}

int runBombs(const QString& program) {
    std::printf("%-44s %8s %8s %8s %8s %9s %8s %8s\n", "bomb", "make ms", "parse ms", "1st draw",
                "redraw", "peak MiB", "steps", "list MiB");
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
