#pragma once

#include "media/MediaDevice.h"

#include <QImage>
#include <QWidget>

namespace zarovia::media {

// The black panel a video is drawn in: the latest frame, smoothly scaled into the display
// rectangle. Mouse presses are passed on as a signal (the window reacts to the right button).
class DisplayPanel : public QWidget, public VideoOutput {
    Q_OBJECT
public:
    explicit DisplayPanel(QWidget* parent = nullptr);

    void presentFrame(const QImage& frame) override;
    void setDisplayRect(const QRect& rect) override;
    void clearVideo() override;

    const QImage& currentFrame() const { return frame_; }
    QRect displayRect() const { return displayRect_; }
    // Where the current frame is drawn, in the panel's coordinates.
    QRect frameTarget() const;
    long long framesPresented() const { return framesPresented_; }

signals:
    void mousePressed(Qt::MouseButton button, QPoint position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QImage frame_;
    QRect displayRect_;
    long long framesPresented_ = 0;
};

}  // namespace zarovia::media
