#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace zarovia::document {

// How many bytes of an other document are looked at: the text test and the hex dump never
// see anything past this offset.
inline constexpr qsizetype kOtherDocumentHeadBytes = 16384;

// A text byte is tab, line feed, carriage return or any byte from 0x20 to 0xFF; the rest
// (0x00 to 0x08, 0x0B, 0x0C, 0x0E to 0x1F) are control bytes. Shift-JIS bytes and 0x7F are text.
constexpr bool isTextByte(unsigned char byte) noexcept {
    return byte == 0x09 || byte == 0x0A || byte == 0x0D || byte >= 0x20;
}

// True when every byte is a text byte; an empty range is text.
bool isTextContent(const QByteArray& bytes);

// The hex dump of at most the first kOtherDocumentHeadBytes bytes: one line per 16 bytes and
// a short line for the rest. Each line is the offset in upper-case hex padded to four digits,
// " : ", then every byte as two upper-case hex digits and a blank ("0010 : 10 11 12 13 ").
QStringList hexDumpLines(const QByteArray& bytes);

// The same lines, each followed by a line feed, built in one string.
QString hexDumpText(const QByteArray& bytes);

}  // namespace zarovia::document
