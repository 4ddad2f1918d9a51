#include "window/QtServices.h"

#include "media/engine/MediaEngineLoader.h"
#include "platform/CodePage.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/X11WindowSystem.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

namespace zarovia {

namespace {

class QtErrorBox : public ErrorBox {
public:
    void show(QWidget* owner, const QString& text) override {
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Zarovia"), text, QMessageBox::Ok,
                        owner);
        box.setObjectName(QStringLiteral("ErrorBox"));
        box.exec();
    }
};

// Keeps at most one override cursor pushed, as Qt's override cursors stack.
class AppCursor : public CursorOwner {
public:
    ~AppCursor() override {
        if (hidden_ && qApp) QGuiApplication::restoreOverrideCursor();
    }
    void setHidden(bool hidden) override {
        if (hidden == hidden_) return;
        hidden_ = hidden;
        if (hidden)
            QGuiApplication::setOverrideCursor(Qt::BlankCursor);
        else
            QGuiApplication::restoreOverrideCursor();
    }
    bool isHidden() const override { return hidden_; }

private:
    bool hidden_ = false;
};

class PrimaryScreen : public ScreenInfo {
public:
    QSize primaryScreenSize() const override {
        const QScreen* screen = QGuiApplication::primaryScreen();
        return screen ? screen->size() : QSize(640, 480);
    }
};

}  // namespace

Services qtServices() {
    Services s;
    s.errorBox = std::make_unique<QtErrorBox>();
    s.openDialog = std::make_unique<QtOpenDialog>();
    s.printDialog = std::make_unique<QtPrintDialog>();
    s.cursor = std::make_unique<AppCursor>();
    s.screen = std::make_unique<PrimaryScreen>();
    s.mediaDevice = [] { return createEngineMediaDevice(); };
    s.files = systemFileSource();
    s.windowSystem = platformWindowSystem();
    return s;
}

}  // namespace zarovia
