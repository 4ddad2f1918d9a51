#include "media/engine/ModuleImage.h"

#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QCryptographicHash>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace zarovia::media {

namespace {

using Header = ElfW(Ehdr);
using SegmentHeader = ElfW(Phdr);

constexpr unsigned char kNativeClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;
constexpr unsigned char kNativeData =
    __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? ELFDATA2LSB : ELFDATA2MSB;
// A shared object has a handful of program headers; far more means a damaged table.
constexpr unsigned kMostSegmentHeaders = 64;

ModuleStampResult refused(const char* why) {
    return {std::nullopt, QString::fromLatin1(why)};
}

// Reads exactly `size` bytes at `offset`; false when the file ends first or cannot be read.
bool readAt(int fd, void* to, size_t size, quint64 offset) {
    auto* out = static_cast<char*>(to);
    while (size > 0) {
        const ssize_t n = ::pread(fd, out, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        out += n;
        size -= static_cast<size_t>(n);
        offset += static_cast<quint64>(n);
    }
    return true;
}

// True when [offset, offset + size) lies inside a file of `fileSize` bytes.
bool inside(quint64 offset, quint64 size, quint64 fileSize) {
    return offset <= fileSize && size <= fileSize - offset;
}

// Hashes the file's bytes [offset, offset + size), with the ELF header's bytes taken from
// `header` where the range covers them.
bool hashRange(int fd, quint64 offset, quint64 size, const Header& header,
               QCryptographicHash& hash) {
    std::vector<char> buffer(64 * 1024);
    while (size > 0) {
        const size_t piece = static_cast<size_t>(std::min<quint64>(size, buffer.size()));
        if (!readAt(fd, buffer.data(), piece, offset)) return false;
        if (offset < sizeof(Header)) {
            const size_t from = static_cast<size_t>(offset);
            const size_t count = std::min(piece, sizeof(Header) - from);
            std::memcpy(buffer.data(), reinterpret_cast<const char*>(&header) + from, count);
        }
        hash.addData(QByteArrayView(buffer.data(), static_cast<qsizetype>(piece)));
        offset += piece;
        size -= piece;
    }
    return true;
}

}  // namespace

ModuleStampResult stampModule(int fd) {
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) return refused("not a file");
    const auto fileSize = static_cast<quint64>(status.st_size);

    Header header{};
    if (!readAt(fd, &header, sizeof header, 0)) return refused("cut short in its ELF header");
    if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_ident[EI_CLASS] != kNativeClass || header.e_ident[EI_DATA] != kNativeData ||
        header.e_type != ET_DYN)
        return refused("not a shared object of this machine");
    if (header.e_phentsize != sizeof(SegmentHeader) || header.e_phnum == 0 ||
        header.e_phnum > kMostSegmentHeaders)
        return refused("damaged program headers");
    if (!inside(header.e_phoff, quint64{header.e_phnum} * sizeof(SegmentHeader), fileSize))
        return refused("cut short in its program headers");
    std::vector<SegmentHeader> segments(header.e_phnum);
    if (!readAt(fd, segments.data(), segments.size() * sizeof(SegmentHeader), header.e_phoff))
        return refused("cut short in its program headers");

    // Stripping moves or drops the section headers and rewrites these fields; the loader
    // never reads them.
    header.e_shoff = 0;
    header.e_shentsize = 0;
    header.e_shnum = 0;
    header.e_shstrndx = 0;

    QCryptographicHash hash(QCryptographicHash::Sha256);
    quint64 extent = 0;
    bool loadable = false;
    for (const SegmentHeader& segment : segments) {
        if (segment.p_type != PT_LOAD) continue;
        loadable = true;
        if (!inside(segment.p_offset, segment.p_filesz, fileSize))
            return refused("cut short: a loadable segment lies past its end");
        hash.addData(QByteArrayView(reinterpret_cast<const char*>(&segment), sizeof segment));
        if (!hashRange(fd, segment.p_offset, segment.p_filesz, header, hash))
            return refused("unreadable");
        extent = std::max<quint64>(extent, segment.p_offset + segment.p_filesz);
    }
    if (!loadable) return refused("nothing to load");
    return {ModuleStamp{extent, hash.result()}, {}};
}

ModuleStampResult stampModuleFile(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {std::nullopt, QString::fromLocal8Bit(std::strerror(errno))};
    ModuleStampResult result = stampModule(fd);
    ::close(fd);
    return result;
}

}  // namespace zarovia::media
