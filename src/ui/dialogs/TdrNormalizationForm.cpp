#include "ui/dialogs/TdrNormalizationForm.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

#include "serial/TdrNormalization.h"
#include "ui/QtColor.h"

namespace vt {

namespace {
constexpr int DialogWidth = 320;
constexpr int DialogHeight = 112;
constexpr int DialogLeft = 360;  // from the main window's corner
constexpr int DialogTop = 105;
}  // namespace

TfrmTDR_TDT_Normalization::TfrmTDR_TDT_Normalization(QWidget* mainWindow, TShell&, TTdrNormalization& run)
    : QDialog(mainWindow), Run_(run) {
    setObjectName("frmTDR_TDT_Normalization");
    if (mainWindow) move(mainWindow->geometry().left() + DialogLeft, mainWindow->geometry().top() + DialogTop);
    Progress_ = new QProgressBar(this);
    Progress_->setObjectName("pbProgress");
    Progress_->setRange(0, 100);
    Progress_->setGeometry(8, 10, DialogWidth - 16, 18);
    Status_ = new QLabel(this);
    Status_->setObjectName("lbStatus");
    Status_->setAlignment(Qt::AlignCenter);
    Status_->setGeometry(8, 38, DialogWidth - 16, 20);
    Ok_ = new QPushButton("OK", this);
    Ok_->setObjectName("btOK");
    Ok_->setGeometry(DialogWidth / 2 - 90, 72, 80, 26);
    Cancel_ = new QPushButton("Cancel", this);
    Cancel_->setObjectName("btCancel");
    Cancel_->setGeometry(DialogWidth / 2 + 10, 72, 80, 26);
    setFixedSize(DialogWidth, DialogHeight);
    connect(Ok_, &QPushButton::clicked, this, [this] { Run_.Close(true); });
    connect(Cancel_, &QPushButton::clicked, this, [this] { Run_.Close(false); });
    if (mainWindow) mainWindow->setCursor(Qt::WaitCursor);
    Refresh();
}

TfrmTDR_TDT_Normalization::~TfrmTDR_TDT_Normalization() {
    if (parentWidget()) parentWidget()->unsetCursor();
}

void TfrmTDR_TDT_Normalization::reject() {
    // Escape and the close box are Cancel: the run ends the dialog.
    Run_.Close(false);
}

void TfrmTDR_TDT_Normalization::Refresh() {
    setWindowTitle(QString::fromStdString(Run_.Title()));
    Progress_->setValue(std::clamp(Run_.Progress(), 0, 100));
    Status_->setText(QString::fromStdString(Run_.Status()));
    QPalette p = Status_->palette();
    p.setColor(QPalette::WindowText, ToQColor(Run_.StatusColor()));
    Status_->setPalette(p);
    Ok_->setEnabled(Run_.OkEnabled());
    if (Run_.OkEnabled()) {
        if (parentWidget()) parentWidget()->unsetCursor();
        Ok_->setFocus();
    }
}

}  // namespace vt
