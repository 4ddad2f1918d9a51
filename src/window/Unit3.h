#pragma once

#include <QDialog>

namespace Ui {
class TAboutBox;
}

namespace zarovia {

// The About box: the emblem, the name, the version and a one-line description. Shown beside
// the main window without being modal; OK, Enter and the close box only hide it, and it
// comes back where it was.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);
    ~TAboutBox() override;

    // Shows the box unless it is already shown; the first time centred on the screen.
    void showBeside();

public slots:
    void OKButtonClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    Ui::TAboutBox* ui;
    bool placed_ = false;
    QPoint lastPosition_;
};

}  // namespace zarovia
