#include "window/Unit1.h"

#include "shell/Colours.h"

#include "document/SizeReadout.h"
#include "media/MediaPositionFollower.h"
#include "media/widgets/MediaPlayerControl.h"
#include "media/widgets/TrackBar.h"
#include "picture/PictureCache.h"
#include "picture/widgets/ImageView.h"
#include "platform/FileAccess.h"
#include "platform/WorkerPool.h"
#include "platform/controls/Align.h"
#include "platform/controls/CommandButton.h"
#include "platform/controls/IntervalTimer.h"
#include "platform/controls/ListBox.h"
#include "platform/controls/Panel.h"
#include "platform/controls/SpinEdit.h"
#include "platform/qt/X11WindowSystem.h"
#include "shell/DroppedFiles.h"
#include "shell/OpenRules.h"
#include "window/AccessibilityWatch.h"
#include "window/DisplayColourWatch.h"
#include "window/FullScreenMode.h"
#include "window/StartupProfile.h"
#include "window/Unit3.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QPrinter>
#include <QScreen>
#include <QSlider>
#include <QTextEdit>
#include <QTimer>
#include <QUrl>

namespace zarovia {

using shell::kAqua;
using shell::kBlack;
using shell::kLime;
using shell::kRed;
using shell::kWhite;

using controls::Align;
using shell::Command;

TzaroForm1::TzaroForm1(Services services, QWidget* parent)
    : TzaroForm1(std::move(services), nullptr, parent) {}

TzaroForm1::TzaroForm1(Services services, std::unique_ptr<picture::PictureCache> pictureCache,
                       QWidget* parent)
    : QWidget(parent), services_(std::move(services)), pictureCache_(std::move(pictureCache)) {
    if (!services_.files) services_.files = systemFileSource();
    if (!services_.windowSystem) services_.windowSystem = platformWindowSystem();
    if (!pictureCache_)
        pictureCache_ = std::make_unique<picture::PictureCache>(services_.files,
                                                                std::make_shared<WorkerPool>());
    workers_ = pictureCache_->workers();
    load_.busyTimer = new QTimer(this);
    load_.busyTimer->setSingleShot(true);
    connect(load_.busyTimer, &QTimer::timeout, this, [this] { showBusyCursor(true); });
    fullScreen_ = new window::FullScreenMode(*this, *services_.windowSystem);
    connect(fullScreen_, &window::FullScreenMode::changedOutside, this,
            [this](bool fullScreen) { followFullScreen(fullScreen); });
    createControls();
    guard([this] { FormCreate(); });
}

void TzaroForm1::setPictureCache(std::unique_ptr<picture::PictureCache> cache) {
    if (!cache) return;
    pictureCache_ = std::move(cache);
    workers_ = pictureCache_->workers();
}

QPrinter& TzaroForm1::printer() {
    if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

TzaroForm1::~TzaroForm1() {
    FormDestroy();
    // Work under way finishes while the window still exists to receive (and drop) its result.
    pictureCache_.reset();
    workers_.reset();
}

bool TzaroForm1::guard(const std::function<void()>& step) {
    QString text;
    try {
        step();
        return true;
    } catch (const Failure& failure) {
        text = failure.message();
    } catch (const std::bad_alloc&) {
        text = QStringLiteral("メモリが不足しています");
    } catch (const std::exception&) {
        text = QStringLiteral("原因不明のエラー");
    }
    window::startup::mark("error box");
    services_.errorBox->show(this, errorBoxText(text));
    return false;
}

void TzaroForm1::FormCreate() {
    state_.CurrentIndex = 0;
    command(Command::Start)->setEnabled(false);
    command(Command::Stop)->setEnabled(false);
    MojiPanel->hide();
    controls::setAlign(MojiPanel, Align::Client);
    ButtonPanel1->show();
    state_.WindowedMode = true;
    state_.PictureMode = true;
    controls::setAlign(BP1, Align::Client);
    BP1->show();
    // The keys go to the picture pane: the arrow keys step pictures, Tab reaches the tool bar.
    focusPane(BP1);
    P1->show();
    controls::setAlign(P1, Align::Client);
    BackPanel->hide();
    setFullScreenGlyphs(shell::kGlyphNormalScreen);
    CounterPanel->setFontColor(kAqua);
    Image1->setAutoSize(true);
    Image1->hide();
    controls::setAlign(Image2, Align::Client);
    Image2->setAutoSize(true);
    Image2->setStretch(true);
    Image2->setPreparer([this](const picture::Picture& picture, QSize devicePixels) {
        preparePictureLater(picture, devicePixels);
    });
    Image1->update();
    Image2->update();
    setCursorHidden(false);
    setAcceptDrops(true);
    setCaptionText(QString::fromUtf16(shell::kPlainTitle));
}

void TzaroForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shownOnce_) return;
    shownOnce_ = true;
    // From the first show on, the window has a screen to follow.
    displayColourWatch_ = std::make_unique<window::DisplayColourWatch>(this, [this] {
        Image1->update();
        Image2->update();
    });
    FormShow();
}

void TzaroForm1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    guard([this] { FormResize(); });
}

void TzaroForm1::FormResize() {
    if (state_.PictureMode)
        FitPicture();
    else
        ActMovSExecute();
    // The document follows the pane's size, in full-screen mode too.
    fitRichEditToPane();
    // Dropped files stay accepted after every resize.
    setAcceptDrops(true);
}

void TzaroForm1::closeEvent(QCloseEvent* event) {
    if (aboutBox_) aboutBox_->hide();
    QWidget::closeEvent(event);
}

void TzaroForm1::FormDestroy() {
    if (destroyed_) return;
    destroyed_ = true;
    // Whatever the mode, the frame comes back and the cursor is given back.
    if (windowFlags().testFlag(Qt::FramelessWindowHint))
        setWindowFlag(Qt::FramelessWindowHint, false);
    services_.cursor->setHidden(false);
}

void TzaroForm1::EndButtonClick() {
    close();
}

void TzaroForm1::ActAboutExecute() {
    if (aboutBox_) aboutBox_->showBeside();
}

// --- Opening ---------------------------------------------------------------------------

void TzaroForm1::OpenButtonClick() {
    Timer1->setEnabled(false);
    state_.PictureMode = true;
    const std::optional<QByteArray> chosen =
        services_.openDialog->chooseFile(this, state_.CurrentFile);
    if (chosen) {
        state_.CurrentFile = *chosen;
    } else if (state_.CurrentFile.isEmpty()) {
        // Nothing was opened yet: a cancel leaves the title picture as it is.
        return;
    }
    runOpenSequence(Entrance::OpenCommand);
}

void TzaroForm1::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TzaroForm1::dropEvent(QDropEvent* event) {
    // The names come from the list's own bytes: going through QUrl and QString would lose a
    // name that is not valid UTF-8 (a CP932 name from a Windows disk).
    const QList<QByteArray> files =
        shell::localFilesOfUriList(event->mimeData()->data(QStringLiteral("text/uri-list")));
    if (files.isEmpty()) return;
    event->acceptProposedAction();
    guard([this, &files] { FormDropFiles(files); });
}

void TzaroForm1::FormDropFiles(const QList<QByteArray>& files) {
    Timer1->setEnabled(false);
    raise();
    activateWindow();
    if (files.isEmpty()) return;
    // The whole name, however long it is.
    state_.CurrentFile = files.constFirst();
    runOpenSequence(Entrance::Drop);
}

void TzaroForm1::runOpenSequence(Entrance entrance) {
    // Whatever was still loading belongs to the file the user has left.
    cancelLoad();
    ButtonPanel1->show();
    CounterPanel->setCaption(shell::counterText(state_.CurrentIndex, fn->itemCount()));
    // Only a picture is shown "opened first"; after a sound, video or document the picture
    // commands go over the picture list as usual.
    state_.ShowOpenedFirst = shell::classifyExtension(shell::upperExtension(state_.CurrentFile)) ==
                             shell::FileClass::Picture;
    // Steps asked for before the last folder's list arrived belong to the picture being left. A
    // sound, video or document keeps that list for the picture commands: it is made now.
    listing_.steps = {};
    if (!state_.ShowOpenedFirst) startFolderListing();
    command(Command::Stop)->setEnabled(false);
    command(Command::Start)->setEnabled(true);
    if (entrance != Entrance::OpenCommand) CounterPanel->setFontColor(kAqua);
    setCaptionText(shell::captionFor(shell::kManuTitle, state_.CurrentFile));
    OpenByKind(state_.CurrentFile);
}

void TzaroForm1::OpenByKind(const QByteArray& name) {
    switch (shell::classifyExtension(shell::upperExtension(name))) {
        case shell::FileClass::Picture:
            MojiPanel->hide();
            BackPanel->hide();
            controls::setAlign(BP1, Align::Client);
            BP1->show();
            focusPane(BP1);
            state_.PictureMode = true;
            ListFolderPictures(name);
            ShowPicture();
            break;
        case shell::FileClass::Media:
            MojiPanel->hide();
            BP1->hide();
            controls::setAlign(BackPanel, Align::Client);
            BackPanel->show();
            focusPane(BackPanel);
            UpdateMediaCursor();
            state_.PictureMode = false;
            ShowNonPicture();
            break;
        case shell::FileClass::Document:
            if (!state_.WindowedMode) FullScreenButtonClick();
            BackPanel->hide();
            BP1->hide();
            controls::setAlign(MojiPanel, Align::Client);
            MojiPanel->show();
            setCursorHidden(false);
            state_.PictureMode = false;
            ShowNonPicture();
            break;
    }
}

void TzaroForm1::ShowNonPicture() {
    resetMediaBar();
    MojiPanel->hide();
    hideMediaControls();
    setCaptionText(shell::captionFor(shell::kPlainTitle, state_.CurrentFile));
    const QByteArray ext = shell::upperExtension(state_.CurrentFile);
    ShowFileSize(state_.CurrentFile);
    if (shell::classifyExtension(ext) == shell::FileClass::Media)
        showMediaBranch(ext);
    else
        showDocumentBranch(ext);
}

void TzaroForm1::ShowFileSize(const QByteArray& path) {
    ReadOnlyFile file(path);
    SizePanel->setCaption(document::formatFileSize(file.size()));
    QFont font = SizePanel->font();
    font.setPointSize(11);
    SizePanel->setFont(font);
    SizePanel->setFontColor(kAqua);
    SizePanel->show();
    file.close();
}

// --- Full-screen mode ------------------------------------------------------------------

void TzaroForm1::FullScreenButtonClick() {
    if (state_.WindowedMode)
        enterFullScreen();
    else
        leaveFullScreen();
}

void TzaroForm1::enterFullScreen() {
    state_.FullScreenActive = true;
    // Frameless over the whole screen; under a window manager its full-screen state, which also
    // hides its panels, with the window following the manager's answer.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QPoint origin = screen ? screen->geometry().topLeft() : QPoint(0, 0);
    fullScreen_->enter(QRect(origin, services_.screen->primaryScreenSize()));
    setFullScreenGlyphs(shell::kGlyphFullScreen);
    state_.WindowedMode = false;
}

void TzaroForm1::leaveFullScreen() {
    state_.FullScreenActive = false;
    fullScreen_->leave(QSize(640, 480));
    setFullScreenGlyphs(shell::kGlyphNormalScreen);
    state_.WindowedMode = true;
}

void TzaroForm1::followFullScreen(bool fullScreen) {
    if (fullScreen == !state_.WindowedMode) return;
    state_.FullScreenActive = fullScreen;
    setFullScreenGlyphs(fullScreen ? shell::kGlyphFullScreen : shell::kGlyphNormalScreen);
    state_.WindowedMode = !fullScreen;
}

void TzaroForm1::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && fullScreen_)
        fullScreen_->windowStateChanged();
}

void TzaroForm1::setFullScreenGlyphs(int glyph) {
    const QIcon& icon = glyphs_[static_cast<size_t>(glyph)];
    FullScreenButton->setGlyph(icon, glyph);
    // The media pane takes the glyph from FullScreenButton when it is built.
    if (FSBT.ifBuilt()) FSBT->setGlyph(icon, glyph);
}

// --- Small helpers ---------------------------------------------------------------------

void TzaroForm1::focusPane(QWidget* pane) {
    const QWidget* focus = QApplication::focusWidget();
    if (focus && (focus == pane || pane->isAncestorOf(focus))) return;
    pane->setFocus(Qt::OtherFocusReason);
}

void TzaroForm1::setCursorHidden(bool hidden) {
    services_.cursor->setHidden(hidden);
}

void TzaroForm1::setCaptionText(const QString& text) {
    setWindowTitle(text);
}

bool TzaroForm1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        // The commands' shortcuts win over the edit controls' own keys.
        auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(key->keyCombination());
        for (const QAction* action : actions_) {
            if (!action->shortcut().isEmpty() && action->shortcut() == pressed) {
                event->ignore();
                return true;
            }
        }
    }
    if (event->type() == QEvent::MouseButtonPress &&
        (watched == Label3.ifBuilt() || watched == Label4.ifBuilt()))
        return true;
    return QWidget::eventFilter(watched, event);
}

}  // namespace zarovia
