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

// One item of a tool bar: a command button, a separator, or a control placed by name.
struct ToolItem {
    const char* name;
    enum Kind { Button, Separator, Control } kind;
    int left;
    int width;
    Command command;
};

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
    createToolBar1();
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
    createToolBar2();

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
    createToolBar3();

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
    if (!isLoading()) return completeToolBar();
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

void TzaroForm1::createToolBar1() {
    static const ToolItem items[] = {
        {"OpenButton", ToolItem::Button, 0, 23, Command::Open},
        {"EndButton", ToolItem::Button, 23, 23, Command::Close},
        {"ToolButton9", ToolItem::Separator, 46, 8, Command::Open},
        {"FullScreenButton", ToolItem::Button, 54, 23, Command::FullScreen},
        {"ToolButton8", ToolItem::Separator, 77, 8, Command::Open},
        {"StartButton", ToolItem::Button, 85, 23, Command::Start},
        {"StopButton", ToolItem::Button, 108, 23, Command::Stop},
        {"BackButton", ToolItem::Button, 131, 23, Command::Back},
        {"NextButton", ToolItem::Button, 154, 23, Command::Next},
        {"ToolButton10", ToolItem::Separator, 177, 8, Command::Open},
        {"Label1", ToolItem::Control, 185, 39, Command::Open},
        {"ToolButton11", ToolItem::Separator, 224, 7, Command::Open},
        {"SpinEdit1", ToolItem::Control, 231, 50, Command::Open},
        {"ToolButton12", ToolItem::Separator, 281, 8, Command::Open},
        {"Label2", ToolItem::Control, 289, 40, Command::Open},
        {"ToolButton13", ToolItem::Separator, 329, 8, Command::Open},
        {"CounterPanel", ToolItem::Control, 337, 89, Command::Open},
        {"ToolButton1", ToolItem::Separator, 426, 8, Command::Open},
        {"HelpButton", ToolItem::Button, 434, 23, Command::About},
        {"ToolButton7", ToolItem::Separator, 457, 8, Command::Open},
        {"ToolButton14", ToolItem::Button, 465, 23, Command::Print},
        {"ToolButton15", ToolItem::Separator, 488, 8, Command::Open},
        {"CheckBox2", ToolItem::Control, 496, 97, Command::Open},
    };
    const int top = 2, buttonHeight = 22;
    for (const ToolItem& item : items) {
        const QString name = QString::fromLatin1(item.name);
        if (item.kind == ToolItem::Button) {
            const shell::CommandRow& row = shell::commandRow(item.command);
            auto* button = new controls::CommandButton(
                command(item.command), glyphs_[static_cast<size_t>(row.glyph)], ToolBar1);
            button->setObjectName(name);
            button->setGeometry(item.left, top, item.width, buttonHeight);
            button->setGlyph(glyphs_[static_cast<size_t>(row.glyph)], row.glyph);
            if (item.command == Command::FullScreen) FullScreenButton = button;
        } else if (item.kind == ToolItem::Separator) {
            auto* separator = new controls::ToolSeparator(ToolBar1);
            separator->setObjectName(name);
            separator->setGeometry(item.left, top, item.width, buttonHeight);
        } else if (name == QLatin1String("Label1")) {
            Label1 = makeLabel(ToolBar1, "Label1", {item.left, top, item.width, buttonHeight},
                               QStringLiteral("タイマ-"), definitionFont(kGothic, 13),
                               palette().color(QPalette::WindowText), false,
                               Qt::AlignLeft | Qt::AlignVCenter);
        } else if (name == QLatin1String("SpinEdit1")) {
            intervalField_.setBuilder([this] { buildIntervalField(); });
        } else if (name == QLatin1String("Label2")) {
            Label2 =
                makeLabel(ToolBar1, "Label2", {item.left, top, item.width, buttonHeight},
                          QStringLiteral("カウンタ"), font(), palette().color(QPalette::WindowText),
                          false, Qt::AlignLeft | Qt::AlignVCenter);
        } else if (name == QLatin1String("CounterPanel")) {
            CounterPanel =
                makePanel(ToolBar1, "CounterPanel", {item.left, top, item.width, buttonHeight},
                          kBlack, Panel::Bevel::Single);
            CounterPanel->setFont(numberFieldFont());
            CounterPanel->setFontColor(kAqua);
            CounterPanel->setToolTip(QStringLiteral("画像数表示"));
            CounterPanel->setAccessibleName(QStringLiteral("画像数表示"));
            CounterPanel->setReadout(true);
        } else if (name == QLatin1String("CheckBox2")) {
            CheckBox2 = new QCheckBox(QStringLiteral("横向き印刷"), ToolBar1);
            CheckBox2->setObjectName(name);
            CheckBox2->setGeometry(item.left, top, item.width, buttonHeight);
            CheckBox2->setFocusPolicy(Qt::StrongFocus);
            CheckBox2->setAccessibleName(QStringLiteral("横向き印刷"));
        }
    }
}

void TzaroForm1::createToolBar2() {
    static const ToolItem items[] = {
        {"ToolButton2", ToolItem::Button, 0, 26, Command::Open},
        {"ToolButton3", ToolItem::Button, 26, 26, Command::Close},
        {"ToolButton22", ToolItem::Separator, 52, 8, Command::Open},
        {"FSBT", ToolItem::Button, 60, 26, Command::FullScreen},
    };
    for (const ToolItem& item : items) {
        const QString name = QString::fromLatin1(item.name);
        if (item.kind == ToolItem::Separator) {
            auto* separator = new controls::ToolSeparator(ToolBar2.get());
            separator->setObjectName(name);
            separator->setGeometry(item.left, 2, item.width, 24);
            continue;
        }
        const shell::CommandRow& row = shell::commandRow(item.command);
        auto* button = new controls::CommandButton(
            command(item.command), glyphs_[static_cast<size_t>(row.glyph)], ToolBar2.get());
        button->setObjectName(name);
        button->setGeometry(item.left, 2, item.width, 24);
        button->setGlyph(glyphs_[static_cast<size_t>(row.glyph)], row.glyph);
        if (item.command == Command::FullScreen) FSBT = button;
    }
}

void TzaroForm1::createToolBar3() {
    static const ToolItem items[] = {
        {"ToolButton4", ToolItem::Button, 0, 23, Command::Open},
        {"ToolButton5", ToolItem::Button, 23, 23, Command::Close},
        {"ToolButton6", ToolItem::Separator, 46, 8, Command::Open},
        {"ToolButton16", ToolItem::Separator, 54, 8, Command::Open},
        {"Label5", ToolItem::Control, 62, 34, Command::Open},
        {"ToolButton17", ToolItem::Separator, 96, 8, Command::Open},
        {"SizePanel", ToolItem::Control, 104, 100, Command::Open},
        {"ToolButton18", ToolItem::Separator, 204, 8, Command::Open},
        {"ToolButton19", ToolItem::Button, 212, 23, Command::About},
        {"ToolButton20", ToolItem::Separator, 235, 8, Command::Open},
        {"ToolButton21", ToolItem::Button, 243, 23, Command::CharPrint},
    };
    for (const ToolItem& item : items) {
        const QString name = QString::fromLatin1(item.name);
        const QRect bounds(item.left, 0, item.width, 22);
        if (item.kind == ToolItem::Button) {
            const shell::CommandRow& row = shell::commandRow(item.command);
            auto* button = new controls::CommandButton(
                command(item.command), glyphs_[static_cast<size_t>(row.glyph)], ToolBar3);
            button->setObjectName(name);
            button->setGeometry(bounds);
            button->setGlyph(glyphs_[static_cast<size_t>(row.glyph)], row.glyph);
        } else if (item.kind == ToolItem::Separator) {
            auto* separator = new controls::ToolSeparator(ToolBar3);
            separator->setObjectName(name);
            separator->setGeometry(bounds);
        } else if (name == QLatin1String("Label5")) {
            Label5 = makeLabel(ToolBar3, "Label5", bounds, QStringLiteral("サイズ"), font(),
                               palette().color(QPalette::WindowText), false,
                               Qt::AlignLeft | Qt::AlignVCenter);
        } else if (name == QLatin1String("SizePanel")) {
            SizePanel = makePanel(ToolBar3, "SizePanel", bounds, kBlack, Panel::Bevel::Single);
            SizePanel->setFont(numberFieldFont());
            SizePanel->setFontColor(kLime);
            SizePanel->setAccessibleName(QStringLiteral("サイズ表示"));
            SizePanel->setReadout(true);
        }
    }
}

}  // namespace zarovia
