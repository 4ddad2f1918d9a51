#include "shell/DroppedFiles.h"

namespace zarovia::shell {

namespace {

// The path part of a local file URI, still percent-encoded; empty when the URI is not one.
QByteArray localPathOf(const QByteArray& uri) {
    if (!uri.left(5).toLower().startsWith("file:")) return {};
    QByteArray rest = uri.mid(5);
    if (rest.startsWith("//")) {
        rest = rest.mid(2);
        const qsizetype slash = rest.indexOf('/');
        if (slash < 0) return {};
        const QByteArray host = rest.left(slash).toLower();
        if (!host.isEmpty() && host != "localhost") return {};
        rest = rest.mid(slash);
    }
    if (!rest.startsWith('/')) return {};
    // A query or fragment is not part of a file name; "?" and "#" in names arrive encoded.
    const qsizetype end = rest.indexOf('?') >= 0 ? rest.indexOf('?') : rest.indexOf('#');
    return end >= 0 ? rest.left(end) : rest;
}

}  // namespace

QList<QByteArray> localFilesOfUriList(const QByteArray& uriList) {
    QList<QByteArray> files;
    for (const QByteArray& rawLine : uriList.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith('#')) continue;
        const QByteArray path = localPathOf(line);
        if (path.isEmpty()) continue;
        const QByteArray name = QByteArray::fromPercentEncoding(path);
        // A NUL cannot be part of a file name; such a URI names nothing.
        if (name.contains('\0')) continue;
        files.append(name);
    }
    return files;
}

}  // namespace zarovia::shell
