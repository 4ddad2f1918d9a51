#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace zarovia::media {

// What the dynamic loader maps of a module file: the file's extent those parts need, and a
// SHA-256 over the loadable segments (their program headers and their bytes). Stripping the
// file (symbols, debug sections, section headers, a debug link added) leaves it unchanged,
// so the value recorded when the module was built still holds for the installed, stripped
// file; a truncated file, or a byte changed in what is loaded, gives another one.
struct ModuleStamp {
    quint64 extent = 0;
    QByteArray sha256;
    friend bool operator==(const ModuleStamp&, const ModuleStamp&) = default;
};

struct ModuleStampResult {
    std::optional<ModuleStamp> stamp;
    QString failure;  // why there is none: not a shared object of this machine's kind, cut short
};

// Reads the ELF headers of the open file `fd` (from its start, whatever its position) and
// hashes its loadable segments. Every offset and size is checked against the file's size.
ModuleStampResult stampModule(int fd);
ModuleStampResult stampModuleFile(const QByteArray& path);

// The stamp taken of the engine module when this build linked it.
ModuleStamp builtEngineStamp();

}  // namespace zarovia::media
