// The main window's definition: every control with its name, place, colours, fonts,
// visibility, alignment and captions. Handlers live in the other Unit1*.cpp files.
#include "window/Unit1.h"

#include "shell/Colours.h"

#include "document/widgets/RichEditControl.h"
#include "media/MediaPositionFollower.h"
#include "media/widgets/DisplayPanel.h"
#include "media/widgets/MediaPlayerControl.h"
#include "media/widgets/TrackBar.h"
#include "picture/widgets/ImageView.h"
#include "platform/controls/Align.h"
#include "platform/controls/CommandButton.h"
#include "platform/controls/FocusRing.h"
#include "platform/controls/IntervalTimer.h"
#include "platform/controls/ListBox.h"
#include "platform/controls/Panel.h"
#include "platform/controls/SpinEdit.h"
#include "window/AccessibilityWatch.h"
#include "window/Glyphs.h"
#include "window/NextPaint.h"
#include "window/ResourcePictures.h"
#include "window/StartupProfile.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QSlider>
#include <QTextEdit>
#include <QTimer>
#include <variant>

namespace zarovia {

using shell::kAqua;
using shell::kBlack;
using shell::kLime;
using shell::kRed;
using shell::kWhite;

using controls::Align;
using controls::Panel;
using shell::Command;

namespace {

QColor buttonFace() {
    return QPalette().color(QPalette::Button);
}

QFont definitionFont(const QString& family, int pixelHeight, bool bold = false,
                     bool italic = false) {
    QFont font(family);
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

const QString kGothic = QStringLiteral("ＭＳ Ｐゴシック");
const QString kMincho = QStringLiteral("ＭＳ Ｐ明朝");
const QString kBrush = QStringLiteral("HG行書体");

// The slide show's interval field, in seconds.
constexpr int kInitialInterval = 3;
constexpr int kMinimumInterval = 1;
constexpr int kMaximumInterval = 60;

// The tool bar's number fields: 16-pixel bold Gothic.
QFont numberFieldFont() {
    return definitionFont(kGothic, 16, true);
}

template <typename PanelType = Panel>
PanelType* makePanel(QWidget* parent, const char* name, QRect bounds, const QColor& color,
                     Panel::Bevel bevel = Panel::Bevel::None, bool visible = true) {
    auto* panel = new PanelType(parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setGeometry(bounds);
    panel->setColor(color);
    panel->setBevel(bevel);
    if (!visible) panel->hide();
    return panel;
}

QLabel* makeLabel(QWidget* parent, const char* name, QRect bounds, const QString& text,
                  const QFont& font, const QColor& color, bool transparent,
                  Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(bounds);
    label->setFont(font);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, color);
    label->setPalette(p);
    label->setAutoFillBackground(!transparent);
    label->setAlignment(alignment);
    label->setAccessibleName(text);
    // Labels take no presses, so a press reaches the control below as before.
    label->setAttribute(Qt::WA_TransparentForMouseEvents, transparent);
    return label;
}

// A pane's root panel: named for assistive tools, and taking the keyboard when clicked, so
// that the keys go to the pane (the arrow keys step pictures) rather than to a field.
void makePane(Panel* pane, const QString& name) {
    pane->setAccessibleName(name);
    pane->setFocusPolicy(Qt::ClickFocus);
}

}  // namespace

void TzaroForm1::createControls() {
    setObjectName(QStringLiteral("zaroForm1"));
    setWindowTitle(QStringLiteral("Zarovia"));
    setFont(definitionFont(kGothic, 12));
    resize(640, 480);
    setAcceptDrops(true);
    setWindowIcon(window::programIcon());
    setAccessibleName(QStringLiteral("Zarovia"));

    window::initResources();
    glyphs_ = window::loadGlyphs();
    window::startup::mark("glyphs");
    createCommands();
    createPicturePane();
    window::startup::mark("picture pane");
    createMediaPane();
    createDocumentPane();
    window::startup::mark("document pane");
    new controls::FocusRing(this);

    Timer1 = new controls::IntervalTimer(1000, this, services_.manualTimers);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer3 = new controls::IntervalTimer(50, this, services_.manualTimers);
    Timer3->setObjectName(QStringLiteral("Timer3"));
    connect(Timer1, &controls::IntervalTimer::tick, this,
            [this] { guard([this] { Timer1Timer(); }); });
    connect(Timer3, &controls::IntervalTimer::tick, this,
            [this] { guard([this] { Timer3Timer(); }); });
}

void TzaroForm1::orderTabStops() {
    // In the order the user sees them, pane by pane; only one pane is visible at a time, so Tab
    // and Shift+Tab go round the visible pane's controls.
    QList<QWidget*> stops;
    if (SpinEdit1.ifBuilt()) stops << SpinEdit1.ifBuilt();
    stops << CheckBox2;
    if (MediaPlayer1.ifBuilt())
        stops << MediaPlayer1.ifBuilt()->buttonWidget(media::PlayerButton::Play)
              << MediaPlayer1.ifBuilt()->buttonWidget(media::PlayerButton::Stop) << Wide.ifBuilt()
              << TrackBar1.ifBuilt();
    if (RichEdit1.ifBuilt()) stops << RichEdit1.ifBuilt();
    for (qsizetype i = 0; i + 1 < stops.size(); ++i) QWidget::setTabOrder(stops[i], stops[i + 1]);
}

void TzaroForm1::createCommands() {
    using Handler = void (TzaroForm1::*)();
    const std::array<Handler, 11> handlers{
        &TzaroForm1::OpenButtonClick,       &TzaroForm1::EndButtonClick,
        &TzaroForm1::StartButtonClick,      &TzaroForm1::ActStopExecute,
        &TzaroForm1::BackButtonClick,       &TzaroForm1::NextButtonClick,
        &TzaroForm1::FullScreenButtonClick, &TzaroForm1::ActAboutExecute,
        &TzaroForm1::ActMovSExecute,        &TzaroForm1::ActPrintExecute,
        &TzaroForm1::ActCharPrintExecute,
    };
    for (const shell::CommandRow& row : shell::commandTable()) {
        const auto index = static_cast<size_t>(row.id);
        auto* action = new QAction(QString::fromLatin1(row.name), this);
        action->setObjectName(QString::fromLatin1(row.name));
        action->setToolTip(QString::fromUtf8(row.hint));
        if (row.glyph >= 0) action->setIcon(glyphs_[static_cast<size_t>(row.glyph)]);
        if (row.shortcutCode != 0) {
            action->setShortcut(shell::shortcutSequence(row.shortcutCode));
            action->setShortcutContext(Qt::WindowShortcut);
        }
        const Handler handler = handlers[index];
        connect(action, &QAction::triggered, this,
                [this, handler] { guard([this, handler] { (this->*handler)(); }); });
        // On the window itself, so its shortcut works while every tool bar is hidden.
        addAction(action);
        actions_[index] = action;
    }
}

void TzaroForm1::createPicturePane() {
    BP1 = makePanel(this, "BP1", {0, 0, 640, 217}, kBlack, Panel::Bevel::None, false);
    makePane(BP1, QStringLiteral("画像"));
    P1 = makePanel(BP1, "P1", {0, 0, 609, 209}, kWhite, Panel::Bevel::None, false);
    connect(BP1, &Panel::mousePressed, this,
            [this](Qt::MouseButton b) { guard([this, b] { BP1MouseDown(b); }); });
    connect(P1, &Panel::mousePressed, this,
            [this](Qt::MouseButton b) { guard([this, b] { BP1MouseDown(b); }); });

    const picture::Picture title = window::titlePicture();
    Image2 = new picture::ImageView(P1);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setAccessibleName(QStringLiteral("表示中の画像"));
    Image2->setGeometry(0, 34, 632, 412);
    Image2->setCenter(true);
    Image2->setStretch(true);
    Image2->setPicture(title);
    connect(Image2, &picture::ImageView::painted, this, [this] {
        // The first picture (or its first look) is on the screen: the tool bar follows right
        // after this frame.
        if (toolBarWaitsForLoad_)
            QMetaObject::invokeMethod(
                this, [this] { completeToolBar(); }, Qt::QueuedConnection);
        startPendingReadAhead();
    });
    connect(Image2, &picture::ImageView::mousePressed, this,
            [this](Qt::MouseButton b) { guard([this, b] { Image2MouseDown(b); }); });

    Image1 = new picture::ImageView(P1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAccessibleName(QStringLiteral("読み込んだ画像"));
    Image1->setGeometry(1, -47, 640, 506);
    Image1->setAutoSize(true);
    Image1->setCenter(true);
    Image1->setPicture(title);
    Image1->hide();

    fn = new controls::ListBox(P1);
    fn->setObjectName(QStringLiteral("fn"));
    fn->setAccessibleName(QStringLiteral("画像の一覧"));
    fn->setGeometry(232, 80, 121, 88);
    fn->hide();

    ButtonPanel1 = makePanel(BP1, "ButtonPanel1", {0, 0, 640, 32}, buttonFace());
    controls::setAlign(ButtonPanel1, Align::Top);
    Panel1 = makePanel(ButtonPanel1, "Panel1", {9, 0, 627, 30}, buttonFace());
    ToolBar1 = new QWidget(Panel1);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setAccessibleName(QStringLiteral("画像のツールバー"));
    ToolBar1->setGeometry(1, 1, 613, 28);
    // Shown with its interval field (buildIntervalField).
    ToolBar1->hide();
    createToolBar(ToolBarOf::Picture, ToolBar1, 2, 22);
    // An assistive tool reads the controls as they are: one running now, or starting before the
    // tool bar is completed, gets the field at once.
    if (QAccessible::isActive()) completeToolBar();
    accessibilityWatch_ =
        std::make_unique<window::AccessibilityWatch>([this] { completeToolBar(); });
    window::afterNextPaint(this, [this] { completeToolBarAfterFirstPaint(); });
}

void TzaroForm1::createMediaPane() {
    BackPanel = makePanel(this, "BackPanel", {0, 376, 625, 65}, kBlack, Panel::Bevel::None, false);
    makePane(BackPanel, QStringLiteral("音と動画"));
    BackPanel->setFont(definitionFont(kGothic, 12));
    BackPanel->setFontColor(kLime);
    connect(BackPanel, &Panel::mousePressed, this,
            [this](Qt::MouseButton b) { guard([this, b] { BackPanelMouseDown(b); }); });
    // The pane's controls, with their fonts and icons, and the media device (with the engine's
    // module) come when the pane is first used.
    mediaPane_.setBuilder([this] { buildMediaPaneControls(); });
}

void TzaroForm1::buildMediaPaneControls() {
    Image3 = new picture::ImageView(BackPanel);
    Image3->setObjectName(QStringLiteral("Image3"));
    Image3->setAccessibleName(QStringLiteral("背景の画像"));
    Image3->setGeometry(528, 48, 105, 105);
    Image3->setPicture(window::backdropPicture());

    Label3 = makeLabel(BackPanel, "Label3", {536, 48, 111, 27}, QStringLiteral("音の再生"),
                       definitionFont(kMincho, 27, true, true), kLime, true);
    Label4 = makeLabel(BackPanel, "Label4", {584, 56, 123, 40}, QStringLiteral("Zarovia"),
                       definitionFont(kBrush, 40, true), kRed, true);
    // The backdrop and the labels take the presses over them, so they never reach BackPanel.
    Image3->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    Label3->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    Label4->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    Label3->installEventFilter(this);
    Label4->installEventFilter(this);
    // Both labels size themselves to their text in the fonts this platform has.
    Label3->adjustSize();
    Label4->adjustSize();

    DisplayPanel = new media::DisplayPanel(BackPanel);
    DisplayPanel->setObjectName(QStringLiteral("DisplayPanel"));
    DisplayPanel->setAccessibleName(QStringLiteral("動画"));
    DisplayPanel->setGeometry(0, 44, 409, 101);
    DisplayPanel->hide();
    connect(DisplayPanel.get(), &media::DisplayPanel::mousePressed, this,
            [this](Qt::MouseButton b, QPoint) { guard([this, b] { DisplayPanelMouseDown(b); }); });

    CoolBar1 =
        makePanel(BackPanel, "CoolBar1", {0, 0, 625, 36}, buttonFace(), Panel::Bevel::None, false);
    controls::setAlign(CoolBar1.get(), Align::Top);
    Panel2 = makePanel(CoolBar1.get(), "Panel2", {9, 0, 608, 32}, buttonFace(),
                       Panel::Bevel::Raised, false);

    MediaPlayer1 = new media::MediaPlayerControl(services_.mediaDevice(), Panel2.get());
    MediaPlayer1->setObjectName(QStringLiteral("MediaPlayer1"));
    MediaPlayer1->setAccessibleName(QStringLiteral("プレーヤー"));
    MediaPlayer1->setGeometry(120, 3, 57, 26);
    MediaPlayer1->setDisplay(DisplayPanel.get());
    MediaPlayer1->setOnClick(
        [this](media::PlayerButton, bool&) { guard([this] { MediaPlayer1Click(); }); });
    MediaPlayer1->setGuard([this](const std::function<void()>& work) { guard(work); });

    TrackBar1 = new media::TrackBar(Panel2.get());
    TrackBar1->setObjectName(QStringLiteral("TrackBar1"));
    TrackBar1->setGeometry(264, 5, 336, 20);
    TrackBar1->setMin(0);
    TrackBar1->setMax(10);
    TrackBar1->setAccessibleName(QStringLiteral("再生位置"));
    connect(TrackBar1.get(), &media::TrackBar::changed, this,
            [this] { guard([this] { TrackBar1Change(); }); });
    follower_ = std::make_unique<media::MediaPositionFollower>(
        MediaPlayer1->device(), *TrackBar1.get(), [this] { MediaPlayer1->setAutoEnable(true); });
    wireMediaPlayer();

    Panel3 = makePanel(Panel2.get(), "Panel3", {0, 0, 100, 30}, buttonFace(), Panel::Bevel::Raised);
    Panel3->setCaption(QStringLiteral("Panel3"));
    ToolBar2 = new QWidget(Panel3.get());
    ToolBar2->setObjectName(QStringLiteral("ToolBar2"));
    ToolBar2->setAccessibleName(QStringLiteral("再生のツールバー"));
    ToolBar2->setGeometry(1, 1, 98, 29);
    controls::setAlign(ToolBar2.get(), Align::Top);
    ToolBar2->setAutoFillBackground(true);
    createToolBar(ToolBarOf::Media, ToolBar2.get(), 2, 24);

    Wide = new QCheckBox(QStringLiteral("ワイド"), Panel2.get());
    Wide->setObjectName(QStringLiteral("Wide"));
    Wide->setGeometry(209, 7, 50, 17);
    Wide->setFont(definitionFont(kGothic, 12));
    Wide->setFocusPolicy(Qt::StrongFocus);
    Wide->setAccessibleName(QStringLiteral("ワイド"));
    // Black text of its own: the media pane's lime would otherwise pass down to it.
    QPalette widePalette = Wide->palette();
    widePalette.setColor(QPalette::WindowText, kBlack);
    widePalette.setColor(QPalette::ButtonText, kBlack);
    widePalette.setColor(QPalette::Text, kBlack);
    Wide->setPalette(widePalette);
    // Runs whenever the checked state changes, by the user or by the program.
    connect(Wide.get(), &QCheckBox::toggled, this, [this] { guard([this] { WideClick(); }); });

    // What the window did to the pane before it was built, done now.
    if (const int glyph = FullScreenButton->glyphIndex(); glyph >= 0)
        FSBT->setGlyph(glyphs_[static_cast<size_t>(glyph)], glyph);
    // Controls made inside a pane already on the screen start hidden: show those the
    // definition shows.
    for (QWidget* child : BackPanel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->testAttribute(Qt::WA_WState_ExplicitShowHide)) child->show();
    if (mediaControlsHidden_) {
        resetMediaBar();
        hideMediaPaneControls();
    }
    orderTabStops();
}

void TzaroForm1::createDocumentPane() {
    MojiPanel =
        makePanel(this, "MojiPanel", {-8, 240, 609, 121}, kBlack, Panel::Bevel::Raised, false);
    makePane(MojiPanel, QStringLiteral("文書"));
    MojiPanel->setContextMenuPolicy(Qt::PreventContextMenu);
    CoolBar2 = makePanel(MojiPanel, "CoolBar2", {1, 1, 607, 28}, buttonFace());
    controls::setAlign(CoolBar2, Align::Top);
    Panel4 = makePanel(CoolBar2, "Panel4", {9, 0, 594, 28}, buttonFace());
    Panel5 = makePanel(Panel4, "Panel5", {0, 0, 350, 26}, buttonFace());
    Panel5->setCaption(QStringLiteral("Panel5"));
    ToolBar3 = new QWidget(Panel5);
    ToolBar3->setObjectName(QStringLiteral("ToolBar3"));
    ToolBar3->setAccessibleName(QStringLiteral("文書のツールバー"));
    ToolBar3->setGeometry(0, 0, 350, 26);
    ToolBar3->setAutoFillBackground(true);
    controls::setAlign(ToolBar3, Align::Top);
    createToolBar(ToolBarOf::Document, ToolBar3, 0, 22);

    documentEditor_.setBuilder([this] { buildRichEdit(); });
}

void TzaroForm1::buildRichEdit() {
    RichEdit1 = new document::RichEditControl(MojiPanel);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setGeometry(334, 40, 185, 89);
    RichEdit1->setFrameStyle(QFrame::NoFrame);
    RichEdit1->setAccessibleName(QStringLiteral("文書の内容"));
    QPalette p = RichEdit1->palette();
    p.setColor(QPalette::Base, kBlack);
    RichEdit1->setPalette(p);
    QList<QKeySequence> shortcuts;
    for (const QAction* action : actions_)
        if (!action->shortcut().isEmpty()) shortcuts.append(action->shortcut());
    RichEdit1->setCommandShortcuts(shortcuts);
    // Tab moves on to the next control, as in the window's other panes.
    RichEdit1->setTabChangesFocus(true);
    RichEdit1->show();
    fitRichEditToPane();
    orderTabStops();
}

void TzaroForm1::buildIntervalField() {
    SpinEdit1 = new controls::SpinEdit(ToolBar1);
    SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
    SpinEdit1->setGeometry(231, 2, 50, 26);
    SpinEdit1->setRange(kMinimumInterval, kMaximumInterval);
    SpinEdit1->setValue(kInitialInterval);
    SpinEdit1->setToolTip(QStringLiteral("表示時間（秒）"));
    SpinEdit1->setAccessibleName(QStringLiteral("表示時間（秒）"));
    SpinEdit1->setFont(numberFieldFont());
    QPalette p = SpinEdit1->palette();
    p.setColor(QPalette::Base, kBlack);
    p.setColor(QPalette::Text, kLime);
    SpinEdit1->setPalette(p);
    // A tab stop: the keyboard reaches it; Return or Escape hands the keys back to the pane,
    // where the arrow keys step pictures.
    SpinEdit1->setFocusPolicy(Qt::StrongFocus);
    SpinEdit1->setCursor(Qt::ArrowCursor);
    SpinEdit1->installEventFilter(this);
    connect(SpinEdit1.ifBuilt(), &controls::SpinEdit::keyboardHandedBack, this,
            [this] { BP1->setFocus(Qt::OtherFocusReason); });
    orderTabStops();
    // The tool bar comes on the screen whole, with its field.
    ToolBar1->show();
    window::startup::mark("tool bar completed");
}

void TzaroForm1::completeToolBarAfterFirstPaint() {
    if (load_.kind == LoadKind::None) return completeToolBar();
    // The file's loading ends with its show (endLoad), the picture's with its paint.
    toolBarWaitsForLoad_ = true;
    // A slow file does not keep the tool bar away for long.
    QTimer::singleShot(toolBarWaitMs_, this, [this] { completeToolBar(); });
}

void TzaroForm1::completeToolBar() {
    toolBarWaitsForLoad_ = false;
    guard([this] { intervalField_.ensureBuilt(); });
}

int TzaroForm1::intervalSeconds() const {
    return SpinEdit1->currentValue();
}

namespace {

// A separator between the items of a tool bar.
struct Separator {};

// One item of a tool bar, at `left` with `width` on its bar's row: a button for a command
// (drawn with the command's glyph), a separator, or one of the bar's other controls. `name` is
// its name in the window definition.
struct ToolItem {
    TzaroForm1::ToolBarOf bar;
    const char* name;
    int left;
    int width;
    std::variant<Command, Separator, TzaroForm1::ToolControl> what;
};

using Bar = TzaroForm1::ToolBarOf;
using Control = TzaroForm1::ToolControl;

// The three tool bars, each item in the order it is made.
const ToolItem kToolItems[] = {
    {Bar::Picture, "OpenButton", 0, 23, Command::Open},
    {Bar::Picture, "EndButton", 23, 23, Command::Close},
    {Bar::Picture, "ToolButton9", 46, 8, Separator{}},
    {Bar::Picture, "FullScreenButton", 54, 23, Command::FullScreen},
    {Bar::Picture, "ToolButton8", 77, 8, Separator{}},
    {Bar::Picture, "StartButton", 85, 23, Command::Start},
    {Bar::Picture, "StopButton", 108, 23, Command::Stop},
    {Bar::Picture, "BackButton", 131, 23, Command::Back},
    {Bar::Picture, "NextButton", 154, 23, Command::Next},
    {Bar::Picture, "ToolButton10", 177, 8, Separator{}},
    {Bar::Picture, "Label1", 185, 39, Control::IntervalLabel},
    {Bar::Picture, "ToolButton11", 224, 7, Separator{}},
    {Bar::Picture, "SpinEdit1", 231, 50, Control::IntervalField},
    {Bar::Picture, "ToolButton12", 281, 8, Separator{}},
    {Bar::Picture, "Label2", 289, 40, Control::CounterLabel},
    {Bar::Picture, "ToolButton13", 329, 8, Separator{}},
    {Bar::Picture, "CounterPanel", 337, 89, Control::Counter},
    {Bar::Picture, "ToolButton1", 426, 8, Separator{}},
    {Bar::Picture, "HelpButton", 434, 23, Command::About},
    {Bar::Picture, "ToolButton7", 457, 8, Separator{}},
    {Bar::Picture, "ToolButton14", 465, 23, Command::Print},
    {Bar::Picture, "ToolButton15", 488, 8, Separator{}},
    {Bar::Picture, "CheckBox2", 496, 97, Control::LandscapePrint},

    {Bar::Media, "ToolButton2", 0, 26, Command::Open},
    {Bar::Media, "ToolButton3", 26, 26, Command::Close},
    {Bar::Media, "ToolButton22", 52, 8, Separator{}},
    {Bar::Media, "FSBT", 60, 26, Command::FullScreen},

    {Bar::Document, "ToolButton4", 0, 23, Command::Open},
    {Bar::Document, "ToolButton5", 23, 23, Command::Close},
    {Bar::Document, "ToolButton6", 46, 8, Separator{}},
    {Bar::Document, "ToolButton16", 54, 8, Separator{}},
    {Bar::Document, "Label5", 62, 34, Control::SizeLabel},
    {Bar::Document, "ToolButton17", 96, 8, Separator{}},
    {Bar::Document, "SizePanel", 104, 100, Control::Size},
    {Bar::Document, "ToolButton18", 204, 8, Separator{}},
    {Bar::Document, "ToolButton19", 212, 23, Command::About},
    {Bar::Document, "ToolButton20", 235, 8, Separator{}},
    {Bar::Document, "ToolButton21", 243, 23, Command::CharPrint},
};

}  // namespace

void TzaroForm1::createToolBar(ToolBarOf bar, QWidget* toolBar, int top, int height) {
    for (const ToolItem& item : kToolItems) {
        if (item.bar != bar) continue;
        const QRect bounds(item.left, top, item.width, height);
        if (const Command* id = std::get_if<Command>(&item.what)) {
            const shell::CommandRow& row = shell::commandRow(*id);
            const QIcon& glyph = glyphs_[static_cast<size_t>(row.glyph)];
            auto* button = new controls::CommandButton(command(*id), glyph, toolBar);
            button->setObjectName(QString::fromLatin1(item.name));
            button->setGeometry(bounds);
            button->setGlyph(glyph, row.glyph);
            // Full screen changes its button's glyph on each bar.
            if (*id == Command::FullScreen) {
                if (bar == ToolBarOf::Picture)
                    FullScreenButton = button;
                else
                    FSBT = button;
            }
        } else if (std::holds_alternative<Separator>(item.what)) {
            auto* separator = new controls::ToolSeparator(toolBar);
            separator->setObjectName(QString::fromLatin1(item.name));
            separator->setGeometry(bounds);
        } else {
            createToolControl(std::get<ToolControl>(item.what), toolBar, item.name, bounds);
        }
    }
}

void TzaroForm1::createToolControl(ToolControl control, QWidget* toolBar, const char* name,
                                   const QRect& bounds) {
    const Qt::Alignment labelAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    const QColor text = palette().color(QPalette::WindowText);
    switch (control) {
        case ToolControl::IntervalLabel:
            Label1 = makeLabel(toolBar, name, bounds, QStringLiteral("タイマ-"),
                               definitionFont(kGothic, 13), text, false, labelAlignment);
            return;
        case ToolControl::IntervalField:
            // Made after the window's first paint (buildIntervalField).
            intervalField_.setBuilder([this] { buildIntervalField(); });
            return;
        case ToolControl::CounterLabel:
            Label2 = makeLabel(toolBar, name, bounds, QStringLiteral("カウンタ"), font(), text,
                               false, labelAlignment);
            return;
        case ToolControl::Counter:
            CounterPanel = makePanel(toolBar, name, bounds, kBlack, Panel::Bevel::Single);
            CounterPanel->setFont(numberFieldFont());
            CounterPanel->setFontColor(kAqua);
            CounterPanel->setToolTip(QStringLiteral("画像数表示"));
            CounterPanel->setAccessibleName(QStringLiteral("画像数表示"));
            CounterPanel->setReadout(true);
            return;
        case ToolControl::LandscapePrint:
            CheckBox2 = new QCheckBox(QStringLiteral("横向き印刷"), toolBar);
            CheckBox2->setObjectName(QString::fromLatin1(name));
            CheckBox2->setGeometry(bounds);
            CheckBox2->setFocusPolicy(Qt::StrongFocus);
            CheckBox2->setAccessibleName(QStringLiteral("横向き印刷"));
            return;
        case ToolControl::SizeLabel:
            Label5 = makeLabel(toolBar, name, bounds, QStringLiteral("サイズ"), font(), text, false,
                               labelAlignment);
            return;
        case ToolControl::Size:
            SizePanel = makePanel(toolBar, name, bounds, kBlack, Panel::Bevel::Single);
            SizePanel->setFont(numberFieldFont());
            SizePanel->setFontColor(kLime);
            SizePanel->setAccessibleName(QStringLiteral("サイズ表示"));
            SizePanel->setReadout(true);
            return;
    }
}

}  // namespace zarovia
