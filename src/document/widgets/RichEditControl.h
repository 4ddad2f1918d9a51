#pragma once

#include <QColor>
#include <QKeySequence>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTextEdit>
#include <memory>

namespace zarovia::document {

// The document pane's edit control: shows rich text, plain text and hex dumps. The user may
// type into it, but nothing is ever saved. It takes no drops (they reach the window), has no
// context menu of its own, and lets the window's command shortcuts win over its own keys.
class RichEditControl : public QTextEdit {
    Q_OBJECT

public:
    // The most a file loaded by name or the appended lines may hold.
    static constexpr qint64 kDefaultMaxBytes = 64LL * 1024 * 1024;

    explicit RichEditControl(QWidget* parent = nullptr);

    // Removes all text and resets the modified mark.
    void clearAll();
    // The character format of text without a format of its own (plain text, appended lines).
    // The font family may be a name the application substitutes ("FixedSys"); without the
    // substitution a fixed-pitch fallback is used.
    void setDefaultFormat(const QString& family, int pointSize, const QColor& color);
    // Decides how loadFromFile reads a file: as plain text (on) or as rich text (off).
    void setPlainTextMode(bool plain) { plainTextMode_ = plain; }
    bool plainTextMode() const noexcept { return plainTextMode_; }
    void setBackground(const QColor& color);

    // Reads the whole file. Rich: RTF; a file the RTF reader rejects is read again as plain
    // text. Plain: decoded as UTF-8 when valid, else CP932. Throws zarovia::Failure: the file
    // cannot be opened ("ファイル "%s". %s は開けません"), or it is larger than the cap
    // ("ストリームからの読み込みに失敗しました").
    void loadFromFile(const QByteArray& path);
    // The loading step itself, for bytes already read.
    void loadBytes(const QByteArray& bytes);

    // What loadFromFile builds from the file's bytes, as a document with no parent, so that
    // it can be built on a worker thread and handed to adoptDocument() on the window's. Plain:
    // decoded text; rich: RTF, or plain text when the reader rejects it. Throws
    // zarovia::Failure("ストリームからの読み込みに失敗しました") past `maxBytes`.
    static std::unique_ptr<QTextDocument> buildDocument(const QByteArray& bytes, bool plainText,
                                                        const QFont& defaultFont, qint64 maxBytes);
    // Shows a document built by buildDocument (which must live in this control's thread by
    // now); the control owns it.
    void adoptDocument(std::unique_ptr<QTextDocument> document);
    const QFont& defaultFont() const noexcept { return defaultFont_; }
    qint64 maxBytes() const noexcept { return maxBytes_; }
    static const QString& readFailedText();

    // The whole text becomes `text`, in the default format.
    void setDocumentText(const QString& text);
    // Appends the line and a line break at the end. Past the cap on the total size throws
    // zarovia::Failure("RichEdit での行の挿入エラー") and appends nothing.
    void appendLine(const QString& line);
    // Appends several lines in one edit, with the same cap.
    void appendLines(const QStringList& lines);

    // Key sequences (single chords) for which the control gives way to the window's actions.
    void setCommandShortcuts(const QList<QKeySequence>& shortcuts) {
        commandShortcuts_ = shortcuts;
    }
    const QList<QKeySequence>& commandShortcuts() const noexcept { return commandShortcuts_; }

    // For tests: the caps on loaded bytes and on appended text.
    void setMaxBytes(qint64 bytes) { maxBytes_ = bytes; }

protected:
    // The window's command shortcuts win over the control's own keys; with tabChangesFocus, Tab
    // never types a tab.
    bool event(QEvent* event) override;

private:
    QTextDocument* freshDocument();
    void adopt(QTextDocument* document);

    QFont defaultFont_;
    QColor textColor_ = Qt::white;
    bool plainTextMode_ = true;
    qint64 maxBytes_ = kDefaultMaxBytes;
    QList<QKeySequence> commandShortcuts_;
};

}  // namespace zarovia::document
