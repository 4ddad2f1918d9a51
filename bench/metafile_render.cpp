// Parses each metafile once, then draws it into a 640 x 480 ARGB image the way the picture
// pane does (fitted, centred) and prints the median time per draw and the parse time.
// Arguments: metafiles or folders; with none, the fixtures under tests/data/metafile.

#include "picture/metafile/Metafile.h"
#include "platform/Failure.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
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

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
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
