#pragma once

#include <QByteArray>
#include <vector>

namespace zarovia::picture {

// The pictures of an opened file's folder: the folder part of the name (with its trailing
// separator) and each picture's path, in the order the folder reports its entries.
struct FolderPictures {
    QByteArray folderPath;
    std::vector<QByteArray> items;
};

// Lists the pictures of `fileName`'s folder. A folder that cannot be read gives an empty list.
FolderPictures listFolderPictures(const QByteArray& fileName);

// True for the extensions the folder list takes (".jpeg", ".jpg", ".bmp", ".wmf", ".emf",
// ".ico"), compared after lower-casing the ASCII letters only.
bool isListedPictureExtension(const QByteArray& extension);

}  // namespace zarovia::picture
