#pragma once

#include <QByteArray>
#include <vector>

namespace zarovia {

// The regular files of a folder, by name, in the order a Windows file system reports them
// (byte-wise, ASCII letters compared as upper case). Folders, hidden entries (names starting
// with ".") and anything that is not a regular file are passed over. An empty folder path
// means the current folder. A folder that cannot be read gives an empty list.
std::vector<QByteArray> listFolderFiles(const QByteArray& folder);

// The ordering used above: true when a sorts before b.
bool windowsNameLess(const QByteArray& a, const QByteArray& b);

}  // namespace zarovia
