#include "FileAccess.h"

#include "Cancellation.h"
#include "PathSplit.h"
#include "SystemErrors.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>

namespace zarovia {

namespace {

// Maps errno onto the program's error codes. A missing file in an existing folder is "not
// found"; a missing folder on the way is a bad path.
int errorCodeFor(int err, const QByteArray& path) {
    switch (err) {
        case ENOENT: {
            QByteArray folder = folderPart(path);
            if (folder.isEmpty()) return kErrorFileNotFound;
            struct stat st {};
            return (::stat(folder.constData(), &st) == 0 && S_ISDIR(st.st_mode))
                       ? kErrorFileNotFound
                       : kErrorPathNotFound;
        }
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP:
            return kErrorPathNotFound;
        case EMFILE:
        case ENFILE:
            return kErrorTooManyOpenFiles;
        case EACCES:
        case EPERM:
        case EISDIR:
        case EROFS:
            return kErrorAccessDenied;
        case EBUSY:
        case ETXTBSY:
            return kErrorSharingViolation;
        default:
            return err > 0 ? 1000 + err : 1000;
    }
}

constexpr std::int64_t kReadPieceBytes = 4 << 20;

FileStamp stampOf(const struct stat& st) {
    FileStamp stamp;
    stamp.size = static_cast<std::int64_t>(st.st_size);
    stamp.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.ctimeNs = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    stamp.inode = static_cast<std::uint64_t>(st.st_ino);
    stamp.device = static_cast<std::uint64_t>(st.st_dev);
    return stamp;
}

}  // namespace

FileError::FileError(int code) : Failure(ioErrorText(code)), code_(code) {}

ReadOnlyFile::ReadOnlyFile(const QByteArray& path) {
    if (path.isEmpty()) throw FileError(kErrorPathNotFound);
    if (path.contains('\0')) throw FileError(kErrorPathNotFound);
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below anyway.
    fd_ = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd_ < 0) throw FileError(errorCodeFor(errno, path));
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        const int err = errno;
        ::close(fd_);
        fd_ = -1;
        throw FileError(errorCodeFor(err, path));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        throw FileError(kErrorAccessDenied);
    }
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags >= 0) ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
    stamp_ = stampOf(st);
}

ReadOnlyFile::~ReadOnlyFile() {
    if (fd_ >= 0) ::close(fd_);
}

QByteArray ReadOnlyFile::read(std::int64_t maxBytes) {
    QByteArray out;
    if (fd_ < 0 || maxBytes <= 0) return out;
    out.resize(static_cast<qsizetype>(maxBytes));
    std::int64_t got = 0;
    while (got < maxBytes) {
        // Read in pieces with a checkpoint before each: a large file on a slow disk, for a
        // file the user has left, stops after the piece under way.
        checkpoint();
        const std::int64_t piece = std::min<std::int64_t>(maxBytes - got, kReadPieceBytes);
        const ssize_t n = ::read(fd_, out.data() + got, static_cast<size_t>(piece));
        if (n < 0) {
            if (errno == EINTR) continue;
            throw FileError(errorCodeFor(errno, {}));
        }
        if (n == 0) break;
        got += n;
    }
    out.truncate(static_cast<qsizetype>(got));
    return out;
}

void ReadOnlyFile::close() {
    if (fd_ < 0) return;
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR) throw FileError(errorCodeFor(errno, {}));
}

QByteArray readToEnd(ReadOnlyFile& file, QByteArray start, std::int64_t maxBytes,
                     const QString& tooLargeText) {
    if (file.size() > maxBytes) throw Failure(tooLargeText);
    // Read one byte more than the size said, so that a file growing meanwhile is noticed
    // up to the cap rather than silently cut.
    const std::int64_t wanted = std::min<std::int64_t>(file.size() + 1, maxBytes) - start.size();
    start += file.read(wanted);
    if (start.size() > maxBytes) throw Failure(tooLargeText);
    return start;
}

QByteArray readWholeFile(const QByteArray& path, std::int64_t maxBytes,
                         const QString& tooLargeText) {
    try {
        ReadOnlyFile file(path);
        return readToEnd(file, QByteArray(), maxBytes, tooLargeText);
    } catch (const FileError& e) {
        throw Failure(cannotOpenFileText(path, e.code()));
    }
}

std::optional<FileStamp> fileStampOf(const QByteArray& path) {
    struct stat st {};
    if (path.contains('\0') || ::stat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return stampOf(st);
}

}  // namespace zarovia
