// Media pane handlers: the media branch, following the play position, seeking, the media
// bar and the video area.
#include "Unit1.h"

#include "platform/controls/ImageView.h"
#include "platform/controls/Panel.h"

#include <QLabel>
#include <QSlider>

namespace zarovia {

void TzaroForm1::hideMediaControls() {
    Image1->hide();
    Image1->repaint();
    Image2->hide();
    Image3->hide();
    Label3->hide();
    Label4->hide();
    DisplayPanel->hide();
    Panel2->hide();
    MediaPlayer1->hide();
    MediaPlayer1->update();
}

void TzaroForm1::UpdateMediaCursor() { setCursorHidden(CoolBar1->isHidden()); }

void TzaroForm1::showMediaBranch(const QByteArray&) {}
void TzaroForm1::Timer3Timer() {}
void TzaroForm1::TrackBar1Change() {}
void TzaroForm1::BackPanelMouseDown(Qt::MouseButton button) {
    if (button != Qt::RightButton) return;
    CoolBar1->setVisible(CoolBar1->isHidden());
    UpdateMediaCursor();
}
void TzaroForm1::DisplayPanelMouseDown(Qt::MouseButton button) { BackPanelMouseDown(button); }
void TzaroForm1::MediaPlayer1Click() {}
void TzaroForm1::WideClick() { ActMovSExecute(); }
void TzaroForm1::ActMovSExecute() {}

}  // namespace zarovia
