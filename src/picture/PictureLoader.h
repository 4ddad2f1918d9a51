#pragma once

#include "picture/MemoryBudget.h"
#include "picture/Picture.h"

#include <QByteArray>

namespace zarovia::picture {

// Loads a picture file through the decoder for its extension ("wmf", "emf", "ico", "bmp",
// "jpeg", "jpg", compared without regard to ASCII case). Throws Failure:
// "拡張子 .%s の画像形式は処理できません" for another extension, "ファイル "%s". %s は開けません"
// when the file cannot be opened, or the decoder's own text.
Picture loadPictureFile(const QByteArray& path);

// Decodes bytes already read, by the lower-case extension without its dot.
Picture decodePictureBytes(const QByteArray& bytes, const QByteArray& lowerExtension);

// True when `lowerExtension` (no dot) has a decoder.
bool hasPictureDecoder(const QByteArray& lowerExtension);

// True when a file of this kind may be decoded on a worker thread, also before the
// application object exists: metafiles lay out their text with the application's fonts.
bool decodableOffGuiThread(const QByteArray& path);

}  // namespace zarovia::picture
