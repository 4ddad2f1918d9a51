#include "PictureLoader.h"

#include "platform/Failure.h"
#include "platform/FileAccess.h"
#include "platform/PathSplit.h"
#include "platform/SystemErrors.h"

#include "picture/bmp/Bmp.h"
#include "picture/bmp/Ico.h"
#include "picture/jpeg/Jpeg.h"
#include "picture/metafile/Metafile.h"

#include <QGuiApplication>

namespace zarovia::picture {

namespace {

enum class Decoder { None, Wmf, Emf, Ico, Bmp, Jpeg };

const QString kReadError = QStringLiteral("ストリームからの読み込みエラー");
// What a JPEG's decode reads from its file at a time.
constexpr std::int64_t kChunkBytes = 128 * 1024;

Decoder decoderFor(const QByteArray& lowerExtension) {
    if (lowerExtension == "wmf") return Decoder::Wmf;
    if (lowerExtension == "emf") return Decoder::Emf;
    if (lowerExtension == "ico") return Decoder::Ico;
    if (lowerExtension == "bmp") return Decoder::Bmp;
    if (lowerExtension == "jpeg" || lowerExtension == "jpg") return Decoder::Jpeg;
    return Decoder::None;
}

[[noreturn]] void unsupported(const QByteArray& extensionAsWritten) {
    throw Failure(QStringLiteral("拡張子 .%1 の画像形式は処理できません")
                      .arg(QString::fromUtf8(extensionAsWritten)));
}

}  // namespace

bool hasPictureDecoder(const QByteArray& lowerExtension) {
    return decoderFor(lowerExtension) != Decoder::None;
}

Picture decodePictureBytes(const QByteArray& bytes, const QByteArray& lowerExtension,
                           JpegReopen reopen) {
    switch (decoderFor(lowerExtension)) {
        case Decoder::Wmf:
            return decodeWmf(bytes);
        case Decoder::Emf:
            return decodeEmf(bytes);
        case Decoder::Ico:
            return decodeIcoFile(bytes);
        case Decoder::Bmp:
            return decodeBmpFile(bytes);
        case Decoder::Jpeg:
            return loadJpeg(bytes, std::move(reopen));
        default:
            unsupported(lowerExtension);
    }
}

bool decodableOffGuiThread(const QByteArray& path) {
    const Decoder decoder = decoderFor(lowerAscii(extensionPart(path).mid(1)));
    if (decoder == Decoder::Wmf || decoder == Decoder::Emf) {
        // Metafiles measure their fonts while they parse: Qt's font database serves any
        // thread, but only once the application object exists.
        return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    }
    return decoder == Decoder::Bmp || decoder == Decoder::Ico || decoder == Decoder::Jpeg;
}

QByteArray readPictureFile(const FileSource& files, const QByteArray& path,
                           QByteArray* lowerExtension) {
    QByteArray ext = extensionPart(path);
    if (!ext.isEmpty()) ext.remove(0, 1);
    *lowerExtension = lowerAscii(ext);
    if (!hasPictureDecoder(*lowerExtension)) unsupported(ext);
    return files.readWhole(path, kMaxPictureFileBytes, kReadError);
}

JpegReopen pictureFileReopener(std::shared_ptr<const FileSource> files, QByteArray path,
                               FileStamp stamp) {
    return [files = std::move(files), path = std::move(path), stamp]() -> jpeg::ChunkReader {
        std::shared_ptr<ReadOnlyFile> file = files->open(path);
        // The descriptor's own stamp, not the path's: the bytes read are that file's. Another
        // file under the same name would not match the header already read.
        if (file->stamp() != stamp) throw Failure(kReadError);
        return [file] { return file->read(kChunkBytes); };
    };
}

PictureFileRead readPictureForViewer(const std::shared_ptr<const FileSource>& files,
                                     const QByteArray& path) {
    PictureFileRead read;
    QByteArray ext = extensionPart(path);
    if (!ext.isEmpty()) ext.remove(0, 1);
    read.lowerExtension = lowerAscii(ext);
    const Decoder decoder = decoderFor(read.lowerExtension);
    if (decoder == Decoder::None) unsupported(ext);
    try {
        const std::shared_ptr<ReadOnlyFile> file = files->open(path);
        read.stamp = file->stamp();
        read.reopen = pictureFileReopener(files, path, read.stamp);
        QByteArray head;
        if (decoder == Decoder::Jpeg && read.stamp.size > kJpegHeadBytes &&
            read.stamp.size <= kMaxPictureFileBytes) {
            head = file->read(kJpegHeadBytes);
            try {
                read.loadedFromHead = loadJpegFromHead(head, read.reopen);
                return read;
            } catch (const Failure&) {
                // The header does not end within the head: the whole file decides.
            }
        }
        read.bytes = readToEnd(*file, std::move(head), kMaxPictureFileBytes, kReadError);
        return read;
    } catch (const FileError& e) {
        throw Failure(cannotOpenFileText(path, e.code()));
    }
}

Picture decodePictureRead(PictureFileRead read) {
    if (read.loadedFromHead) return std::move(*read.loadedFromHead);
    return decodePictureBytes(read.bytes, read.lowerExtension, std::move(read.reopen));
}

Picture loadPictureFile(const FileSource& files, const QByteArray& path) {
    QByteArray lower;
    const QByteArray bytes = readPictureFile(files, path, &lower);
    return decodePictureBytes(bytes, lower);
}

Picture loadPictureFile(const QByteArray& path) {
    return loadPictureFile(*systemFileSource(), path);
}

}  // namespace zarovia::picture
