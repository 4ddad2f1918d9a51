// Text detection and the hex dump on arbitrary bytes: the two dump forms agree, the line
// count follows the head's length, and decoding never fails.
#include "document/OtherDocument.h"
#include "document/TextDetection.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zarovia::document;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const OtherDocument doc = classifyOtherDocument(bytes);
    const qsizetype head = std::min<qsizetype>(bytes.size(), kOtherDocumentHeadBytes);
    if (doc.head.size() != head) std::abort();
    if (doc.isText != isTextContent(doc.head)) std::abort();
    const QStringList lines = hexDumpLines(bytes);
    if (lines.size() != (head + 15) / 16) std::abort();
    QString joined = lines.join(u'\n');
    if (!lines.isEmpty()) joined += u'\n';
    if (joined != hexDumpText(bytes)) std::abort();
    for (const QString& line : lines) {
        if (line.size() > 55 || !line.endsWith(u' ')) std::abort();
    }
    return 0;
}
