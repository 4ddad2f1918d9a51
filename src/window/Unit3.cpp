#include "window/Unit3.h"

#include "Version.h"
#include "ui_Unit3.h"
#include "window/Glyphs.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

namespace zarovia {

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent), ui(new Ui::TAboutBox) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(273, 195);
    setObjectName(QStringLiteral("AboutBox"));
    ui->ProgramIcon->setPixmap(window::programEmblem());

    QFont base(QStringLiteral("ＭＳ Ｐゴシック"));
    base.setPixelSize(12);
    setFont(base);
    auto styled = [&base](QLabel* label, int pixels, const QColor& color) {
        QFont font = base;
        font.setPixelSize(pixels);
        font.setBold(true);
        label->setFont(font);
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, color);
        label->setPalette(p);
    };
    styled(ui->ProductName, 21, QColor(128, 0, 0));
    styled(ui->Version, 16, QColor(0, 128, 0));
    ui->Version->setText(
        QStringLiteral("バージョン %1.%2").arg(version::kMajor).arg(version::kMinor));
    ui->Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ui->Panel1->setMidLineWidth(1);
    ui->OKButton->setFocus();
    connect(ui->OKButton, &QPushButton::clicked, this, &TAboutBox::OKButtonClick);
}

TAboutBox::~TAboutBox() {
    delete ui;
}

void TAboutBox::showBeside() {
    if (isVisible()) return;
    if (!placed_) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (screen) move(screen->geometry().center() - QPoint(width() / 2, height() / 2));
        placed_ = true;
    } else {
        move(lastPosition_);
    }
    show();
}

void TAboutBox::OKButtonClick() {
    setResult(QDialog::Accepted);
    lastPosition_ = pos();
    hide();
}

void TAboutBox::keyPressEvent(QKeyEvent* event) {
    // Enter presses OK; Escape does nothing, as the box has no cancel button.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        OKButtonClick();
        return;
    }
    if (event->key() == Qt::Key_Escape) return;
    QDialog::keyPressEvent(event);
}

void TAboutBox::closeEvent(QCloseEvent* event) {
    lastPosition_ = pos();
    event->ignore();
    hide();
}

}  // namespace zarovia
