#pragma once

#include "media/MediaDevice.h"
#include "media/PlayerButtons.h"

#include <QByteArray>
#include <QWidget>
#include <functional>
#include <memory>

class QToolButton;

namespace zarovia::media {

class DisplayPanel;

// The player control: a small bar of Play and Stop buttons bound to one media device, which
// it owns and keeps open from one file to the next. Requests that need a device fail with
// the no-device text (zarovia::Failure). Failures inside a button's action never leave the
// control: they go to the guard the window installs (its error box). Opening is asynchronous:
// while a file opens, Play and Stop decide whether it plays once it is open.
class MediaPlayerControl : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize kDefaultSize{57, 26};

    // Runs when a button is released, before its action; clearing `doDefault` skips it.
    using ClickHandler = std::function<void(PlayerButton button, bool& doDefault)>;
    // Runs a piece of work and reports any failure it throws (the window's error box).
    using Guard = std::function<void(const std::function<void()>& work)>;

    explicit MediaPlayerControl(std::unique_ptr<MediaDevice> device, QWidget* parent = nullptr);
    ~MediaPlayerControl() override;

    MediaDevice& device() { return *device_; }
    const MediaDevice& device() const { return *device_; }

    // Properties
    PlayerButtonSet visibleButtons() const { return buttons_.visibleButtons(); }
    void setVisibleButtons(PlayerButtonSet set);
    PlayerButtonSet enabledButtons() const { return buttons_.enabledButtons(); }
    void setEnabledButtons(PlayerButtonSet set);
    bool autoEnable() const { return buttons_.autoEnable(); }
    void setAutoEnable(bool on);
    bool autoRewind() const { return autoRewind_; }
    void setAutoRewind(bool on) { autoRewind_ = on; }
    QByteArray fileName() const { return fileName_; }
    void setFileName(const QByteArray& path) { fileName_ = path; }
    DisplayPanel* display() const { return display_; }
    void setDisplay(DisplayPanel* panel);
    void setOnClick(ClickHandler handler) { onClick_ = std::move(handler); }
    void setGuard(Guard guard) { guard_ = std::move(guard); }

    // The buttons that react now, and the automatic set behind them.
    PlayerButtonSet effectiveEnabledButtons() const { return buttons_.effectiveEnabled(); }
    PlayerButtonSet automaticButtons() const { return buttons_.automaticButtons(); }

    // Requests
    // Starts opening fileName() on a device chosen by its extension; `opened` or `openFailed`
    // follows.
    void open();
    bool isOpening() const { return device_->isOpening(); }
    void play();  // while a file opens: it will play once open
    void stop();  // while a file opens: it will stay stopped once open
    void rewind();
    void seek(int ms);
    int position() const { return device_->position(); }
    int length() const { return device_->length(); }
    int startPosition() const { return 0; }
    MediaMode mode() const { return device_->mode(); }
    // Kept and given to every video opened later as well (a new video gets it right away).
    void setDisplayRect(const QRect& rect);
    void close() { device_->close(); }

    // What the media branch asks of the player once the pane is laid out: buttons handed to
    // EnabledButtons (AutoEnable off), Play and Stop shown, and the file opened. Once it is
    // open, only Stop is enabled, play starts (unless Stop was pressed meanwhile) and
    // `started` follows. A failed open enables and plays nothing: `openFailed` follows.
    void openAndPlay(const QByteArray& path);

    // Presses and releases a button as the mouse would (tests, keyboard).
    void click(PlayerButton button);
    QToolButton* buttonWidget(PlayerButton button) const;

signals:
    // A play request's notification arrived (after the buttons were updated).
    void notified(zarovia::media::PlayEnd reason);
    // The file of the last open() is open.
    void opened();
    // The file of openAndPlay() is open and playing.
    void started();
    // The open of `path` failed; the text of `kind` and `detail` is what the user is told.
    void openFailed(const QByteArray& path, zarovia::media::MediaErrorKind kind,
                    const QString& detail);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void buttonReleased(PlayerButton button);
    void beginOpen(bool start);
    void deviceOpened();
    void deviceOpenFailed(MediaErrorKind kind, const QString& detail);
    void onPlayNotification(PlayEnd reason, long long generation);
    void refreshButtons();
    void layoutButtons();

    std::unique_ptr<MediaDevice> device_;
    PlayerButtons buttons_;
    QByteArray fileName_;
    QByteArray openingFile_;
    DisplayPanel* display_ = nullptr;
    QRect displayRect_;
    bool autoRewind_ = true;
    ClickHandler onClick_;
    Guard guard_;
    QToolButton* playButton_ = nullptr;
    QToolButton* stopButton_ = nullptr;
    long long openGeneration_ = 0;
    // What happens once the file being opened is open.
    bool playWhenOpened_ = false;
    bool startWhenOpened_ = false;
};

}  // namespace zarovia::media
