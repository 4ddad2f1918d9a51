#include "OpenRules.h"

#include "platform/CodePage.h"
#include "platform/PathSplit.h"

namespace zarovia::shell {

FileClass classifyExtension(const QByteArray& ext) {
    for (const char* picture : {".BMP", ".JPG", ".JPEG", ".WMF", ".EMF", ".ICO"})
        if (ext == picture) return FileClass::Picture;
    for (const char* media : {".MPG", ".MPEG", ".AVI", ".MID", ".RMI", ".WAV", ".WMA"})
        if (ext == media) return FileClass::Media;
    return FileClass::Document;
}

QByteArray upperExtension(const QByteArray& path) {
    return upperAscii(extensionPart(path));
}

QString captionFor(const char16_t* prefix, const QByteArray& path) {
    return QString::fromUtf16(prefix) + decodeFileName(fileNamePart(path));
}

QString counterText(int currentIndex, int count) {
    return QString::number(static_cast<qint64>(currentIndex) + 1) + u'/' + QString::number(count);
}

}  // namespace zarovia::shell
