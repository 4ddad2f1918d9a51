#pragma once

#include "platform/NameList.h"

#include <QByteArray>
#include <QByteArrayView>
#include <functional>

namespace zarovia {

// The regular files of a folder, as listed on a worker.
struct FolderListing {
    // The names kept, in the order a Windows file system reports them (windowsNameLess).
    NameList names;
    // The folder could not be read (missing, no permission, an error while reading it) or was
    // removed while it was being listed; `names` is empty then. A folder of more names than a
    // list takes is listed as far as they go, without failing.
    bool failed = false;
};

// Lists the regular files of `folder` whose names `keep` accepts (every one without it).
// Folders, hidden entries (names starting with ".") and anything that is not a regular file
// are passed over. An empty folder path means the current folder. Passes a checkpoint every
// few thousand entries.
FolderListing listFolder(const QByteArray& folder,
                         const std::function<bool(QByteArrayView)>& keep = {});

}  // namespace zarovia
