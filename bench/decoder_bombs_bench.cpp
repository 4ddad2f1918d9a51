// Decoder bombs: small files whose headers claim huge pictures, made here and decoded the way
// the viewer decodes them, one child process per row so that each row's peak memory is its
// own. Prints, per row, the file's size, what the decode gave, the time it took and the
// child's peak resident set (VmHWM) before and after the decode.
//
//   decoder_bombs_bench            all rows
//   decoder_bombs_bench --row N    one row, in this process (what each child runs)
#include "document/widgets/RichEditControl.h"
#include "picture/bmp/Bmp.h"
#include "picture/bmp/Ico.h"
#include "platform/Failure.h"
#include "support/DecoderBombs.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTextBlock>
#include <QTextDocument>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using namespace zarovia;

namespace {

// ---- Generators -------------------------------------------------------------------------

using testing::jpegClaiming;
using testing::rle8BmpFile;
using testing::rle8IcoFile;

// `count` pictures in a short text; `sizeWords` give them a shown size, or none.
QByteArray rtfWithJpegs(int count, bool progressive, const QByteArray& sizeWords) {
    const QByteArray hex = jpegClaiming(16384, 16384, progressive).toHex();
    QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 ";
    for (int i = 0; i < count; ++i)
        rtf += "Picture " + QByteArray::number(i + 1) + ": {\\pict\\jpegblip" + sizeWords + " " +
               hex + "}\\par ";
    return rtf + "The end.}";
}

// ---- Decoding as the viewer does --------------------------------------------------------

// A document built as the document pane builds it, laid out at the window's width and its
// first screen painted.
QString showDocument(const QByteArray& rtf) {
    const auto doc = document::RichEditControl::buildDocument(
        rtf, false, QFont(), document::RichEditControl::kDefaultMaxBytes);
    doc->setTextWidth(800);
    const QSizeF size = doc->documentLayout()->documentSize();
    QImage screen(800, 600, QImage::Format_RGB32);
    screen.fill(Qt::white);
    QPainter painter(&screen);
    doc->drawContents(&painter, QRectF(0, 0, 800, 600));
    int pictures = 0;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat()) ++pictures;
    return QStringLiteral("document shown, %1 pictures, %2 px high")
        .arg(pictures)
        .arg(size.height(), 0, 'f', 0);
}

// A picture decoded and drawn fitted into the 640 x 480 window.
QString showPicture(const std::function<picture::Picture()>& decode) {
    try {
        const picture::Picture picture = decode();
        QImage screen(640, 480, QImage::Format_RGB32);
        QPainter painter(&screen);
        picture.draw(painter, QRectF(0, 0, 640, 480));
        return QStringLiteral("shown, %1 x %2").arg(picture.width()).arg(picture.height());
    } catch (const Failure& failure) {
        return QStringLiteral("error box: ") + failure.message();
    }
}

struct Row {
    const char* name;
    std::function<QByteArray()> make;
    std::function<QString(const QByteArray&)> show;
};

std::vector<Row> rows() {
    const auto document = [](const QByteArray& bytes) { return showDocument(bytes); };
    const auto bmp = [](const QByteArray& bytes) {
        return showPicture([&] { return picture::decodeBmpFile(bytes); });
    };
    const auto ico = [](const QByteArray& bytes) {
        return showPicture([&] { return picture::decodeIcoFile(bytes); });
    };
    const QByteArray shownSmall = "\\picwgoal4800\\pichgoal4800";
    return {
        {"RTF, 3 JPEGs claiming 16384 x 16384, no size of their own",
         [] { return rtfWithJpegs(3, false, {}); }, document},
        {"RTF, 3 JPEGs claiming 16384 x 16384, shown 320 x 320",
         [shownSmall] { return rtfWithJpegs(3, false, shownSmall); }, document},
        {"RTF, 8 JPEGs claiming 16384 x 16384, no size of their own",
         [] { return rtfWithJpegs(8, false, {}); }, document},
        {"RTF, 3 progressive JPEGs claiming 16384 x 16384",
         [] { return rtfWithJpegs(3, true, {}); }, document},
        {"BMP 16384 x 16384 RLE8", [] { return rle8BmpFile(16384, 16384); }, bmp},
        {"BMP 1048576 x 255 RLE8", [] { return rle8BmpFile(1048576, 255); }, bmp},
        {"BMP 8192 x 8192 RLE8 (within the picture budget)", [] { return rle8BmpFile(8192, 8192); },
         bmp},
        {"ICO, entry a 16384 x 16384 RLE8 DIB without its mask",
         [] { return rle8IcoFile(16384, 16384); }, ico},
    };
}

long long peakKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').front().toLongLong();
    return -1;
}

int runRow(int index) {
    const std::vector<Row> all = rows();
    if (index < 0 || index >= static_cast<int>(all.size())) return 2;
    const Row& row = all[static_cast<std::size_t>(index)];
    const QByteArray file = row.make();
    const long long before = peakKiB();
    QElapsedTimer timer;
    timer.start();
    const QString result = row.show(file);
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    std::printf("| %s | %.1f KB | %s | %.0f ms | %.0f MiB (%.0f MiB before) |\n", row.name,
                static_cast<double>(file.size()) / 1024.0, qPrintable(result), ms,
                static_cast<double>(peakKiB()) / 1024.0, static_cast<double>(before) / 1024.0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--row") {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        return runRow(std::atoi(argv[2]));
    }
    std::printf(
        "| input | size | what the viewer gives | time | peak RSS |\n|---|---|---|---|---|\n");
    std::fflush(stdout);
    const int count = static_cast<int>(rows().size());
    for (int i = 0; i < count; ++i) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedOutputChannel);
        child.start(QString::fromLocal8Bit(argv[0]), {QStringLiteral("--row"), QString::number(i)});
        if (!child.waitForFinished(-1) || child.exitCode() != 0)
            std::printf("| row %d | | the child failed (exit %d) | | |\n", i, child.exitCode());
        std::fflush(stdout);
    }
    return 0;
}
