#pragma once

#include "picture/MemoryBudget.h"
#include "picture/Picture.h"
#include "picture/jpeg/Jpeg.h"
#include "platform/FileSource.h"

#include <QByteArray>
#include <functional>
#include <memory>
#include <optional>

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

// Decodes bytes already read, by the lower-case extension without its dot. With `reopen` a
// JPEG lets its bytes go once decoded and reads its file again through it when it must.
Picture decodePictureBytes(const QByteArray& bytes, const QByteArray& lowerExtension,
                           JpegReopen reopen = {});

// Opens `path` again through `files` to be read piece by piece, as it was when `stamp` was
// taken from the descriptor first read; throws Failure ("ストリームからの読み込みエラー", or the
// file's own error) when the descriptor opened now is another file or the file has changed.
JpegReopen pictureFileReopener(std::shared_ptr<const FileSource> files, QByteArray path,
                               FileStamp stamp);

// A picture file as read through one descriptor: the decoder's key, that descriptor's stamp
// (what the bytes are, whatever the path names by then), and the file's bytes; or, for a JPEG
// larger than kJpegHeadBytes whose header ends within its head, the picture loaded from the
// head alone, whose decodes read the file as they go, so that it is never held whole.
struct PictureFileRead {
    QByteArray lowerExtension;
    FileStamp stamp;
    QByteArray bytes;
    std::optional<Picture> loadedFromHead;
    // The file again, as it was read.
    JpegReopen reopen;
};
inline constexpr std::int64_t kJpegHeadBytes = 256 * 1024;

// Reads the picture file at `path` for the viewer. Throws Failure as loadPictureFile does.
PictureFileRead readPictureForViewer(const std::shared_ptr<const FileSource>& files,
                                     const QByteArray& path);

// The picture of a file read: a JPEG lets its bytes go once decoded and reads its file again
// when it must. Throws the decoder's Failure.
Picture decodePictureRead(PictureFileRead read);

// True when `lowerExtension` (no dot) has a decoder.
bool hasPictureDecoder(const QByteArray& lowerExtension);

// True when a file of this kind may be decoded on a worker thread. Metafiles measure their
// text with the application's fonts, so they qualify only once the QGuiApplication exists;
// the other kinds also before.
bool decodableOffGuiThread(const QByteArray& path);

}  // namespace zarovia::picture
