#pragma once

#include <QToolButton>

class QAction;

namespace zarovia::controls {

// A tool button linked to a command: it takes the command's hint and enabled state and runs
// the command when pressed. Its glyph is its own, so a button can show another glyph than
// its command (the full-screen buttons do).
class CommandButton : public QToolButton {
    Q_OBJECT
public:
    CommandButton(QAction* command, const QIcon& glyph, QWidget* parent);
    QAction* command() const { return command_; }
    void setGlyph(const QIcon& glyph, int index);
    int glyphIndex() const { return glyphIndex_; }

private:
    void syncFromCommand();

    QAction* command_;
    int glyphIndex_ = -1;
};

// A thin separator line between groups of tool buttons.
class ToolSeparator : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace zarovia::controls
