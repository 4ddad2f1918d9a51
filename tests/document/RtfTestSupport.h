#pragma once

#include "document/rtf/RtfReader.h"

#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextImageFormat>
#include <memory>

namespace zarovia::document::test {

inline std::unique_ptr<QTextDocument> readRtfText(const QByteArray& rtf,
                                                  const RtfLimits& limits = {}) {
    auto doc = std::make_unique<QTextDocument>();
    if (!readRtf(rtf, *doc, limits)) return nullptr;
    return doc;
}

// Text for comparing with expected text: pictures left out, every run of white space (line
// and paragraph breaks, tabs, no-break spaces) one blank, no blank at either end.
inline QString normalisedText(const QTextDocument& doc) {
    QString text = doc.toPlainText();
    text.remove(QChar::ObjectReplacementCharacter);
    text.replace(QChar(0x00A0), u' ');
    text.replace(QChar::LineSeparator, u' ');
    static const QRegularExpression spaces(QStringLiteral("\\s+"));
    text.replace(spaces, QStringLiteral(" "));
    return text.trimmed();
}

inline int imageCount(const QTextDocument& doc) {
    int count = 0;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().isImageFormat()) ++count;
        }
    }
    return count;
}

}  // namespace zarovia::document::test
