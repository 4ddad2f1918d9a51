#include "Align.h"

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QWidget>

namespace zarovia::controls {

namespace {

constexpr const char* kAlignProperty = "zaroviaAlign";
constexpr const char* kFilterProperty = "zaroviaAlignFilter";

// Watches a parent for resizes and its aligned children for show and hide.
class AlignFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget) return false;
        switch (event->type()) {
            case QEvent::Resize:
            case QEvent::LayoutRequest:
                realign(widget);
                break;
            case QEvent::Show:
            case QEvent::Hide:
            case QEvent::ShowToParent:
            case QEvent::HideToParent:
                if (widget->parentWidget() && alignOf(widget) != Align::None)
                    realign(widget->parentWidget());
                break;
            default:
                break;
        }
        return false;
    }
};

void ensureFilter(QWidget* widget) {
    if (!widget || widget->property(kFilterProperty).toBool()) return;
    widget->installEventFilter(new AlignFilter(widget));
    widget->setProperty(kFilterProperty, true);
}

}  // namespace

Align alignOf(const QWidget* widget) {
    return static_cast<Align>(widget->property(kAlignProperty).toInt());
}

void setAlign(QWidget* widget, Align align) {
    widget->setProperty(kAlignProperty, static_cast<int>(align));
    ensureFilter(widget);
    if (QWidget* parent = widget->parentWidget()) {
        ensureFilter(parent);
        realign(parent);
    }
}

void realign(QWidget* parent) {
    QRect free = parent->contentsRect();
    const auto children = parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* child : children) {
        if (child->isWindow() || child->isHidden() || alignOf(child) != Align::Top) continue;
        child->setGeometry(free.left(), free.top(), free.width(), child->height());
        free.setTop(free.top() + child->height());
    }
    for (QWidget* child : children) {
        if (child->isWindow() || child->isHidden() || alignOf(child) != Align::Client) continue;
        child->setGeometry(free);
    }
}

}  // namespace zarovia::controls
