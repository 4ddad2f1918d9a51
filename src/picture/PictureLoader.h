#pragma once

#include "Picture.h"

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

// The largest picture file read whole.
inline constexpr long long kMaxPictureFileBytes = 1024LL * 1024 * 1024;

}  // namespace zarovia::picture
