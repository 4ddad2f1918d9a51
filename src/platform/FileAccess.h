#pragma once

#include "Failure.h"

#include <QByteArray>
#include <cstdint>

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

// Size and modification time of a regular file, without reading it; false when it has none.
bool fileStamp(const QByteArray& path, std::int64_t* size, std::int64_t* mtimeNs);

}  // namespace zarovia
