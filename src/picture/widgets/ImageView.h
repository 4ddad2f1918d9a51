#pragma once

#include "picture/Picture.h"

#include <QWidget>

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

signals:
    void mousePressed(Qt::MouseButton button);
    // After each paint of a picture.
    void painted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void applyAutoSize();

    picture::Picture picture_;
    bool stretch_ = false;
    bool center_ = false;
    bool autoSize_ = false;
};

}  // namespace zarovia::picture
