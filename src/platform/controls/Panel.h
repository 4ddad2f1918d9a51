#pragma once

#include <QColor>
#include <QFrame>

class QPainter;

namespace zarovia::controls {

// A panel: a filled rectangle with an optional bevel and a centred caption, which reports
// mouse presses with the button pressed.
class Panel : public QFrame {
    Q_OBJECT
public:
    enum class Bevel { None, Raised, Lowered, Single };

    explicit Panel(QWidget* parent = nullptr);
    void setColor(const QColor& color);
    QColor color() const;
    void setFontColor(const QColor& color);
    void setBevel(Bevel bevel);
    void setCaption(const QString& caption);
    QString caption() const { return caption_; }
    void setCaptionAlignment(Qt::Alignment alignment);
    // A readout shows a value in its caption (the picture counter, the size readout): assistive
    // tools read it as a label holding that text, under the panel's accessible name. Other
    // panels hold controls.
    void setReadout(bool readout);
    bool isReadout() const { return readout_; }

signals:
    void mousePressed(Qt::MouseButton button);

protected:
    void paintEvent(QPaintEvent* event) override;
    // Draws the caption inside the bevel; a panel may set its text another way.
    virtual void paintCaption(QPainter& painter, const QRect& rect, Qt::Alignment alignment,
                              const QString& caption, const QColor& colour);
    void mousePressEvent(QMouseEvent* event) override;

private:
    QString caption_;
    Qt::Alignment captionAlignment_ = Qt::AlignCenter;
    bool readout_ = false;
};

}  // namespace zarovia::controls
