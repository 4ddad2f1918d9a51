#pragma once

// The harness the metafile fuzzers share: parsing, then drawing as the viewer does at two
// sizes, must neither crash nor hang nor pass the memory limits; a rejected file fails with the
// metafile failure.

#include "picture/Picture.h"
#include "platform/Failure.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstddef>
#include <cstdint>

namespace zarovia::fuzz {

// Fonts and painting need a GUI application; one, kept for the whole run.
inline void ensureApplication() {
    if (QGuiApplication::instance()) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "metafile_fuzz";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* application = new QGuiApplication(argc, argv);
    (void)application;
}

inline void playMetafile(const std::uint8_t* data, std::size_t size,
                         picture::Picture (*decode)(const QByteArray&)) {
    ensureApplication();
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        const picture::Picture picture = decode(bytes);
        // As the viewer shows it: drawn on a worker at a small window's size, then at one four
        // times as wide and high (full screen), each drawn from those pixels.
        for (const QSize shown : {QSize(96, 72), QSize(384, 288)}) {
            picture.prepare(shown);
            QImage image(shown, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            picture.draw(painter, QRectF(QPointF(0, 0), QSizeF(shown)));
        }
    } catch (const Failure&) {
    }
}

}  // namespace zarovia::fuzz
