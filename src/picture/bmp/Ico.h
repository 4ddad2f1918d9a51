#pragma once

#include "picture/Picture.h"

#include <QByteArray>

namespace zarovia::picture {

// A whole .ico file: the directory, the best entry (largest area, then deepest, the first on
// ties), DIB entries with their AND mask, PNG entries through Qt's PNG reader. The result is
// an icon picture that keeps its mask. Throws zarovia::Failure with "アイコンイメージが不正です"
// for a malformed icon.
Picture decodeIcoFile(const QByteArray& bytes);

}  // namespace zarovia::picture
