#pragma once

#include "picture/Picture.h"

#include <QWidget>
#include <functional>

namespace zarovia::picture {

// An image control holding a picture: drawn stretched to its own bounds, or at its natural
// size (centred when asked); with auto-size on it takes the picture's size. Transparent: it
// paints no background, so what lies behind shows where the picture draws nothing.
class ImageView : public QWidget {
    Q_OBJECT
public:
    explicit ImageView(QWidget* parent = nullptr);

    void setPicture(const picture::Picture& picture);
    const picture::Picture& picture() const { return picture_; }
    void setStretch(bool on);
    bool stretch() const { return stretch_; }
    void setCenter(bool on);
    void setAutoSize(bool on);
    bool autoSize() const { return autoSize_; }
    // Who makes the picture ready for a larger size than it was prepared for (a window grown,
    // full screen): the view hands it the picture and the device size, draws what the picture
    // has meanwhile, and repaints when refresh() is called. Without one, the view prepares the
    // picture itself before it draws.
    using Preparer = std::function<void(const picture::Picture&, QSize devicePixels)>;
    void setPreparer(Preparer preparer) { preparer_ = std::move(preparer); }
    // After a preparer has finished with `picture`: repaints if it is still the one shown.
    void refresh(const picture::Picture& picture);

signals:
    void mousePressed(Qt::MouseButton button);
    // After each paint of a picture.
    void painted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void applyAutoSize();
    void prepareFor(QSize devicePixels);

    picture::Picture picture_;
    bool stretch_ = false;
    bool center_ = false;
    bool autoSize_ = false;
    Preparer preparer_;
    // The picture whose preparation was asked of the preparer and not yet reported done.
    const picture::PictureData* askedFor_ = nullptr;
};

}  // namespace zarovia::picture
