#include "document/widgets/RichEditControl.h"

#include "document/PlainTextDocument.h"
#include "document/rtf/RtfReader.h"
#include "platform/CodePage.h"
#include "platform/FileAccess.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace zarovia::document {

namespace {

const QString kReadFailedText = QStringLiteral("ストリームからの読み込みに失敗しました");
const QString kInsertFailedText = QStringLiteral("RichEdit での行の挿入エラー");

}  // namespace

RichEditControl::RichEditControl(QWidget* parent) : QTextEdit(parent) {
    setAcceptDrops(false);
    viewport()->setAcceptDrops(false);
    // No menu of its own; a right click goes to the pane beneath.
    setContextMenuPolicy(Qt::NoContextMenu);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setUndoRedoEnabled(false);
    setAcceptRichText(false);
    setDefaultFormat(QStringLiteral("FixedSys"), 12, Qt::white);
}

void RichEditControl::clearAll() {
    adopt(freshDocument());
    document()->setModified(false);
}

void RichEditControl::setDefaultFormat(const QString& family, int pointSize, const QColor& color) {
    defaultFont_ = QFont(family, pointSize);
    // Fixed pitch when the family is unknown and no substitution names a real font.
    defaultFont_.setStyleHint(QFont::TypeWriter);
    textColor_ = color;
    document()->setDefaultFont(defaultFont_);
    QPalette p = palette();
    p.setColor(QPalette::Text, textColor_);
    setPalette(p);
    QTextCharFormat format;
    format.setFont(defaultFont_);
    setCurrentCharFormat(format);
}

void RichEditControl::setBackground(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::Base, color);
    setPalette(p);
}

QTextDocument* RichEditControl::freshDocument() {
    auto* doc = new QTextDocument(this);
    doc->setUndoRedoEnabled(false);
    doc->setDefaultFont(defaultFont_);
    return doc;
}

// Builds are done on a document that no view is attached to, so the view lays it out once.
// The previous document is a child of the control, so setDocument deletes it.
void RichEditControl::adopt(QTextDocument* doc) {
    setDocument(doc);
    moveCursor(QTextCursor::Start);
}

void RichEditControl::loadFromFile(const QByteArray& path) {
    loadBytes(readWholeFile(path, maxBytes_, kReadFailedText));
}

void RichEditControl::loadBytes(const QByteArray& bytes) {
    adoptDocument(buildDocument(bytes, plainTextMode_, defaultFont_, maxBytes_));
}

std::unique_ptr<QTextDocument> RichEditControl::buildDocument(const QByteArray& bytes,
                                                              bool plainText,
                                                              const QFont& defaultFont,
                                                              qint64 maxBytes) {
    if (bytes.size() > maxBytes) throw Failure(kReadFailedText);
    auto doc = std::make_unique<QTextDocument>();
    doc->setUndoRedoEnabled(false);
    doc->setDefaultFont(defaultFont);
    if (plainText || !readRtf(bytes, *doc)) {
        // A file the RTF reader rejects is read again from its start as plain text.
        setPlainTextInLineGroups(*doc, decodeDocumentText(bytes));
    }
    doc->setModified(false);
    return doc;
}

void RichEditControl::adoptDocument(std::unique_ptr<QTextDocument> document) {
    QTextDocument* doc = document.release();
    doc->setParent(this);
    adopt(doc);
}

const QString& RichEditControl::readFailedText() {
    return kReadFailedText;
}

void RichEditControl::setDocumentText(const QString& text) {
    QTextDocument* doc = freshDocument();
    setPlainTextInLineGroups(*doc, text);
    adopt(doc);
}

void RichEditControl::appendLine(const QString& line) {
    appendLines(QStringList{line});
}

void RichEditControl::appendLines(const QStringList& lines) {
    qint64 added = 0;
    for (const QString& line : lines) added += line.size() + 1;
    if (document()->characterCount() + added > maxBytes_) throw Failure(kInsertFailedText);
    QString text;
    text.reserve(static_cast<qsizetype>(added));
    for (const QString& line : lines) {
        text += line;
        text += u'\n';
    }
    if (document()->isEmpty()) {
        // After a clear, the lines are built on a document no view is attached to yet.
        QTextDocument* doc = freshDocument();
        QTextCursor(doc).insertText(text);
        adopt(doc);
        return;
    }
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
}

bool RichEditControl::event(QEvent* e) {
    if (e->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(e);
        const QKeySequence pressed(key->keyCombination());
        for (const QKeySequence& shortcut : commandShortcuts_) {
            if (shortcut.count() == 1 && shortcut[0] == pressed[0]) {
                // Not accepted: the shortcut system fires the window's action.
                e->ignore();
                return true;
            }
        }
    }
    if (e->type() == QEvent::KeyPress && tabChangesFocus()) {
        // Tab moves the keyboard on; with nowhere else to go it stays here and types nothing.
        const auto* key = static_cast<QKeyEvent*>(e);
        const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
        if (tab && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            focusNextPrevChild(key->key() == Qt::Key_Tab &&
                               !(key->modifiers() & Qt::ShiftModifier));
            return true;
        }
    }
    return QTextEdit::event(e);
}

}  // namespace zarovia::document
