#include "window/DisplayColourWatch.h"

#include "picture/colour/DisplayColour.h"
#include "platform/qt/X11DisplayProfiles.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace zarovia::window {

using picture::colour::ColourProfile;

DisplayColourWatch::DisplayColourWatch(QWidget* window, std::function<void()> changed)
    : window_(window), changed_(std::move(changed)) {
    if (QWindow* handle = window->windowHandle())
        connect(handle, &QWindow::screenChanged, this, &DisplayColourWatch::choose);
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return;
    profiles_ = std::make_unique<platform::X11DisplayProfiles>(
        [this](const std::vector<QByteArray>& bytes) {
            // Checked here, off the window's thread: a broken profile is no profile.
            std::vector<ColourProfile> byScreen;
            for (const QByteArray& icc : bytes) {
                ColourProfile profile = ColourProfile::fromIcc(icc);
                if (profile.model() != picture::colour::ColourModel::Rgb) profile = {};
                byScreen.push_back(std::move(profile));
            }
            QMetaObject::invokeMethod(
                this, [this, byScreen = std::move(byScreen)] { apply(byScreen); },
                Qt::QueuedConnection);
        });
}

DisplayColourWatch::~DisplayColourWatch() = default;

void DisplayColourWatch::apply(std::vector<ColourProfile> byScreen) {
    byScreen_ = std::move(byScreen);
    choose();
}

void DisplayColourWatch::choose() {
    if (!window_) return;
    // Screens are numbered as Qt lists them, the first being the one _ICC_PROFILE describes.
    const qsizetype index = QGuiApplication::screens().indexOf(window_->screen());
    const ColourProfile profile = index >= 0 && index < static_cast<qsizetype>(byScreen_.size())
                                      ? byScreen_[index]
                                      : ColourProfile();
    if (picture::colour::setDisplayProfile(profile) && changed_) changed_();
}

}  // namespace zarovia::window
