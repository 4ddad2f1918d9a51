#include "PictureList.h"

#include "platform/PathSplit.h"

namespace zarovia::picture {

bool isListedPictureExtension(const QByteArray& extension) {
    const QByteArray lower = lowerAscii(extension);
    for (const char* ext : {".jpeg", ".jpg", ".bmp", ".wmf", ".emf", ".ico"})
        if (lower == ext) return true;
    return false;
}

FolderPictures listFolderPictures(const FileSource& files, const QByteArray& fileName) {
    FolderPictures result;
    result.folderPath = folderPart(fileName);
    FolderListing listing = files.listFolder(result.folderPath, [](QByteArrayView name) {
        // Read in place: the name is not copied unless it is kept.
        return isListedPictureExtension(
            extensionPart(QByteArray::fromRawData(name.data(), name.size())));
    });
    result.names = std::move(listing.names);
    result.failed = listing.failed;
    result.openedPosition = positionIn(result, fileName);
    return result;
}

int positionIn(const FolderPictures& pictures, const QByteArray& fileName) {
    if (folderPart(fileName) != pictures.folderPath) return -1;
    return static_cast<int>(pictures.names.indexOf(fileNamePart(fileName)));
}

}  // namespace zarovia::picture
