#pragma once

#include <QByteArray>

namespace zarovia {

// How a path splits into folder, name and extension: the separator bytes, and the code page
// whose lead bytes start a two-byte character (0 for none). A second byte of a two-byte
// character is never taken for a separator or a dot.
struct PathRules {
    QByteArray separators;
    int leadByteCodePage = 0;
};

// The rules of this platform: "/" and no two-byte characters (UTF-8 never puts "/" or "."
// inside a character).
PathRules nativePathRules();
// The Windows rules: "\" and ":" with Shift-JIS lead bytes.
PathRules windowsPathRules();

// Everything after the last separator; the whole name when there is none.
QByteArray fileNamePart(const QByteArray& path, const PathRules& rules = nativePathRules());
// Everything up to and including the last separator; empty when there is none.
QByteArray folderPart(const QByteArray& path, const PathRules& rules = nativePathRules());
// From the last "." to the end, the dot included, when no separator follows it; else empty.
QByteArray extensionPart(const QByteArray& path, const PathRules& rules = nativePathRules());

// Case conversion of the ASCII letters only; every other byte stays as it is.
QByteArray upperAscii(QByteArray bytes);
QByteArray lowerAscii(QByteArray bytes);

}  // namespace zarovia
