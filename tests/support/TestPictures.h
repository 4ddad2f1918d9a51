#pragma once

// Pictures made on the spot for the window tests.
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>

namespace zarovia::testing {

// A progressive JPEG of `size` with some detail, so that its scans take a while to decode.
inline QByteArray writeProgressive(const QTemporaryDir& dir, const QString& name, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = qRgb(x * 7 % 256, y * 3 % 256, (x ^ y) % 256);
    }
    QImageWriter writer(dir.filePath(name), "JPEG");
    writer.setProgressiveScanWrite(true);
    writer.setQuality(90);
    writer.write(image);
    return QFile::encodeName(dir.filePath(name));
}

}  // namespace zarovia::testing
