#pragma once

#include "platform/FileSource.h"
#include "platform/NameList.h"

#include <QByteArray>

namespace zarovia::picture {

// The pictures of an opened file's folder: the folder part of the name (with its trailing
// separator) and each picture's name in it, in the order the folder reports its entries. A
// picture's path is the folder path followed by its name.
struct FolderPictures {
    QByteArray folderPath;
    NameList names;
    // The folder could not be listed (no permission, removed while it was being listed); the
    // list is empty then.
    bool failed = false;
    // The position of the file whose folder this is, or -1 when the list leaves it out (hidden).
    int openedPosition = -1;

    QByteArray path(std::size_t index) const { return names.joined(folderPath, index); }
};

// Lists the pictures of `fileName`'s folder through `files`; runs on a worker and passes
// checkpoints.
FolderPictures listFolderPictures(const FileSource& files, const QByteArray& fileName);

// The position of the picture `fileName` in `pictures`, or -1 when the list leaves it out.
int positionIn(const FolderPictures& pictures, const QByteArray& fileName);

// True for the extensions the folder list takes (".jpeg", ".jpg", ".bmp", ".wmf", ".emf",
// ".ico"), compared after lower-casing the ASCII letters only.
bool isListedPictureExtension(const QByteArray& extension);

}  // namespace zarovia::picture
