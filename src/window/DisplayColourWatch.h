#pragma once

#include "picture/colour/ColourProfile.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

class QWidget;

namespace zarovia::platform {
class X11DisplayProfiles;
}

namespace zarovia::window {

// Keeps the pictures' destination colour space (picture/colour/DisplayColour) on the profile
// of the screen the window is on: the profiles X11 publishes are read at start and whenever
// they change (on the watcher's thread, where they are also checked by Little CMS), and the
// window's screen is followed. sRGB where there is none, and on platforms other than X11.
class DisplayColourWatch : public QObject {
    Q_OBJECT
public:
    // `changed` runs on the window's thread after the display's profile has changed: the
    // pictures shown are made again for it.
    DisplayColourWatch(QWidget* window, std::function<void()> changed);
    ~DisplayColourWatch() override;

private:
    void apply(std::vector<picture::colour::ColourProfile> byScreen);
    void choose();

    QPointer<QWidget> window_;
    std::function<void()> changed_;
    std::vector<picture::colour::ColourProfile> byScreen_;
    std::unique_ptr<platform::X11DisplayProfiles> profiles_;
};

}  // namespace zarovia::window
