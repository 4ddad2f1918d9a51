#include "FolderEnumeration.h"

#include "platform/Cancellation.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <cerrno>
#include <cstring>

namespace zarovia {

namespace {

// Entries read between two checkpoints.
constexpr int kEntriesPerCheckpoint = 4096;

bool isRegularEntry(int dirFd, const dirent* entry) {
    if (entry->d_type == DT_REG) return true;
    if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN) return false;
    struct stat st {};
    // Follows a symbolic link: a link to a picture counts as that picture.
    return ::fstatat(dirFd, entry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode);
}

// Closes the folder however the listing ends (a checkpoint throws).
struct FolderHandle {
    DIR* dir;
    ~FolderHandle() {
        if (dir) ::closedir(dir);
    }
};

}  // namespace

FolderListing listFolder(const QByteArray& folder,
                         const std::function<bool(QByteArrayView)>& keep) {
    FolderListing listing;
    const FolderHandle handle{::opendir(folder.isEmpty() ? "." : folder.constData())};
    if (!handle.dir) {
        listing.failed = true;
        return listing;
    }
    const int fd = ::dirfd(handle.dir);
    int sinceCheckpoint = 0;
    for (;;) {
        if (++sinceCheckpoint == kEntriesPerCheckpoint) {
            sinceCheckpoint = 0;
            checkpoint();
        }
        errno = 0;
        const dirent* entry = ::readdir(handle.dir);
        if (!entry) {
            // The end of the folder, or a failure to read on (errno says which).
            listing.failed = errno != 0;
            break;
        }
        if (entry->d_name[0] == '.') continue;
        const QByteArrayView name(entry->d_name,
                                  static_cast<qsizetype>(std::strlen(entry->d_name)));
        // The name's test comes first: it is cheaper than the file's type when that needs a stat.
        if (keep && !keep(name)) continue;
        if (!isRegularEntry(fd, entry)) continue;
        // A folder of more names than a list takes is listed as far as they go.
        if (!listing.names.append(name)) break;
    }
    // A folder removed while it was being listed reads as empty (or as far as it got): it has
    // no links left.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_nlink == 0) listing.failed = true;
    // A listing cut short names files of a folder that may be gone: nothing of it is kept.
    if (listing.failed)
        listing.names = NameList();
    else
        listing.names.sortWindowsOrder();
    return listing;
}

}  // namespace zarovia
