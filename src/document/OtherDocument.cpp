#include "document/OtherDocument.h"

#include "document/TextDetection.h"
#include "platform/CodePage.h"
#include "platform/FileAccess.h"

namespace zarovia::document {

OtherDocument classifyOtherDocument(QByteArray head) {
    if (head.size() > kOtherDocumentHeadBytes) head.truncate(kOtherDocumentHeadBytes);
    OtherDocument doc;
    doc.isText = isTextContent(head);
    if (doc.isText) {
        doc.text = decodeDocumentText(head, /*allowCutTail=*/true);
    } else {
        doc.hexLines = hexDumpLines(head);
    }
    doc.head = std::move(head);
    return doc;
}

OtherDocument readOtherDocument(const QByteArray& path) {
    ReadOnlyFile file(path);
    QByteArray head = file.read(kOtherDocumentHeadBytes);
    file.close();
    return classifyOtherDocument(std::move(head));
}

}  // namespace zarovia::document
