#include "document/DocumentPrinting.h"

#include "platform/Failure.h"

#include <QAbstractTextDocumentLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <memory>
#include <vector>

namespace zarovia::document {

namespace {

bool invisibleOnPaper(const QTextCharFormat& format) {
    const QBrush brush = format.foreground();
    return brush.style() != Qt::NoBrush && brush.color().lightnessF() >= 0.94f;
}

// White text (the screen's plain-text colour) would vanish on white paper: it prints black.
void makeReadableOnPaper(QTextDocument& document) {
    struct Range {
        int start, length;
    };
    std::vector<Range> ranges;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.isValid() && invisibleOnPaper(fragment.charFormat())) {
                ranges.push_back({fragment.position(), fragment.length()});
            }
        }
    }
    QTextCharFormat black;
    black.setForeground(QColor(Qt::black));
    QTextCursor cursor(&document);
    for (const Range& r : ranges) {
        cursor.setPosition(r.start);
        cursor.setPosition(r.start + r.length, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(black);
    }
}

// Ends the painter on every way out, so the device's job is closed even after a failure.
class PainterGuard {
public:
    explicit PainterGuard(QPainter& painter) : painter_(painter) {}
    ~PainterGuard() {
        if (painter_.isActive()) painter_.end();
    }
    PainterGuard(const PainterGuard&) = delete;
    PainterGuard& operator=(const PainterGuard&) = delete;

private:
    QPainter& painter_;
};

}  // namespace

int printDocument(const QTextDocument& source, QPagedPaintDevice& device,
                  const std::function<void()>& abortJob) {
    if (device.paintingActive()) throw Failure(QStringLiteral("現在印刷中です"));
    const std::unique_ptr<QTextDocument> copy(source.clone());
    copy->setUndoRedoEnabled(false);
    makeReadableOnPaper(*copy);

    QPainter painter;
    if (!painter.begin(&device)) throw Failure(QStringLiteral("印刷を開始できません"));
    PainterGuard guard(painter);

    // Device pixels of the printable area; the painter's origin is its top-left corner.
    const QSizeF page(std::max(1, device.width()), std::max(1, device.height()));
    QAbstractTextDocumentLayout* layout = copy->documentLayout();
    layout->setPaintDevice(&device);
    copy->setDocumentMargin(0);
    copy->setPageSize(page);

    // The layout breaks pages where a line does not fit; each page starts with the first
    // character that did not fit on the one before. An empty document still has one page.
    const int pages = std::max(1, copy->pageCount());
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, Qt::black);
    try {
        for (int index = 0; index < pages; ++index) {
            if (index > 0 && !device.newPage())
                throw Failure(QStringLiteral("印刷を開始できません"));
            const QRectF view(0, index * page.height(), page.width(), page.height() - 1);
            painter.save();
            painter.translate(0, -view.top());
            painter.setClipRect(view);
            context.clip = view;
            layout->draw(&painter, context);
            painter.restore();
        }
    } catch (...) {
        if (abortJob) abortJob();
        throw;
    }
    painter.end();
    return pages;
}

int printDocumentToPdf(const QTextDocument& source, QPdfWriter& writer, const QString& title) {
    writer.setTitle(title);
    return printDocument(source, writer);
}

}  // namespace zarovia::document
