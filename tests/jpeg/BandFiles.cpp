#include "BandFiles.h"

#include "JpegTestFiles.h"
#include "support/CmykJpeg.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jpeglib.h>

namespace zarovia::picture::jpeg::test {

// Named, not anonymous: a unity build puts several test files in one unit.
namespace band_files {

int clampChannel(int value) {
    return std::clamp(value, 0, 255);
}

bool writePpm(const QImage& picture, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    QByteArray bytes =
        QStringLiteral("P6\n%1 %2\n255\n").arg(picture.width()).arg(picture.height()).toLatin1();
    bytes.reserve(bytes.size() + qsizetype(picture.width()) * picture.height() * 3);
    for (int y = 0; y < picture.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            bytes.append(static_cast<char>(qRed(row[x])));
            bytes.append(static_cast<char>(qGreen(row[x])));
            bytes.append(static_cast<char>(qBlue(row[x])));
        }
    }
    return file.write(bytes) == bytes.size();
}

QString cjpegPath() {
    return QStandardPaths::findExecutable(QStringLiteral("cjpeg"));
}

// cjpeg's -restart value: "N" MCU rows, "NB" MCUs.
void setRestart(jpeg_compress_struct& info, const QString& restart) {
    if (restart.isEmpty()) return;
    if (restart.endsWith(QLatin1Char('B'), Qt::CaseInsensitive))
        info.restart_interval = restart.chopped(1).toUInt();
    else
        info.restart_in_rows = restart.toInt();
}

}  // namespace band_files

using namespace band_files;

QImage bandSourcePicture(QSize size) {
    QImage picture(size, QImage::Format_RGB32);
    const int width = size.width();
    const int height = size.height();
    quint32 noise = 0x2545F491u;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int grain = static_cast<int>(noise >> 27) - 16;
            int r = x * 255 / std::max(1, width - 1);
            int g = y * 255 / std::max(1, height - 1);
            int b = (x + 2 * y) % 256;
            // Stripes five rows high with an edge every 17 columns, in every other region.
            if ((x / 64 + y / 48) % 2 == 0) {
                const int stripe = (y / 5 + x / 17) % 4;
                if (stripe == 0) {
                    r = 235, g = 25, b = 30;
                } else if (stripe == 2) {
                    r = 20, g = 40, b = 230;
                }
            }
            row[x] =
                qRgb(clampChannel(r + grain), clampChannel(g + grain), clampChannel(b + grain));
        }
    }
    return picture;
}

bool BandFileMaker::haveCjpeg() const {
    return !cjpegPath().isEmpty();
}

QString BandFileMaker::missing() {
    return QStringLiteral("cjpeg (Debian package libjpeg-turbo-progs)");
}

QByteArray BandFileMaker::make(QSize size, const QString& options, QString* error) {
    const QString key =
        QStringLiteral("%1x%2 %3").arg(size.width()).arg(size.height()).arg(options);
    if (const auto found = made_.constFind(key); found != made_.constEnd()) return *found;
    QByteArray bytes;
    const QStringList words = QProcess::splitCommand(options);
    if (!words.isEmpty() &&
        (words.front() == QLatin1String("cmyk") || words.front() == QLatin1String("ycck"))) {
        const qsizetype at = words.indexOf(QStringLiteral("-restart"));
        const QString restart = at >= 0 && at + 1 < words.size() ? words.at(at + 1) : QString();
        bytes = restartCmykJpeg(bandSourcePicture(size), words.front() == QLatin1String("ycck"),
                                restart);
    } else {
        bytes = cjpeg(size, options, error);
    }
    if (!bytes.isEmpty()) made_.insert(key, bytes);
    return bytes;
}

QString BandFileMaker::sourceFile(QSize size, QString* error) {
    const QString path =
        dir_.filePath(QStringLiteral("source_%1x%2.ppm").arg(size.width()).arg(size.height()));
    if (QFile::exists(path)) return path;
    if (!dir_.isValid() || !writePpm(bandSourcePicture(size), path)) {
        *error = QStringLiteral("cannot write %1").arg(path);
        return {};
    }
    return path;
}

QByteArray BandFileMaker::cjpeg(QSize size, const QString& options, QString* error) {
    const QString source = sourceFile(size, error);
    if (source.isEmpty()) return {};
    const QString out = dir_.filePath(QStringLiteral("made_%1.jpg").arg(made_.size()));
    QStringList arguments{QStringLiteral("-quality"), QStringLiteral("90")};
    arguments += QProcess::splitCommand(options);
    arguments += {QStringLiteral("-outfile"), out, source};
    QProcess process;
    process.start(cjpegPath(), arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        *error = QStringLiteral("cjpeg %1 failed: %2")
                     .arg(arguments.join(QLatin1Char(' ')),
                          QString::fromLocal8Bit(process.readAllStandardError()));
        return {};
    }
    QFile file(out);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cjpeg wrote no %1").arg(out);
        return {};
    }
    return file.readAll();
}

QByteArray restartCmykJpeg(const QImage& picture, bool ycck, const QString& restart) {
    zarovia::colourtest::CmykJpegOptions options;
    options.ycck = ycck;
    options.quality = 90;
    options.tune = [&restart](jpeg_compress_struct& info) { setRestart(info, restart); };
    const auto fill = [&picture](int y, unsigned char* row) {
        const auto* rgb = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const int c = 255 - qRed(rgb[x]);
            const int m = 255 - qGreen(rgb[x]);
            const int yellow = 255 - qBlue(rgb[x]);
            const int k = std::min({c, m, yellow});
            // libjpeg writes Adobe's marker, which says the inks are stored inverted.
            const int inks[4] = {c - k, m - k, yellow - k, k};
            for (int i = 0; i < 4; ++i)
                row[std::size_t(x) * 4 + i] = static_cast<unsigned char>(255 - inks[i]);
        }
    };
    return zarovia::colourtest::writeCmykJpeg(picture.width(), picture.height(), fill, options);
}

QList<qsizetype> restartMarkerOffsets(const QByteArray& jpeg) {
    QList<qsizetype> offsets;
    const qsizetype start = scanDataOffset(jpeg);
    const qsizetype end = firstScanEnd(jpeg);
    if (start < 0) return offsets;
    const qsizetype stop = end < 0 ? jpeg.size() - 1 : end;
    for (qsizetype i = start; i < stop; ++i) {
        if (static_cast<unsigned char>(jpeg[i]) != 0xFF) continue;
        const auto next = static_cast<unsigned char>(jpeg[i + 1]);
        if (next >= 0xD0 && next <= 0xD7) offsets.append(i);
    }
    return offsets;
}

QByteArray withMarkerRenumbered(const QByteArray& jpeg, double where, int shift) {
    const QList<qsizetype> markers = restartMarkerOffsets(jpeg);
    if (markers.isEmpty()) return {};
    const auto segments = markers.size() + 1;
    const auto k =
        std::clamp<qsizetype>(static_cast<qsizetype>(where * double(segments)), 1, segments - 1);
    QByteArray out = jpeg;
    const int number = static_cast<unsigned char>(out[markers[k - 1] + 1]) - 0xD0;
    out[markers[k - 1] + 1] = static_cast<char>(0xD0 + (number + shift) % 8);
    return out;
}

QByteArray damaged(const QByteArray& jpeg, Damage damage, double where) {
    const qsizetype scanStart = scanDataOffset(jpeg);
    if (scanStart < 0) return {};
    if (damage == Damage::None) return jpeg;
    if (damage == Damage::CutAfterScanHeader) return jpeg.left(scanStart);
    const QList<qsizetype> markers = restartMarkerOffsets(jpeg);
    const qsizetype scanEnd = firstScanEnd(jpeg) < 0 ? jpeg.size() : firstScanEnd(jpeg);
    const auto segments = markers.size() + 1;
    // Segment k runs from the end of marker k - 1 to marker k; its own marker is k - 1.
    const auto k =
        std::clamp<qsizetype>(static_cast<qsizetype>(where * double(segments)), 1, segments - 1);
    if (markers.isEmpty()) return {};
    const qsizetype begin = markers[k - 1] + 2;
    const qsizetype end = k < markers.size() ? markers[k] : scanEnd;
    QByteArray out = jpeg;
    switch (damage) {
        case Damage::Cut:
            return jpeg.left((begin + end) / 2);
        case Damage::CutBeforeMarker:
            return jpeg.left(markers[k - 1]);
        case Damage::Flip:
            // The middle byte of the segment, or the next one that is plain data (neither a
            // marker's 0xFF nor the 0x00 stuffed after one) and does not become a 0xFF.
            for (qsizetype i = (begin + end) / 2; i < end; ++i) {
                const auto byte = static_cast<unsigned char>(out[i]);
                if (byte == 0xFF || byte == 0x00 || static_cast<unsigned char>(out[i - 1]) == 0xFF)
                    continue;
                out[i] = static_cast<char>(byte ^ 0xFF);
                return out;
            }
            return {};
        case Damage::MarkerAhead:
            return withMarkerRenumbered(jpeg, where, 1);
        case Damage::MarkerBehind:
            return withMarkerRenumbered(jpeg, where, 7);
        case Damage::MarkerDropped:
            return out.remove(markers[k - 1], 2);
        case Damage::SpuriousMarker:
        case Damage::SpuriousMarkerOutOfSequence: {
            const qsizetype previous = k >= 2 ? markers[k - 2] + 2 : scanStart;
            const int number = static_cast<unsigned char>(out[markers[k - 1] + 1]) - 0xD0;
            const int shift = damage == Damage::SpuriousMarker ? 0 : 4;
            const qsizetype stuffed = out.indexOf(QByteArray("\xFF\x00", 2), previous);
            if (stuffed < 0 || stuffed >= markers[k - 1]) return {};
            out[stuffed + 1] = static_cast<char>(0xD0 + (number + shift) % 8);
            return out;
        }
        case Damage::None:
        case Damage::CutAfterScanHeader:
            break;
    }
    return {};
}

QString firstDifference(const QImage& expected, const QImage& actual) {
    if (expected.size() != actual.size() || expected.format() != actual.format())
        return QStringLiteral("expected %1x%2 format %3, got %4x%5 format %6")
            .arg(expected.width())
            .arg(expected.height())
            .arg(expected.format())
            .arg(actual.width())
            .arg(actual.height())
            .arg(actual.format());
    const auto rowBytes = static_cast<std::size_t>(expected.width()) * expected.depth() / 8;
    int firstRow = -1;
    int lastRow = -1;
    int rows = 0;
    for (int y = 0; y < expected.height(); ++y) {
        if (std::memcmp(expected.constScanLine(y), actual.constScanLine(y), rowBytes) == 0)
            continue;
        if (firstRow < 0) firstRow = y;
        lastRow = y;
        ++rows;
    }
    if (firstRow < 0) return {};
    int x = 0;
    while (expected.pixel(x, firstRow) == actual.pixel(x, firstRow)) ++x;
    return QStringLiteral(
               "first differing pixel (%1, %2): expected #%3, got #%4; %5 rows differ, "
               "the last %6")
        .arg(x)
        .arg(firstRow)
        .arg(expected.pixel(x, firstRow), 8, 16, QLatin1Char('0'))
        .arg(actual.pixel(x, firstRow), 8, 16, QLatin1Char('0'))
        .arg(rows)
        .arg(lastRow);
}

}  // namespace zarovia::picture::jpeg::test
