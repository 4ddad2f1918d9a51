#pragma once

#include "picture/MemoryBudget.h"
#include "picture/Picture.h"
#include "platform/FileSource.h"

#include <QByteArray>

namespace zarovia::picture {

// Loads a picture file through the decoder for its extension ("wmf", "emf", "ico", "bmp",
// "jpeg", "jpg", compared without regard to ASCII case). Throws Failure:
// "拡張子 .%s の画像形式は処理できません" for another extension, "ファイル "%s". %s は開けません"
// when the file cannot be opened, or the decoder's own text.
Picture loadPictureFile(const QByteArray& path);

// The same, reading through `files`.
Picture loadPictureFile(const FileSource& files, const QByteArray& path);

// The bytes of a picture file, after the extension check that loadPictureFile makes first;
// `lowerExtension` receives the decoder's key.
QByteArray readPictureFile(const FileSource& files, const QByteArray& path,
                           QByteArray* lowerExtension);

// Decodes bytes already read, by the lower-case extension without its dot.
Picture decodePictureBytes(const QByteArray& bytes, const QByteArray& lowerExtension);

// True when `lowerExtension` (no dot) has a decoder.
bool hasPictureDecoder(const QByteArray& lowerExtension);

// True when a file of this kind may be decoded on a worker thread. Metafiles measure their
// text with the application's fonts, so they qualify only once the QGuiApplication exists;
// the other kinds also before.
bool decodableOffGuiThread(const QByteArray& path);

}  // namespace zarovia::picture
