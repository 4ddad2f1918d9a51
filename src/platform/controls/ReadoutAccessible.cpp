#include "platform/controls/ReadoutAccessible.h"

#include "platform/controls/Panel.h"

#include <QAccessibleWidget>
#include <QFontMetrics>
#include <algorithm>

namespace zarovia::controls {

namespace {

class ReadoutAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit ReadoutAccessible(Panel* panel) : QAccessibleWidget(panel, QAccessible::StaticText) {}

    QString text(QAccessible::Text kind) const override {
        switch (kind) {
            case QAccessible::Name:
                return panel()->accessibleName();
            case QAccessible::Value:
                return panel()->caption();
            case QAccessible::Description:
                return panel()->toolTip();
            default:
                return QAccessibleWidget::text(kind);
        }
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    // The caption as read-only text without a selection or a cursor.
    QString text(int startOffset, int endOffset) const override {
        const QString caption = panel()->caption();
        startOffset = std::clamp(startOffset, 0, int(caption.size()));
        endOffset = std::clamp(endOffset, startOffset, int(caption.size()));
        return caption.mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(panel()->caption().size()); }
    void selection(int, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = 0;
    }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QRect characterRect(int offset) const override {
        const QString caption = panel()->caption();
        if (offset < 0 || offset >= caption.size()) return {};
        // Where the centred caption sets the character, on the screen.
        const QFontMetrics metrics(panel()->font());
        const QRect area = panel()->contentsRect();
        const int left = area.left() + (area.width() - metrics.horizontalAdvance(caption)) / 2;
        const QRect box(left + metrics.horizontalAdvance(caption.left(offset)),
                        area.top() + (area.height() - metrics.height()) / 2,
                        metrics.horizontalAdvance(caption.at(offset)), metrics.height());
        return QRect(panel()->mapToGlobal(box.topLeft()), box.size());
    }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* startOffset, int* endOffset) const override {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }

private:
    Panel* panel() const { return static_cast<Panel*>(widget()); }
};

QAccessibleInterface* readoutFactory(const QString&, QObject* object) {
    auto* panel = qobject_cast<Panel*>(object);
    return panel && panel->isReadout() ? new ReadoutAccessible(panel) : nullptr;
}

}  // namespace

void installReadoutAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(readoutFactory);
        return true;
    }();
    (void)installed;
}

}  // namespace zarovia::controls
