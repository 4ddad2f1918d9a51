// The floor for exec-to-picture: the least a Qt 6 widgets program can do to show a JPEG.
// One 640 x 480 window, the picture read by Qt's own reader (libjpeg-turbo through the jpeg
// plug-in) at the smallest DCT scale that still covers the window, fitted with its proportions
// kept, centred on black. No tool bar, no fonts, no threads.
//   reference_viewer FILE
#include <QApplication>
#include <QImageReader>
#include <QPainter>
#include <QWidget>

namespace {

class PictureWidget : public QWidget {
public:
    explicit PictureWidget(QImage image) : image_(std::move(image)) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        if (image_.isNull()) return;
        const QSize shown = image_.size().width() <= width() && image_.size().height() <= height()
                                ? image_.size()
                                : image_.size().scaled(size(), Qt::KeepAspectRatio);
        const QRect target(QPoint((width() - shown.width()) / 2, (height() - shown.height()) / 2),
                           shown);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, image_);
    }

private:
    QImage image_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QImage image;
    if (argc > 1) {
        QImageReader reader(QString::fromLocal8Bit(argv[1]));
        // The jpeg plug-in decodes at a DCT scale when asked for a smaller size.
        const QSize natural = reader.size();
        if (natural.width() > 640 || natural.height() > 480)
            reader.setScaledSize(natural.scaled(640, 480, Qt::KeepAspectRatio));
        image = reader.read();
    }
    PictureWidget window(image);
    window.resize(640, 480);
    window.show();
    return QApplication::exec();
}
