#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace zarovia::document {

// What the document pane shows for a file of no known document kind: its head as text when
// every byte of it is a text byte, otherwise the hex dump of the head.
struct OtherDocument {
    QByteArray head;       // at most kOtherDocumentHeadBytes bytes from the start of the file
    bool isText = true;    // every byte of `head` is a text byte (an empty head is text)
    QString text;          // isText: the head decoded (UTF-8 when valid, a cut last sequence
                           // allowed; otherwise CP932)
    QStringList hexLines;  // !isText: the hex dump lines of the head
};

// Classifies bytes already read.
OtherDocument classifyOtherDocument(QByteArray head);

// Opens the file, reads up to kOtherDocumentHeadBytes bytes from its start and closes it.
// Throws zarovia::FileError (the input/output texts) when it cannot be opened, read or closed.
OtherDocument readOtherDocument(const QByteArray& path);

}  // namespace zarovia::document
