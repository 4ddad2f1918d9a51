#pragma once

#include <QByteArray>
#include <QString>

namespace zarovia {

// A file name as the user sees it: UTF-8 when the bytes are valid UTF-8, CP932 otherwise.
QString decodeFileName(const QByteArray& name);

// Document text: UTF-8 (with or without BOM) when the bytes are valid UTF-8, CP932 otherwise.
// allowCutTail accepts one UTF-8 sequence cut off by the end of the bytes (a read that stopped
// at a fixed length); the cut sequence is dropped.
QString decodeDocumentText(const QByteArray& bytes, bool allowCutTail = false);

// True when the bytes are valid UTF-8; with allowCutTail, one incomplete final sequence is
// accepted too.
bool isValidUtf8(const QByteArray& bytes, bool allowCutTail = false);

// Bytes in a Windows code page (932, 1252, 936, 949, 950, 1250 to 1258, 874, 437, 10000 ...).
// Unknown code pages fall back to 1252.
QString decodeCodePage(const QByteArray& bytes, int codePage);

// Lead-byte test of a double-byte code page (932, 936, 949, 950); false for single-byte ones.
bool isLeadByte(unsigned char byte, int codePage);

// The code page that a font character set (\fcharset, LOGFONT lfCharSet) implies, or 0.
int codePageForCharset(int charset);

}  // namespace zarovia
