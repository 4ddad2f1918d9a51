#pragma once

#include "Failure.h"

#include <QByteArray>
#include <cstdint>
#include <optional>

namespace zarovia {

// A file failure with its error code (see SystemErrors.h); the message is the input/output
// text for that code.
class FileError : public Failure {
public:
    explicit FileError(int code);
    int code() const noexcept { return code_; }

private:
    int code_;
};

// A regular file opened for reading. Anything that is not a regular file (folder, FIFO,
// socket, device) is refused with the access-denied code, so that a read never blocks.
class ReadOnlyFile {
public:
    // Throws FileError.
    explicit ReadOnlyFile(const QByteArray& path);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    std::int64_t size() const noexcept { return size_; }
    std::int64_t modificationTimeNs() const noexcept { return mtimeNs_; }
    // Reads up to maxBytes from the current position; fewer at the end of the file.
    QByteArray read(std::int64_t maxBytes);
    // Closes the file; throws FileError when the close fails. The destructor closes silently.
    void close();

private:
    int fd_ = -1;
    std::int64_t size_ = 0;
    std::int64_t mtimeNs_ = 0;
};

// The whole file, for loading a picture or a document by name. A file that cannot be opened
// fails with "ファイル "%s". %s は開けません"; a file larger than maxBytes with `tooLargeText`.
QByteArray readWholeFile(const QByteArray& path, std::int64_t maxBytes,
                         const QString& tooLargeText);

// What tells one version of a file from another without reading it: a file replaced by
// another (new inode), rewritten (new change time) or resized compares unequal. A file
// rewritten in place with the same size inside one tick of the file system's clock still
// compares equal: that is the honest limit of a stamp.
struct FileStamp {
    std::int64_t size = -1;
    std::int64_t mtimeNs = 0;
    std::int64_t ctimeNs = 0;
    std::uint64_t inode = 0;
    std::uint64_t device = 0;
    bool operator==(const FileStamp&) const = default;
};

// The stamp of a regular file; nothing for anything else or a file that is not there.
std::optional<FileStamp> fileStampOf(const QByteArray& path);

}  // namespace zarovia
