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

// A regular file opened for reading. Anything that is not a regular file (folder, FIFO,
// socket, device) is refused with the access-denied code, so that a read never blocks.
class ReadOnlyFile {
public:
    // Throws FileError.
    explicit ReadOnlyFile(const QByteArray& path);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    std::int64_t size() const noexcept { return stamp_.size; }
    // The stamp of this descriptor, taken when it was opened: what the bytes read through it
    // are, whatever the path names by then.
    const FileStamp& stamp() const noexcept { return stamp_; }
    // Reads up to maxBytes from the current position; fewer at the end of the file.
    QByteArray read(std::int64_t maxBytes);
    // Closes the file; throws FileError when the close fails. The destructor closes silently.
    void close();

private:
    int fd_ = -1;
    FileStamp stamp_;
};

// The rest of `file` from where it stands, appended to `start` (what was read of it before).
// A file larger than maxBytes fails with `tooLargeText`; fails with FileError as read() does.
QByteArray readToEnd(ReadOnlyFile& file, QByteArray start, std::int64_t maxBytes,
                     const QString& tooLargeText);

// The whole file, for loading a picture or a document by name. A file that cannot be opened
// fails with "ファイル "%s". %s は開けません"; a file larger than maxBytes with `tooLargeText`.
QByteArray readWholeFile(const QByteArray& path, std::int64_t maxBytes,
                         const QString& tooLargeText);

// The stamp of a regular file; nothing for anything else or a file that is not there.
std::optional<FileStamp> fileStampOf(const QByteArray& path);

}  // namespace zarovia
