// Feeds arbitrary bytes to the EMF player: parsing, then drawing into a small image, must
// neither crash nor hang; a rejected file fails with the metafile failure.

#include "picture/metafile/Metafile.h"
#include "platform/Failure.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstddef>
#include <cstdint>

namespace {

// Fonts and painting need a GUI application; one, kept for the whole run.
void ensureApplication() {
    if (QGuiApplication::instance()) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "emf_fuzz";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* application = new QGuiApplication(argc, argv);
    (void)application;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ensureApplication();
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        const zarovia::picture::Picture picture = zarovia::picture::decodeEmf(bytes);
        QImage image(96, 96, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        picture.draw(painter, QRectF(0, 0, 96, 96));
    } catch (const zarovia::Failure&) {
    }
    return 0;
}
