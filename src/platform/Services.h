#pragma once

#include "platform/FileSource.h"
#include "platform/PdfOutputName.h"
#include "platform/WindowSystem.h"

#include <QByteArray>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QWidget;
class QPrinter;

namespace zarovia::media {
class MediaDevice;
}

namespace zarovia {

// The error box: modal, titled "Zarovia", stop icon, one OK button.
class ErrorBox {
public:
    virtual ~ErrorBox() = default;
    virtual void show(QWidget* owner, const QString& text) = 0;
};

// The Open dialog: one file, the single filter that matches every file, starting at the name
// chosen before. Returns the chosen path, or nothing when cancelled.
class OpenDialog {
public:
    virtual ~OpenDialog() = default;
    virtual std::optional<QByteArray> chooseFile(QWidget* owner, const QByteArray& previous) = 0;
};

// The Print dialog: lets the user choose the printer and its settings for `printer`. Output to
// a PDF file proposes a file named after `files.printed`, never one of `files.viewed`. False
// when cancelled.
class PrintDialog {
public:
    virtual ~PrintDialog() = default;
    virtual bool choosePrinter(QWidget* owner, QPrinter& printer, const PrintedFiles& files) = 0;
};

// The one screen-wide mouse cursor: the default arrow or hidden.
class CursorOwner {
public:
    virtual ~CursorOwner() = default;
    virtual void setHidden(bool hidden) = 0;
    virtual bool isHidden() const = 0;
};

// The primary screen's size in pixels.
class ScreenInfo {
public:
    virtual ~ScreenInfo() = default;
    virtual QSize primaryScreenSize() const = 0;
};

// Everything the window reaches the platform through; tests put fakes here.
struct Services {
    std::unique_ptr<ErrorBox> errorBox;
    std::unique_ptr<OpenDialog> openDialog;
    std::unique_ptr<PrintDialog> printDialog;
    std::unique_ptr<CursorOwner> cursor;
    std::unique_ptr<ScreenInfo> screen;
    // Where files are read from (on worker threads).
    std::shared_ptr<const FileSource> files;
    // The window manager's side of full screen.
    std::unique_ptr<WindowSystem> windowSystem;
    // Makes the media device the player control owns: the engine's, or a fake in tests.
    std::function<std::unique_ptr<media::MediaDevice>()> mediaDevice;
    // Timers that tick only when a test fires them.
    bool manualTimers = false;
};

}  // namespace zarovia
