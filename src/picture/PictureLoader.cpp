#include "PictureLoader.h"

#include "platform/Failure.h"
#include "platform/FileAccess.h"
#include "platform/PathSplit.h"

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
        // Another file under the same name would not match the header already read.
        if (file->size() != stamp.size || files->stamp(path) != stamp) throw Failure(kReadError);
        return [file] { return file->read(kChunkBytes); };
    };
}

std::optional<Picture> loadLargeJpegByHead(const std::shared_ptr<const FileSource>& files,
                                           const QByteArray& path, const FileStamp& stamp) {
    if (decoderFor(lowerAscii(extensionPart(path).mid(1))) != Decoder::Jpeg ||
        stamp.size <= kJpegHeadBytes)
        return std::nullopt;
    if (stamp.size > kMaxPictureFileBytes) throw Failure(kReadError);
    const QByteArray head = files->readHead(path, kJpegHeadBytes);
    try {
        return loadJpegFromHead(head, pictureFileReopener(files, path, stamp));
    } catch (const Failure&) {
        return std::nullopt;
    }
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
