#pragma once

#include "picture/Picture.h"

#include <QByteArray>

namespace zarovia::picture {

// Windows metafiles (placeable or plain) and enhanced metafiles, parsed into drawing steps
// and played on a painter. Throw zarovia::Failure("メタファイルが不正です") when the file is
// not a metafile at all.
Picture decodeWmf(const QByteArray& bytes);
Picture decodeEmf(const QByteArray& bytes);

}  // namespace zarovia::picture
