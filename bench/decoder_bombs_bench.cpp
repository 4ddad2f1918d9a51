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

#include <jpeglib.h>

using namespace zarovia;

namespace {

// ---- Generators -------------------------------------------------------------------------

void putU16(QByteArray& out, quint32 v) {
    out.append(static_cast<char>(v & 0xFF));
    out.append(static_cast<char>((v >> 8) & 0xFF));
}
void putU32(QByteArray& out, quint32 v) {
    putU16(out, v & 0xFFFF);
    putU16(out, v >> 16);
}

// 1 KB of 255-pixel runs, then the end of the bitmap.
QByteArray kilobyteOfRuns() {
    QByteArray runs;
    while (runs.size() < 1024) runs.append("\xFF\x01", 2);
    return runs + QByteArray("\0\1", 2);
}

// A packed 8-bit run-length DIB of width x height (the header's height is `headerHeight`).
QByteArray rle8Dib(quint32 width, quint32 headerHeight) {
    const QByteArray runs = kilobyteOfRuns();
    QByteArray dib;
    putU32(dib, 40);
    putU32(dib, width);
    putU32(dib, headerHeight);
    putU16(dib, 1);
    putU16(dib, 8);
    putU32(dib, 1);  // BI_RLE8
    putU32(dib, static_cast<quint32>(runs.size()));
    putU32(dib, 0);
    putU32(dib, 0);
    putU32(dib, 2);
    putU32(dib, 0);
    putU32(dib, 0x00000000);
    putU32(dib, 0x00FF0000);
    return dib + runs;
}

QByteArray bmpFile(quint32 width, quint32 height) {
    const QByteArray dib = rle8Dib(width, height);
    QByteArray file("BM", 2);
    putU32(file, static_cast<quint32>(14 + dib.size()));
    putU32(file, 0);
    putU32(file, 14 + 40 + 8);
    return file + dib;
}

// One entry whose DIB says width x height, with no AND mask after its runs.
QByteArray icoFile(quint32 width, quint32 height) {
    const QByteArray dib = rle8Dib(width, height * 2);
    QByteArray file;
    putU16(file, 0);
    putU16(file, 1);
    putU16(file, 1);
    file.append(QByteArray(4, '\0'));  // 256 x 256 in the directory, no colour count
    putU16(file, 1);
    putU16(file, 8);
    putU32(file, static_cast<quint32>(dib.size()));
    putU32(file, 6 + 16);
    return file + dib;
}

// A 16 x 16 JPEG (baseline or progressive) whose frame header claims width x height.
QByteArray jpegClaiming(int width, int height, bool progressive) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = 16;
    info.image_height = 16;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    if (progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(16 * 3, 90);
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    QByteArray jpeg(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
    jpeg_destroy_compress(&info);
    std::free(buffer);
    const qsizetype sof = jpeg.indexOf(QByteArray(progressive ? "\xFF\xC2" : "\xFF\xC0", 2));
    jpeg[sof + 5] = static_cast<char>(height >> 8);
    jpeg[sof + 6] = static_cast<char>(height & 0xFF);
    jpeg[sof + 7] = static_cast<char>(width >> 8);
    jpeg[sof + 8] = static_cast<char>(width & 0xFF);
    return jpeg;
}

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
    const auto doc =
        document::RichEditControl::buildDocument(rtf, false, QFont(), 64LL * 1024 * 1024);
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
        {"BMP 16384 x 16384 RLE8", [] { return bmpFile(16384, 16384); }, bmp},
        {"BMP 1048576 x 255 RLE8", [] { return bmpFile(1048576, 255); }, bmp},
        {"BMP 8192 x 8192 RLE8 (within the picture budget)", [] { return bmpFile(8192, 8192); },
         bmp},
        {"ICO, entry a 16384 x 16384 RLE8 DIB without its mask",
         [] { return icoFile(16384, 16384); }, ico},
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
