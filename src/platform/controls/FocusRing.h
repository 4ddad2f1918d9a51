#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace zarovia::controls {

// Shows where the keyboard focus is: a ring in the palette's highlight colour drawn just inside
// the bounds of the control that has the focus, over whatever the style draws there (a dark
// field, a document), so it is visible in every style and colour scheme. It follows the focus
// among the controls of one window that Tab reaches.
class FocusRing : public QObject {
    Q_OBJECT
public:
    static constexpr int kWidth = 2;

    explicit FocusRing(QWidget* window);
    // The control the ring is drawn on; null when the focus is elsewhere.
    QWidget* control() const { return control_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void follow(QWidget* control);
    // Where the control's pixels are painted: a scrolling control's viewport covers it.
    static QWidget* surfaceOf(QWidget* control);

    QWidget* window_;
    QPointer<QWidget> control_;
    QPointer<QWidget> surface_;
};

}  // namespace zarovia::controls
