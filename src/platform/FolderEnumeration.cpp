#include "FolderEnumeration.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <algorithm>

namespace zarovia {

namespace {

unsigned char upperByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    return (b >= 'a' && b <= 'z') ? static_cast<unsigned char>(b - 'a' + 'A') : b;
}

bool isRegularEntry(int dirFd, const dirent* entry) {
    if (entry->d_type == DT_REG) return true;
    if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN) return false;
    struct stat st {};
    // Follows a symbolic link: a link to a picture counts as that picture.
    return ::fstatat(dirFd, entry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

bool windowsNameLess(const QByteArray& a, const QByteArray& b) {
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned char x = upperByte(a[i]);
        const unsigned char y = upperByte(b[i]);
        if (x != y) return x < y;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    // Names that differ only in case (a.jpg and A.jpg on a Linux file system) keep one order
    // on every run: byte-wise, so upper case first.
    return a < b;
}

std::vector<QByteArray> listFolderFiles(const QByteArray& folder) {
    std::vector<QByteArray> names;
    DIR* dir = ::opendir(folder.isEmpty() ? "." : folder.constData());
    if (!dir) return names;
    const int fd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.') continue;
        if (!isRegularEntry(fd, entry)) continue;
        names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end(), windowsNameLess);
    return names;
}

}  // namespace zarovia
