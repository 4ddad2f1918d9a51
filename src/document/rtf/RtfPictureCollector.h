#pragma once

#include "document/rtf/RtfControlWords.h"
#include "document/rtf/RtfPicture.h"
#include "document/rtf/RtfReader.h"
#include "picture/MemoryBudget.h"

#include <QByteArray>
#include <QImage>
#include <QSizeF>
#include <optional>
#include <string_view>

namespace zarovia::document::rtf {

struct DecodedPicture {
    QImage image;
    QSizeF shownSize;  // pixels at 96 dpi
};

// Gathers one \pict group: its format and size words and its data, as hexadecimal text or
// \bin bytes, within the limits on one picture, on all pictures and on their count, and
// decodes it at the size it is shown within the document's budget for decoded pictures.
class PictureCollector {
public:
    explicit PictureCollector(const RtfLimits& limits)
        : limits_(limits), decodedBudget_(limits.maxDecodedPictureBytes) {}

    void start();
    void setProperty(Word word, int parameter);
    void appendHex(std::string_view text);
    void appendData(std::string_view bytes);
    // The decoded picture with the size it is shown at; nothing when the data is missing,
    // over a limit, or not decodable.
    std::optional<DecodedPicture> finish();

private:
    bool roomFor(qsizetype bytes);

    RtfLimits limits_;
    PictureFormat format_ = PictureFormat::Unknown;
    int width_ = 0, height_ = 0;          // \picw, \pich: pixels, or 0.01 mm for metafiles
    int goalWidth_ = 0, goalHeight_ = 0;  // twips
    int scaleX_ = 100, scaleY_ = 100;     // percent
    QByteArray data_;
    int nibble_ = -1;  // the first hex digit of a pair
    bool tooLarge_ = false;
    int count_ = 0;
    qsizetype totalBytes_ = 0;
    picture::BudgetAccount decodedBudget_;  // pixels of every picture kept so far
};

}  // namespace zarovia::document::rtf
