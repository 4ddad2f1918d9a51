#include "platform/FileSource.h"

namespace zarovia {

QByteArray FileSource::readWhole(const QByteArray& path, std::int64_t maxBytes,
                                 const QString& tooLargeText) const {
    return readWholeFile(path, maxBytes, tooLargeText);
}

QByteArray FileSource::readHead(const QByteArray& path, std::int64_t maxBytes) const {
    ReadOnlyFile file(path);
    QByteArray head = file.read(maxBytes);
    file.close();
    return head;
}

std::optional<FileStamp> FileSource::stamp(const QByteArray& path) const {
    return fileStampOf(path);
}

std::shared_ptr<ReadOnlyFile> FileSource::open(const QByteArray& path) const {
    return std::make_shared<ReadOnlyFile>(path);
}

FolderListing FileSource::listFolder(const QByteArray& folder,
                                     const std::function<bool(QByteArrayView)>& keep) const {
    return zarovia::listFolder(folder, keep);
}

std::shared_ptr<const FileSource> systemFileSource() {
    static const auto source = std::make_shared<const FileSource>();
    return source;
}

}  // namespace zarovia
