#include "picture/jpeg/Jpeg.h"

#include "picture/jpeg/JpegHeader.h"
#include "picture/jpeg/JpegPictureData.h"
#include "platform/Failure.h"

#include <memory>

namespace zarovia::picture {

Picture loadJpeg(QByteArray bytes, JpegReopen reopen) {
    jpeg::JpegHeader header = jpeg::readJpegHeader(bytes);
    return Picture(
        std::make_shared<const jpeg::JpegPictureData>(std::move(bytes), header, std::move(reopen)));
}

Picture loadJpegFromHead(const QByteArray& head, JpegReopen reopen) {
    jpeg::JpegHeader header = jpeg::readJpegHeader(head);
    return Picture(
        std::make_shared<const jpeg::JpegPictureData>(QByteArray(), header, std::move(reopen)));
}

void decodeForDisplay(const Picture& picture, QSize devicePixels) {
    decodeForDisplay(picture, devicePixels, FirstLookSink());
}

void decodeForDisplay(const Picture& picture, QSize devicePixels, const FirstLookSink& firstLook) {
    if (picture.isNull() || picture.kind() != PictureKind::Jpeg) return;
    picture.prepareToShow(devicePixels, firstLook);
}

}  // namespace zarovia::picture
