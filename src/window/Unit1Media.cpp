// Media pane handlers: the media branch, following the play position, seeking, the media
// bar and the video area.
#include "window/Unit1.h"

#include "media/MediaErrors.h"
#include "media/MediaKind.h"
#include "media/MediaLayout.h"
#include "media/MediaPositionFollower.h"
#include "media/widgets/DisplayPanel.h"
#include "media/widgets/MediaPlayerControl.h"
#include "media/widgets/TrackBar.h"
#include "picture/widgets/ImageView.h"
#include "platform/controls/IntervalTimer.h"
#include "platform/controls/Panel.h"
#include "window/StartupProfile.h"

#include <QCheckBox>
#include <QLabel>

namespace zarovia {

void TzaroForm1::hideMediaControls() {
    Image1->hide();
    Image1->repaint();
    Image2->hide();
    hideMediaPaneControls();
}

void TzaroForm1::hideMediaPaneControls() {
    // A document opened before any sound or video leaves the media pane unbuilt.
    if (!mediaPane_.built()) {
        mediaControlsHidden_ = true;
        return;
    }
    Image3->hide();
    Label3->hide();
    Label4->hide();
    DisplayPanel->hide();
    Panel2->hide();
    MediaPlayer1->hide();
    MediaPlayer1->update();
}

void TzaroForm1::resetMediaBar() {
    if (!mediaPane_.built()) {
        mediaControlsHidden_ = true;
        return;
    }
    TrackBar1->hide();
    TrackBar1->setPosition(0);
    CoolBar1->hide();
}

void TzaroForm1::showMediaBranch(const QByteArray& upperExt) {
    Panel2->show();
    if (media::mediaKindOfExtension(upperExt) == media::MediaKind::Sound) {
        Wide->hide();
        Panel2->show();
        CoolBar1->show();
        TrackBar1->show();
        const int barHeight = CoolBar1->height();
        Image3->setGeometry(0, barHeight, width(), height() - barHeight);
        Image3->setStretch(true);
        Image3->show();
        // The labels are placed from the window's outer size, frame and title bar included.
        const QSize outer = frameGeometry().size();
        Label3->move(media::soundCaptionLabelPosition(outer, Label3->size()));
        Label4->move(media::soundTitleLabelPosition(outer, Label4->size()));
        Label3->show();
        Label4->show();
    } else {
        ActMovSExecute();
        // Unchecking runs WideClick, which computes the area again for the narrow proportion.
        Wide->setChecked(false);
        Wide->show();
        DisplayPanel->show();
        TrackBar1->show();
    }
    ShowFileSize(state_.CurrentFile);
    MediaPlayer1->show();
    // The open runs on the engine's own thread; the rest of the branch follows when the
    // file is open (mediaFileStarted), or the error box when it cannot be (mediaFileFailed).
    // Meanwhile it counts as a load: the busy cursor, and the command line waits for it.
    mediaLoad_ = beginLoad(LoadKind::Media);
    MediaPlayer1->openAndPlay(state_.CurrentFile);
}

void TzaroForm1::wireMediaPlayer() {
    connect(MediaPlayer1.get(), &media::MediaPlayerControl::started, this,
            [this] { guard([this] { mediaFileStarted(); }); });
    connect(MediaPlayer1.get(), &media::MediaPlayerControl::openFailed, this,
            [this](const QByteArray&, media::MediaErrorKind kind, const QString& detail) {
                guard([&] { mediaFileFailed(kind, detail); });
            });
    // A length the engine corrects after the open moves the bar's end with it.
    connect(&MediaPlayer1->device(), &media::MediaDevice::lengthChanged, this,
            [this](int ms) { guard([this, ms] { TrackBar1->setMax(ms); }); });
    connect(TrackBar1.get(), &media::TrackBar::sliderReleased, this,
            [this] { guard([this] { TrackBar1Released(); }); });
}

void TzaroForm1::mediaFileStarted() {
    // The device plays whatever pane is shown now, so its timer and range always follow.
    Timer3->setEnabled(true);
    TrackBar1->setMin(MediaPlayer1->startPosition());
    TrackBar1->setMax(MediaPlayer1->length());
    if (MediaPlayer1->mode() == media::MediaMode::Playing) window::startup::mark("media playing");
    if (endLoad(mediaLoad_)) settleOpen(mediaLoad_, true);
}

void TzaroForm1::mediaFileFailed(media::MediaErrorKind kind, const QString& detail) {
    // The user has opened another file meanwhile: this failure is no longer theirs to see.
    if (!endLoad(mediaLoad_)) return;
    settleOpen(mediaLoad_, false);
    throw media::MediaError(kind, detail);
}

void TzaroForm1::Timer3Timer() {
    // Before the media pane is built no media has been opened: nothing to follow.
    if (follower_) follower_->tick();
}

void TzaroForm1::TrackBar1Change() {
    if (follower_) follower_->trackBarChanged();
}

void TzaroForm1::TrackBar1Released() {
    if (follower_) follower_->dragFinished();
}

void TzaroForm1::MediaPlayer1Click() {
    MediaPlayer1->setAutoEnable(true);
}

void TzaroForm1::BackPanelMouseDown(Qt::MouseButton button) {
    if (button != Qt::RightButton) return;
    CoolBar1->setVisible(CoolBar1->isHidden());
    UpdateMediaCursor();
}

void TzaroForm1::DisplayPanelMouseDown(Qt::MouseButton button) {
    BackPanelMouseDown(button);
}

void TzaroForm1::UpdateMediaCursor() {
    setCursorHidden(CoolBar1->isHidden());
}

void TzaroForm1::WideClick() {
    ActMovSExecute();
}

void TzaroForm1::ActMovSExecute() {
    const QRect area = media::videoArea({state_.FullScreenActive, Wide->isChecked(),
                                         services_.screen->primaryScreenSize().width(), size()});
    state_.VideoWidth = area.width();
    state_.VideoHeight = area.height();
    DisplayPanel->resize(area.size());
    state_.VideoTop = area.top();
    state_.VideoLeft = area.left();
    DisplayPanel->move(area.topLeft());
    MediaPlayer1->setDisplayRect(media::displayRectForVideoArea(area));
}

}  // namespace zarovia
