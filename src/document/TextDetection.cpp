#include "document/TextDetection.h"

#include <algorithm>

namespace zarovia::document {

namespace {

constexpr char16_t kHexDigits[] = u"0123456789ABCDEF";
constexpr qsizetype kBytesPerLine = 16;
// "0000 : " plus three characters per byte.
constexpr qsizetype kFullLineLength = 7 + kBytesPerLine * 3;

void appendLine(QString& out, const unsigned char* bytes, qsizetype offset, qsizetype count) {
    // Offsets stay below 0x4000, so four digits always suffice; wider offsets would still be
    // written whole.
    QString offsetText = QString::number(offset, 16).toUpper();
    if (offsetText.size() < 4) offsetText.prepend(QString(4 - offsetText.size(), u'0'));
    out += offsetText;
    out += u" : ";
    for (qsizetype i = 0; i < count; ++i) {
        const unsigned char b = bytes[offset + i];
        out += QChar(kHexDigits[b >> 4]);
        out += QChar(kHexDigits[b & 0x0F]);
        out += u' ';
    }
}

qsizetype headLength(const QByteArray& bytes) {
    return std::min(bytes.size(), kOtherDocumentHeadBytes);
}

}  // namespace

bool isTextContent(const QByteArray& bytes) {
    return std::all_of(bytes.cbegin(), bytes.cend(),
                       [](char c) { return isTextByte(static_cast<unsigned char>(c)); });
}

QStringList hexDumpLines(const QByteArray& bytes) {
    const qsizetype n = headLength(bytes);
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    QStringList lines;
    lines.reserve((n + kBytesPerLine - 1) / kBytesPerLine);
    for (qsizetype offset = 0; offset < n; offset += kBytesPerLine) {
        QString line;
        line.reserve(kFullLineLength);
        appendLine(line, data, offset, std::min(kBytesPerLine, n - offset));
        lines.append(line);
    }
    return lines;
}

QString hexDumpText(const QByteArray& bytes) {
    const qsizetype n = headLength(bytes);
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    QString out;
    out.reserve((n / kBytesPerLine + 1) * (kFullLineLength + 1));
    for (qsizetype offset = 0; offset < n; offset += kBytesPerLine) {
        appendLine(out, data, offset, std::min(kBytesPerLine, n - offset));
        out += u'\n';
    }
    return out;
}

}  // namespace zarovia::document
