#include "PathSplit.h"

#include "CodePage.h"

#include <vector>

namespace zarovia {

namespace {

// Index of the last byte that is one of `delimiters` and not the second byte of a two-byte
// character, or -1.
qsizetype lastDelimiter(const QByteArray& path, const QByteArray& delimiters,
                        const PathRules& rules) {
    std::vector<bool> trail(static_cast<size_t>(path.size()), false);
    if (rules.leadByteCodePage != 0) {
        for (qsizetype i = 0; i < path.size(); ++i) {
            if (isLeadByte(static_cast<unsigned char>(path[i]), rules.leadByteCodePage) &&
                i + 1 < path.size()) {
                trail[static_cast<size_t>(i + 1)] = true;
                ++i;
            }
        }
    }
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (!trail[static_cast<size_t>(i)] && delimiters.contains(path[i])) return i;
    }
    return -1;
}

}  // namespace

PathRules nativePathRules() {
    return {QByteArray("/"), 0};
}

PathRules windowsPathRules() {
    return {QByteArray("\\:"), 932};
}

QByteArray fileNamePart(const QByteArray& path, const PathRules& rules) {
    return path.mid(lastDelimiter(path, rules.separators, rules) + 1);
}

QByteArray folderPart(const QByteArray& path, const PathRules& rules) {
    return path.left(lastDelimiter(path, rules.separators, rules) + 1);
}

QByteArray extensionPart(const QByteArray& path, const PathRules& rules) {
    const qsizetype i = lastDelimiter(path, rules.separators + '.', rules);
    if (i < 0 || path[i] != '.') return {};
    return path.mid(i);
}

QByteArray upperAscii(QByteArray bytes) {
    for (char& c : bytes)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return bytes;
}

QByteArray lowerAscii(QByteArray bytes) {
    for (char& c : bytes)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return bytes;
}

}  // namespace zarovia
