#pragma once

#include "picture/ShowRules.h"
#include "platform/Services.h"
#include "platform/WorkerReturn.h"
#include "shell/Commands.h"
#include "window/DeferredPane.h"

#include <QByteArray>
#include <QRect>
#include <QWidget>
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QLabel;
class QSlider;
class QTextEdit;
class QTimer;
class QPrinter;

namespace zarovia {
class WorkerPool;
}
namespace zarovia::window {
class AccessibilityWatch;
class DisplayColourWatch;
class FullScreenMode;
}  // namespace zarovia::window
namespace zarovia::picture {
class ImageView;
class Picture;
class PictureCache;
struct LoadedPicture;
struct FolderPictures;
}  // namespace zarovia::picture
namespace zarovia::document {
class RichEditControl;
}
namespace zarovia::media {
class DisplayPanel;
class MediaDevice;
class MediaPlayerControl;
class MediaPositionFollower;
class TrackBar;
enum class MediaErrorKind;
}  // namespace zarovia::media

namespace zarovia::controls {
class CommandButton;
class IntervalTimer;
class ListBox;
class Panel;
class SpinEdit;
}  // namespace zarovia::controls

namespace zarovia {

// The main window's private state.
struct ViewerState {
    int CurrentIndex = 0;
    QByteArray CurrentFile;
    QByteArray FolderPath;
    bool ShowOpenedFirst = false;
    bool PictureMode = true;
    bool WindowedMode = true;
    bool FullScreenActive = false;
    int VideoWidth = 0;
    int VideoHeight = 0;
    int VideoLeft = 0;
    int VideoTop = 0;
};

class TAboutBox;

// The main window: owns every control and the viewer state. Its handlers are thin: they run
// the steps in their order and leave the rules to the shell, picture, media and document
// modules. Every handler runs inside one guard that shows a failure in the error box.
class TzaroForm1 : public QWidget {
    Q_OBJECT
public:
    // The window reads its pictures through `pictureCache`, with the cache's workers; main()
    // hands over the cache in which it started reading the command-line picture before the
    // window was built. Without one the window makes its own.
    explicit TzaroForm1(Services services, QWidget* parent = nullptr);
    TzaroForm1(Services services, std::unique_ptr<picture::PictureCache> pictureCache,
               QWidget* parent = nullptr);
    ~TzaroForm1() override;

    const ViewerState& state() const { return state_; }
    QAction* command(shell::Command id) const { return actions_[static_cast<size_t>(id)]; }
    Services& services() { return services_; }
    void setAboutBox(TAboutBox* box) { aboutBox_ = box; }
    // Files named on the command line, opened in order by FormShow.
    void setCommandLineFiles(std::vector<QByteArray> files) {
        commandLineFiles_ = std::move(files);
    }
    // Replaces the pictures read ahead and the workers with those of `cache` (a benchmark's
    // steps without reading ahead).
    void setPictureCache(std::unique_ptr<picture::PictureCache> cache);
    picture::PictureCache& pictureCache() { return *pictureCache_; }
    // The printer both print commands use; it keeps its settings between jobs.
    QPrinter& printer();

    // Runs `step` and reports a failure in the error box; the window goes on.
    bool guard(const std::function<void()>& step);

    // How long the tool bar waits at most, after the window's first paint, for the file being
    // loaded to be shown (tests set other waits).
    static constexpr int kToolBarWaitMs = 250;
    void setToolBarWaitMs(int ms) { toolBarWaitMs_ = ms; }

    // True while a picture or a document is being read and decoded on a worker, or the picture
    // list of the folder opened last is being made.
    bool isLoading() const { return load_.kind != LoadKind::None || listing_.pending; }
    // True while the picture list of the folder opened last is being made.
    bool isListingFolder() const { return listing_.pending; }

    // The tool bars (the window definition's table), and their items that are neither command buttons nor separators.
    enum class ToolBarOf { Picture, Media, Document };
    enum class ToolControl {
        IntervalLabel,
        IntervalField,
        CounterLabel,
        Counter,
        LandscapePrint,
        SizeLabel,
        Size
    };

public slots:
    // Commands.
    void OpenButtonClick();
    void EndButtonClick();
    void StartButtonClick();
    void ActStopExecute();
    void BackButtonClick();
    void NextButtonClick();
    void FullScreenButtonClick();
    void ActAboutExecute();
    void ActMovSExecute();
    void ActPrintExecute();
    void ActCharPrintExecute();

    // Events.
    void Timer1Timer();
    void Timer3Timer();
    void TrackBar1Change();
    void Image2MouseDown(Qt::MouseButton button);
    void BP1MouseDown(Qt::MouseButton button);
    void BackPanelMouseDown(Qt::MouseButton button);
    void DisplayPanelMouseDown(Qt::MouseButton button);
    void MediaPlayer1Click();
    void WideClick();
    // A file dropped on the window: the first one is opened.
    void FormDropFiles(const QList<QByteArray>& files);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Entrance { OpenCommand, CommandLine, Drop };
    enum class LoadKind { None, Picture, Document, Media };

    // Window definition (Unit1Definition.cpp).
    void createControls();
    void createCommands();
    void createPicturePane();
    // The media pane's controls are built the first time one of them is used; until then the
    // pane is its empty root panel.
    void createMediaPane();
    void buildMediaPaneControls();
    // The document pane's rich-text control lays out its (empty) document as it is made: it is
    // made when the first document is opened.
    void createDocumentPane();
    void buildRichEdit();
    // The interval field's line edit lays its text out through the font as it is made, which
    // loads the font machinery: the field is made, and the picture tool bar shown with it, right
    // after the window's first paint (or when it is first used, or at once when an assistive
    // tool is running), so that the first picture is on the screen first.
    void buildIntervalField();
    // After the window's first paint: the tool bar is completed now, or, while the first file
    // is still loading, once it is on the screen (a picture's first look counts), but not much
    // later.
    void completeToolBarAfterFirstPaint();
    void completeToolBar();
    // The slide show's interval as the field holds it now, also while it is being edited.
    int intervalSeconds() const;
    // The controls Tab reaches, in the order the user sees them (again after each control made
    // later).
    void orderTabStops();
    // Gives the keyboard to a pane made visible, unless it already has it (or a control in it).
    void focusPane(QWidget* pane);
    // The items of one tool bar (Unit1Definition.cpp holds the table of all three), on a row
    // `top` to `top + height`.
    void createToolBar(ToolBarOf bar, QWidget* toolBar, int top, int height);
    void createToolControl(ToolControl control, QWidget* toolBar, const char* name,
                           const QRect& bounds);

    void FormCreate();
    void FormShow();
    void openCommandLineFile(std::size_t index);
    void FormResize();
    void FormDestroy();

    // Opening (Unit1.cpp).
    void runOpenSequence(Entrance entrance);
    void OpenByKind(const QByteArray& name);
    void ShowNonPicture();
    void ShowFileSize(const QByteArray& path);
    void enterFullScreen();
    void leaveFullScreen();
    // The window manager changed full screen by itself: the mode follows the window.
    void followFullScreen(bool fullScreen);
    void setFullScreenGlyphs(int glyph);

    // The folder's picture list, made on a worker (Unit1Folder.cpp): asked for by the open,
    // made once the opened picture is on the screen or a step needs it, taken in when it
    // arrives with the steps asked for meanwhile.
    void ListFolderPictures(const QByteArray& fileName);
    void listFolderSoon();
    void startFolderListing();
    void folderListed(WorkerOutcome<picture::FolderPictures> outcome);

    // Pictures (Unit1Picture.cpp).
    void ShowPicture();
    void FitPicture();
    // A larger decode of the shown picture (the window grew), made on a worker; the pane draws
    // what it has meanwhile.
    void preparePictureLater(const picture::Picture& picture, QSize devicePixels);
    void UpdatePictureCursor();
    void stepPicture(int delta, bool showToolBar);
    void readAheadNextPicture();
    void startPendingReadAhead();
    void finishShowPicture(const picture::LoadedPicture& loaded, bool openedFirst,
                           bool openedIsListed);
    void showFirstLook(const picture::Picture& preview);
    void supersedePictureLoad();

    // Media (Unit1Media.cpp).
    void showMediaBranch(const QByteArray& upperExt);
    void hideMediaControls();
    // The media pane's part of hiding the media controls and of rewinding and hiding the media
    // bar; before the pane is built they are remembered for its build.
    void hideMediaPaneControls();
    void resetMediaBar();
    void UpdateMediaCursor();
    // The player's signals and the position bar's release, connected once.
    void wireMediaPlayer();
    // The media branch's steps after the open, when the file is open and playing.
    void mediaFileStarted();
    // The open failed: the error box, unless the user has moved on to another file.
    void mediaFileFailed(media::MediaErrorKind kind, const QString& detail);
    void TrackBar1Released();

    // Documents (Unit1Document.cpp).
    void showDocumentBranch(const QByteArray& upperExt);
    void loadWholeDocument(bool plainText);
    void loadOtherDocument();
    // The rich edit fills the document pane below its tool bar.
    void fitRichEditToPane();

    // Printing (Unit1Printing.cpp): the files a print of `printed` concerns, for the dialog's
    // proposal; and the refusal of an output file that is one of the files being viewed.
    PrintedFiles printedFiles(const QByteArray& printed) const;
    void refuseViewedOutput(const PrintedFiles& files);

    void setCursorHidden(bool hidden);
    void setCaptionText(const QString& text);

    // Loads on the workers (Unit1Loading.cpp). One load is the window's at a time: a new one,
    // or a new file opened, supersedes it and its result is dropped when it arrives.
    std::uint64_t beginLoad(LoadKind kind);
    // True when `generation` is the load under way; it is over then.
    bool endLoad(std::uint64_t generation);
    bool isCurrentLoad(std::uint64_t generation) const;
    bool isLoading(LoadKind kind) const { return load_.kind == kind; }
    void cancelLoad();
    // Asked by the workers before each costly step.
    std::function<bool()> loadWanted(std::uint64_t generation) const;
    // The way back from a worker for the load under way: `work` runs on a worker; on the
    // window's thread the load ends and `arrive` gets its outcome (WorkerOutcome) and says
    // whether the file is shown, unless another load has begun or this one was cancelled since
    // (then the outcome is dropped).
    template <class Work, class Arrive>
    void run(Work work, Arrive arrive);
    // The same way back for a step sent by a worker during the load `generation` (made on the
    // window's thread, called on the worker's): the step runs on the window's thread while that
    // load is still under way.
    std::function<void(std::function<void()>)> wayBack(std::uint64_t generation);
    // The load `generation` is over, its file shown or not: a command-line file that waited
    // for it opens.
    void settleOpen(std::uint64_t generation, bool loaded);
    // Runs `next` once the load under way settles with its file shown.
    void afterLoad(std::function<void()> next);
    void showBusyCursor(bool busy);

    Services services_;
    TAboutBox* aboutBox_ = nullptr;
    ViewerState state_;
    std::vector<QByteArray> commandLineFiles_;
    bool shownOnce_ = false;
    bool destroyed_ = false;
    window::FullScreenMode* fullScreen_ = nullptr;
    std::shared_ptr<WorkerPool> workers_;
    std::unique_ptr<picture::PictureCache> pictureCache_;
    // The load under way (Unit1Loading.cpp).
    struct LoadState {
        LoadKind kind = LoadKind::None;
        // Moves on with every load begun or cancelled; a result of an older one is dropped.
        std::uint64_t generation = 0;
        // The generation as the workers read it.
        std::shared_ptr<std::atomic<std::uint64_t>> live =
            std::make_shared<std::atomic<std::uint64_t>>(0);
        // Shows the busy cursor over the window when a load takes long.
        QTimer* busyTimer = nullptr;
        // Runs when the load `nextAfter` has settled with its file shown (the command line
        // opens its files in turn).
        std::function<void()> next;
        std::uint64_t nextAfter = 0;
    } load_;
    // The picture list under way (Unit1Folder.cpp).
    struct ListingState {
        // The list of the picture opened last has not arrived; the list box is empty.
        bool pending = false;
        // Its job is on the workers.
        bool started = false;
        // Moves on with every list asked for; an older one is dropped when it arrives.
        std::uint64_t generation = 0;
        std::shared_ptr<std::atomic<std::uint64_t>> live =
            std::make_shared<std::atomic<std::uint64_t>>(0);
        // The picture whose folder is listed.
        QByteArray opened;
        // Next, Back, clicks and Start meanwhile.
        picture::QueuedSteps steps;
    } listing_;
    // The direction of travel through the picture list, for reading ahead.
    int travel_ = 1;
    // Reading ahead waits until the shown picture is on the screen, so it never competes with
    // the show itself.
    bool readAheadPending_ = false;
    // A picture has been shown (the pane no longer holds the title picture).
    bool pictureShown_ = false;
    std::unique_ptr<QPrinter> printer_;
    // Follows the open media device's position with TrackBar1 and seeks when the bar moves.
    std::unique_ptr<media::MediaPositionFollower> follower_;
    // The load that stands for the media file being opened by the engine.
    std::uint64_t mediaLoad_ = 0;
    // The job name the printer carries: set by a document print, kept for later picture prints.
    QString printerDocName_;
    // The file whose picture the pane shows; empty while it shows the title picture.
    QByteArray shownPictureFile_;

    std::array<QAction*, 11> actions_{};
    std::array<QIcon, shell::kGlyphCount> glyphs_;
    window::DeferredPane mediaPane_;
    window::DeferredPane intervalField_;
    // The tool bar waits for the file being loaded to be shown.
    bool toolBarWaitsForLoad_ = false;
    int toolBarWaitMs_ = kToolBarWaitMs;
    // Makes the interval field at once when an assistive tool starts after the window.
    std::unique_ptr<window::AccessibilityWatch> accessibilityWatch_;
    // Keeps the pictures' colours on the profile of the screen the window is on.
    std::unique_ptr<window::DisplayColourWatch> displayColourWatch_;
    window::DeferredPane documentEditor_;
    // A document was opened while the media pane was not built yet: it is built with its
    // controls hidden, as that open leaves them.
    bool mediaControlsHidden_ = false;

public:
    // Controls, named as in the window definition.
    controls::Panel* BP1 = nullptr;
    controls::Panel* P1 = nullptr;
    picture::ImageView* Image1 = nullptr;
    picture::ImageView* Image2 = nullptr;
    controls::ListBox* fn = nullptr;
    controls::Panel* ButtonPanel1 = nullptr;
    controls::Panel* Panel1 = nullptr;
    QWidget* ToolBar1 = nullptr;
    controls::CommandButton* FullScreenButton = nullptr;
    window::DeferredControl<controls::SpinEdit> SpinEdit1{intervalField_};
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    controls::Panel* CounterPanel = nullptr;
    QCheckBox* CheckBox2 = nullptr;

    // The media pane: using any of its controls builds them all.
    controls::Panel* BackPanel = nullptr;
    window::DeferredControl<picture::ImageView> Image3{mediaPane_};
    window::DeferredControl<QLabel> Label3{mediaPane_};
    window::DeferredControl<QLabel> Label4{mediaPane_};
    window::DeferredControl<media::DisplayPanel> DisplayPanel{mediaPane_};
    window::DeferredControl<controls::Panel> CoolBar1{mediaPane_};
    window::DeferredControl<controls::Panel> Panel2{mediaPane_};
    window::DeferredControl<media::MediaPlayerControl> MediaPlayer1{mediaPane_};
    window::DeferredControl<media::TrackBar> TrackBar1{mediaPane_};
    window::DeferredControl<controls::Panel> Panel3{mediaPane_};
    window::DeferredControl<QWidget> ToolBar2{mediaPane_};
    window::DeferredControl<controls::CommandButton> FSBT{mediaPane_};
    window::DeferredControl<QCheckBox> Wide{mediaPane_};

    controls::Panel* MojiPanel = nullptr;
    controls::Panel* CoolBar2 = nullptr;
    controls::Panel* Panel4 = nullptr;
    controls::Panel* Panel5 = nullptr;
    QWidget* ToolBar3 = nullptr;
    QLabel* Label5 = nullptr;
    controls::Panel* SizePanel = nullptr;
    window::DeferredControl<document::RichEditControl> RichEdit1{documentEditor_};

    controls::IntervalTimer* Timer1 = nullptr;
    controls::IntervalTimer* Timer3 = nullptr;
};

template <class Work, class Arrive>
void TzaroForm1::run(Work work, Arrive arrive) {
    const std::uint64_t generation = load_.generation;
    runAndReturn(
        *workers_, WorkerPool::Priority::Shown, loadWanted(generation), this,
        [this, generation] { return endLoad(generation); }, std::move(work),
        [this, generation, arrive = std::move(arrive)](auto outcome) mutable {
            settleOpen(generation, arrive(std::move(outcome)));
        });
}

}  // namespace zarovia
