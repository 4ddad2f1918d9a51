#pragma once

#include "platform/FileAccess.h"
#include "platform/FolderEnumeration.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace zarovia {

// Where the viewer reads files from. Every read goes through here, on a worker thread, so that
// tests can stand in a slow or failing disk. Implementations are thread-safe.
class FileSource {
public:
    virtual ~FileSource() = default;
    // The whole file; fails as readWholeFile does.
    virtual QByteArray readWhole(const QByteArray& path, std::int64_t maxBytes,
                                 const QString& tooLargeText) const;
    // Up to maxBytes from the start of the file; fails with the file's FileError.
    virtual QByteArray readHead(const QByteArray& path, std::int64_t maxBytes) const;
    virtual std::optional<FileStamp> stamp(const QByteArray& path) const;
    // The file opened to be read piece by piece; fails with the file's FileError.
    virtual std::shared_ptr<ReadOnlyFile> open(const QByteArray& path) const;
    // The regular files of a folder whose names `keep` accepts, sorted (listFolder).
    virtual FolderListing listFolder(const QByteArray& folder,
                                     const std::function<bool(QByteArrayView)>& keep) const;
};

// The file system itself.
std::shared_ptr<const FileSource> systemFileSource();

}  // namespace zarovia
