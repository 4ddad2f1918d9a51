#pragma once

#include <QImage>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <vector>

class QTextDocument;
class QTextTable;

namespace zarovia::document::rtf {

// The cell boundaries of the row being defined (\trowd, \trleft, \cellx), in twips.
struct RowDefinition {
    int left = 0;
    std::vector<int> cellRight;
};

// Writes text, paragraphs, pictures and tables into a QTextDocument through one cursor. Text
// of one format is gathered and inserted in one piece. Tables are a stack: a paragraph's
// requested depth opens, continues or closes them.
class DocumentWriter {
public:
    static constexpr int kMaxTableDepth = 8;
    static constexpr int kMaxColumns = 64;
    static constexpr qsizetype kMaxTableCells = 100000;
    static constexpr int kRowBatch = 256;

    DocumentWriter(QTextDocument& document, qsizetype maxTextChars);

    // `number` tells formats apart: the same number is the same format.
    void setCharFormat(const QTextCharFormat& format, int number);
    void appendText(QStringView text);
    void endParagraph(const QTextBlockFormat& format);
    void requestPageBreak() { pageBreakBefore_ = true; }
    void insertImage(const QImage& image, QSizeF displaySize);

    void ensureTableDepth(int depth);
    void endCell(int depth, const QTextBlockFormat& format);
    void endRow(int depth, const RowDefinition& row);

    // Sets the last paragraph's format and closes open tables.
    void finish(const QTextBlockFormat& format);

    bool textLimitReached() const noexcept { return written_ >= maxTextChars_; }

private:
    struct OpenTable {
        QTextTable* table = nullptr;
        int row = 0;
        int column = 0;
        bool cellPending = false;  // the cursor moves to `column` when content arrives
        bool rowClosed = false;    // the next content starts a new row
    };

    void flush();
    void applyBlockFormat(const QTextBlockFormat& format);
    void openTable();
    void closeInnermostTable();
    void enterPendingCell(OpenTable& open);
    void setColumnWidths(OpenTable& open, const RowDefinition& row);

    QTextDocument& document_;
    QTextCursor cursor_;
    QTextCharFormat format_;
    int formatNumber_ = -1;
    QString pending_;
    qsizetype written_ = 0;
    qsizetype maxTextChars_;
    qsizetype tableCells_ = 0;
    int imageCount_ = 0;
    bool pageBreakBefore_ = false;
    std::vector<OpenTable> tables_;
};

}  // namespace zarovia::document::rtf
