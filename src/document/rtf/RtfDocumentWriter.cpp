#include "document/rtf/RtfDocumentWriter.h"

#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextTable>
#include <QUrl>
#include <algorithm>

namespace zarovia::document::rtf {

namespace {

// Characters that would change the document's structure if inserted as text (block and
// frame separators, the object marker) or that have no glyph (C0 controls).
bool needsFiltering(char16_t c) {
    return (c < 0x20 && c != u'\t') || c == 0x2029 || c == 0xFFFC || c == 0xFDD0 || c == 0xFDD1;
}

QTextTableFormat tableFormat() {
    QTextTableFormat format;
    format.setBorder(1);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setBorderCollapse(true);
    format.setCellPadding(2);
    format.setCellSpacing(0);
    format.setMargin(0);
    return format;
}

}  // namespace

DocumentWriter::DocumentWriter(QTextDocument& document, qsizetype maxTextChars)
    : document_(document), cursor_(&document), maxTextChars_(maxTextChars) {
    cursor_.movePosition(QTextCursor::End);
    // One edit for the whole reading: the cursor then skips re-laying out the block after
    // every insertion, and the document reports one change at the end.
    cursor_.beginEditBlock();
}

void DocumentWriter::setCharFormat(const QTextCharFormat& format, int number) {
    if (number == formatNumber_) return;
    flush();
    format_ = format;
    formatNumber_ = number;
}

void DocumentWriter::appendText(QStringView text) {
    if (text.isEmpty() || textLimitReached()) return;
    if (text.size() > maxTextChars_ - written_) text = text.first(maxTextChars_ - written_);
    written_ += text.size();
    const bool clean =
        std::none_of(text.begin(), text.end(), [](QChar c) { return needsFiltering(c.unicode()); });
    if (clean) {
        pending_ += text;
        return;
    }
    for (QChar c : text) {
        if (!needsFiltering(c.unicode())) {
            pending_ += c;
        } else if (c.unicode() >= 0xFDD0) {
            pending_ += QChar(QChar::ReplacementCharacter);
        }
    }
}

void DocumentWriter::flush() {
    if (pending_.isEmpty()) return;
    cursor_.insertText(pending_, format_);
    pending_.clear();
}

void DocumentWriter::applyBlockFormat(const QTextBlockFormat& format) {
    if (pageBreakBefore_) {
        QTextBlockFormat withBreak = format;
        withBreak.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        cursor_.setBlockFormat(withBreak);
        pageBreakBefore_ = false;
    } else {
        cursor_.setBlockFormat(format);
    }
}

void DocumentWriter::endParagraph(const QTextBlockFormat& format) {
    flush();
    if (textLimitReached()) return;
    ++written_;
    applyBlockFormat(format);
    cursor_.insertBlock(format, format_);
}

void DocumentWriter::insertImage(const QImage& image, QSizeF displaySize) {
    if (image.isNull() || textLimitReached()) return;
    flush();
    ++written_;
    const QUrl name(QStringLiteral("rtfpicture:%1").arg(++imageCount_));
    document_.addResource(QTextDocument::ImageResource, name, image);
    QTextImageFormat format;
    format.merge(format_);
    format.setName(name.toString());
    format.setWidth(displaySize.width());
    format.setHeight(displaySize.height());
    cursor_.insertImage(format);
}

void DocumentWriter::ensureTableDepth(int depth) {
    depth = std::clamp(depth, 0, kMaxTableDepth);
    const int open = static_cast<int>(tables_.size());
    const bool innermostSettled =
        tables_.empty() || (!tables_.back().cellPending && !tables_.back().rowClosed);
    const bool cannotOpenMore = open < depth && tableCells_ >= kMaxTableCells;
    // Most calls change nothing; they must not break the gathering of text.
    if (innermostSettled && (open == depth || cannotOpenMore)) return;
    flush();
    while (static_cast<int>(tables_.size()) > depth) closeInnermostTable();
    if (!tables_.empty()) enterPendingCell(tables_.back());
    while (static_cast<int>(tables_.size()) < depth && tableCells_ < kMaxTableCells) openTable();
}

void DocumentWriter::openTable() {
    QTextTable* table = cursor_.insertTable(1, 1, tableFormat());
    ++tableCells_;
    tables_.push_back(OpenTable{table});
    cursor_ = table->cellAt(0, 0).firstCursorPosition();
}

void DocumentWriter::closeInnermostTable() {
    const OpenTable open = tables_.back();
    tables_.pop_back();
    // Rows of the last batch that no content reached.
    if (open.table->rows() > open.row + 1) {
        open.table->removeRows(open.row + 1, open.table->rows() - open.row - 1);
    }
    // The block right after the table's frame.
    cursor_.setPosition(open.table->lastPosition() + 1);
}

void DocumentWriter::enterPendingCell(OpenTable& open) {
    QTextTable* table = open.table;
    if (open.rowClosed) {
        open.rowClosed = false;
        if (tableCells_ + table->columns() > kMaxTableCells) {
            // Too many cells: the rest goes into the last cell as paragraphs.
            open.cellPending = false;
            cursor_ = table->cellAt(open.row, table->columns() - 1).lastCursorPosition();
            ++written_;
            cursor_.insertBlock();
            return;
        }
        // Rows are added in growing batches: every insertion makes the table rebuild its
        // cell grid, so one row at a time would cost time in the square of the row count.
        if (open.row + 1 >= table->rows()) {
            table->appendRows(std::clamp(table->rows(), 1, kRowBatch));
        }
        tableCells_ += table->columns();
        ++open.row;
        open.column = 0;
        open.cellPending = true;
    }
    if (!open.cellPending) return;
    open.cellPending = false;
    if (open.column >= table->columns()) {
        if (table->columns() < kMaxColumns && tableCells_ + table->rows() <= kMaxTableCells) {
            table->appendColumns(open.column + 1 - table->columns());
            tableCells_ += table->rows();
        } else {
            open.column = table->columns() - 1;
            cursor_ = table->cellAt(open.row, open.column).lastCursorPosition();
            ++written_;
            cursor_.insertBlock();
            return;
        }
    }
    cursor_ = table->cellAt(open.row, open.column).firstCursorPosition();
}

void DocumentWriter::endCell(int depth, const QTextBlockFormat& format) {
    ensureTableDepth(depth);
    if (static_cast<int>(tables_.size()) < std::clamp(depth, 0, kMaxTableDepth) ||
        tables_.empty()) {
        endParagraph(format);
        return;
    }
    applyBlockFormat(format);
    OpenTable& open = tables_.back();
    open.column = std::min(open.column + 1, kMaxColumns);
    open.cellPending = true;
}

void DocumentWriter::endRow(int depth, const RowDefinition& row) {
    flush();
    depth = std::clamp(depth, 1, kMaxTableDepth);
    while (static_cast<int>(tables_.size()) > depth) closeInnermostTable();
    if (static_cast<int>(tables_.size()) != depth) return;
    OpenTable& open = tables_.back();
    if (open.rowClosed) return;
    setColumnWidths(open, row);
    open.rowClosed = true;
    open.cellPending = false;
}

void DocumentWriter::setColumnWidths(OpenTable& open, const RowDefinition& row) {
    const int columns = open.table->columns();
    if (static_cast<int>(row.cellRight.size()) != columns) return;
    QList<QTextLength> widths;
    int left = row.left;
    for (int right : row.cellRight) {
        // Twips to pixels at 96 dpi.
        const double width = std::max(1, right - left) / 15.0;
        widths.append(QTextLength(QTextLength::FixedLength, width));
        left = std::max(left, right);
    }
    QTextTableFormat format = open.table->format();
    if (format.columnWidthConstraints() == widths) return;
    format.setColumnWidthConstraints(widths);
    open.table->setFormat(format);
}

void DocumentWriter::finish(const QTextBlockFormat& format) {
    flush();
    applyBlockFormat(format);
    while (!tables_.empty()) closeInnermostTable();
    cursor_.endEditBlock();
}

}  // namespace zarovia::document::rtf
