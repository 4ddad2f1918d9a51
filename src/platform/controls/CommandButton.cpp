#include "CommandButton.h"

#include <QAction>
#include <QPainter>

namespace zarovia::controls {

CommandButton::CommandButton(QAction* command, const QIcon& glyph, QWidget* parent)
    : QToolButton(parent), command_(command) {
    setAutoRaise(true);
    setFocusPolicy(Qt::NoFocus);
    setIcon(glyph);
    setIconSize(QSize(16, 16));
    connect(this, &QToolButton::clicked, command_, &QAction::trigger);
    connect(command_, &QAction::changed, this, &CommandButton::syncFromCommand);
    syncFromCommand();
}

void CommandButton::setGlyph(const QIcon& glyph, int index) {
    setIcon(glyph);
    glyphIndex_ = index;
}

void CommandButton::syncFromCommand() {
    setEnabled(command_->isEnabled());
    setToolTip(command_->toolTip());
    setAccessibleName(command_->toolTip().isEmpty() ? command_->objectName() : command_->toolTip());
}

void ToolSeparator::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int x = width() / 2;
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(x - 1, 2, x - 1, height() - 3);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawLine(x, 2, x, height() - 3);
}

}  // namespace zarovia::controls
