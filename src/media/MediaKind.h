#pragma once

#include <QByteArray>

namespace zarovia::media {

// Which layout and which device a file takes, by its upper-cased extension with the dot.
enum class MediaKind { NotMedia, Sound, Video };

// ".AVI", ".MPG", ".MPEG" are video; ".MID", ".RMI", ".WAV", ".WMA" are sound; every other
// extension (lower case included: callers upper-case first) is not media.
MediaKind mediaKindOfExtension(const QByteArray& upperExtension);

// The same decision for a path: its extension is split off and upper-cased here.
MediaKind mediaKindOfPath(const QByteArray& path);

// MIDI content (".MID", ".RMI"), which needs a synthesiser and a sound font.
bool isMidiExtension(const QByteArray& upperExtension);

}  // namespace zarovia::media
