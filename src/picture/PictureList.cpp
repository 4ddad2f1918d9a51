#include "PictureList.h"

#include "platform/FolderEnumeration.h"
#include "platform/PathSplit.h"

namespace zarovia::picture {

bool isListedPictureExtension(const QByteArray& extension) {
    const QByteArray lower = lowerAscii(extension);
    for (const char* ext : {".jpeg", ".jpg", ".bmp", ".wmf", ".emf", ".ico"})
        if (lower == ext) return true;
    return false;
}

FolderPictures listFolderPictures(const QByteArray& fileName) {
    FolderPictures result;
    result.folderPath = folderPart(fileName);
    for (const QByteArray& name : listFolderFiles(result.folderPath)) {
        if (isListedPictureExtension(extensionPart(name)))
            result.items.push_back(result.folderPath + name);
    }
    return result;
}

}  // namespace zarovia::picture
