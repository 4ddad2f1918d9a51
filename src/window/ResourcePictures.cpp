#include "window/ResourcePictures.h"

#include "picture/PictureLoader.h"
#include "platform/Failure.h"

#include <QFile>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initZaroviaResources() {
    Q_INIT_RESOURCE(resources);
}

namespace zarovia::window {

namespace {

picture::Picture resourcePicture(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = file.readAll();
    try {
        return picture::decodePictureBytes(bytes, "jpg");
    } catch (const Failure&) {
        return {};
    }
}

}  // namespace

void initResources() {
    initZaroviaResources();
}

picture::Picture titlePicture() {
    return resourcePicture(QStringLiteral(":/title.jpg"));
}

picture::Picture backdropPicture() {
    return resourcePicture(QStringLiteral(":/backdrop.jpg"));
}

}  // namespace zarovia::window
