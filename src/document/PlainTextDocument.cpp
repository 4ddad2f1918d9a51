#include "document/PlainTextDocument.h"

#include "platform/Cancellation.h"

#include <QTextDocument>

namespace zarovia::document {

void setPlainTextInLineGroups(QTextDocument& document, QString text) {
    // One pass in place: CR LF shrinks to one break, and the breaks alternate between line
    // separators and block ends.
    qsizetype out = 0;
    int linesInBlock = 0;
    QChar* data = text.data();
    const qsizetype size = text.size();
    for (qsizetype in = 0; in < size; ++in) {
        if ((in & 0xFFFFF) == 0) checkpoint();  // every million characters
        QChar c = data[in];
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && in + 1 < size && data[in + 1] == u'\n') ++in;
            c = (++linesInBlock % kLinesPerBlock == 0) ? QChar(u'\n') : QChar(QChar::LineSeparator);
        }
        data[out++] = c;
    }
    text.truncate(out);
    document.setPlainText(text);
}

}  // namespace zarovia::document
