#pragma once

#include "picture/MemoryBudget.h"

#include <QByteArray>
#include <QtGlobal>

class QTextDocument;

namespace zarovia::document {

// Bounds on what one RTF file may make the reader build. Input size alone bounds the work
// (every token is handled in constant time), these bound the memory.
struct RtfLimits {
    int maxGroupDepth = 1024;                   // deeper groups are read over, not shown
    qsizetype maxTextChars = 64 * 1024 * 1024;  // characters written into the document
    int maxPictures = 1024;
    qsizetype maxPictureBytes = 32 * 1024 * 1024;  // data of one picture
    qsizetype maxTotalPictureBytes = 128 * 1024 * 1024;
    // Pixels of all pictures, decoded at the size they are shown; a picture beyond it is left
    // out.
    qsizetype maxDecodedPictureBytes = picture::kDocumentPicturesBudgetBytes;
};

// True when the bytes begin with the RTF header "{\rtf".
bool looksLikeRtf(const QByteArray& bytes);

// Reads RTF bytes and appends their content to `document`: text with its character and
// paragraph formats, tables, pictures, list labels and field results; headers, footers,
// footnotes, document information and unknown \* groups are left out. Returns false, with
// the document untouched, when the bytes do not begin with "{\rtf"; any other damage is
// read over, so a file with that header always reads.
bool readRtf(const QByteArray& bytes, QTextDocument& document, const RtfLimits& limits = {});

}  // namespace zarovia::document
