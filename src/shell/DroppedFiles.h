#pragma once

#include <QByteArray>
#include <QList>

namespace zarovia::shell {

// The local file names of a drop's text/uri-list (RFC 2483): one URI per line, "#" lines are
// comments; "file:///p", "file://localhost/p" and "file:/p" name the local file p. The
// percent-encoded bytes are decoded as bytes, so a name in any encoding (CP932, Latin-1)
// reaches open() exactly as the file system holds it. URIs of other hosts and schemes are
// passed over.
QList<QByteArray> localFilesOfUriList(const QByteArray& uriList);

}  // namespace zarovia::shell
