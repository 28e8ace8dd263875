#include "ui/dialogs/TdrChannelCalibrationForm.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

#include "serial/TdrChannelCalibration.h"
#include "ui/QtColor.h"

namespace vt {

namespace {
constexpr int DialogWidth = 340;
constexpr int DialogHeight = 190;
constexpr int DialogLeft = 360;  // from the main window's corner
constexpr int DialogTop = 105;
constexpr int CaptionLeft = 16, CaptionWidth = 132, ValueLeft = 152;
constexpr int RowTop = 60, RowHeight = 20;

QLabel* NewLabel(QWidget* parent, const char* name, const QString& text, const QRect& where) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(where);
    return label;
}
}  // namespace

TfrmTDR_CalibrChannel::TfrmTDR_CalibrChannel(QWidget* mainWindow, TTdrChannelCalibration& run)
    : QDialog(mainWindow), Run_(run) {
    setObjectName("frmTDR_CalibrChannel");
    if (mainWindow) move(mainWindow->geometry().left() + DialogLeft, mainWindow->geometry().top() + DialogTop);
    LblStatus_ = NewLabel(this, "LblStatus", {}, QRect(8, 8, DialogWidth - 16, 20));
    LblStatus_->setAlignment(Qt::AlignCenter);
    ProgressBar1_ = new QProgressBar(this);
    ProgressBar1_->setObjectName("ProgressBar1");
    ProgressBar1_->setRange(0, 100);
    ProgressBar1_->setGeometry(8, 34, DialogWidth - 16, 18);
    const int valueWidth = DialogWidth - ValueLeft - 8;
    AmplCaption_ = NewLabel(this, "lblRefAmplCaption", "Reference Amplitude:", QRect(CaptionLeft, RowTop, CaptionWidth, RowHeight));
    AmplValue_ = NewLabel(this, "lblRefAmplValue", {}, QRect(ValueLeft, RowTop, valueWidth, RowHeight));
    BaselineCaption_ = NewLabel(this, "lblBaselineCaption", "Baseline:", QRect(CaptionLeft, RowTop + RowHeight, CaptionWidth, RowHeight));
    BaselineValue_ = NewLabel(this, "lblBaselineValue", {}, QRect(ValueLeft, RowTop + RowHeight, valueWidth, RowHeight));
    NewLabel(this, "Label1", "Reference Plane:", QRect(CaptionLeft, RowTop + 2 * RowHeight, CaptionWidth, RowHeight));
    RefPlane_ = NewLabel(this, "lblRefPlane", {}, QRect(ValueLeft, RowTop + 2 * RowHeight, valueWidth, RowHeight));
    LblError_ = NewLabel(this, "lblError", {}, QRect(8, RowTop + 3 * RowHeight + 4, DialogWidth - 16, 2 * RowHeight));
    LblError_->setAlignment(Qt::AlignCenter);
    LblError_->setWordWrap(true);
    Ok_ = new QPushButton("OK", this);
    Ok_->setObjectName("btnOk");
    Ok_->setGeometry(DialogWidth / 2 - 90, DialogHeight - 36, 80, 26);
    Cancel_ = new QPushButton("Cancel", this);
    Cancel_->setObjectName("btnCancel");
    Cancel_->setGeometry(DialogWidth / 2 + 10, DialogHeight - 36, 80, 26);
    setFixedSize(DialogWidth, DialogHeight);
    connect(Ok_, &QPushButton::clicked, this, [this] { Run_.Close(true); });
    connect(Cancel_, &QPushButton::clicked, this, [this] { Run_.Close(false); });
    Refresh();
}

TfrmTDR_CalibrChannel::~TfrmTDR_CalibrChannel() {
    if (Waiting_ && parentWidget()) parentWidget()->unsetCursor();
}

void TfrmTDR_CalibrChannel::reject() {
    // Escape and the close box are Cancel: the run ends the dialog.
    Run_.Close(false);
}

void TfrmTDR_CalibrChannel::Refresh() {
    setWindowTitle(QString::fromStdString(Run_.Title()));
    LblStatus_->setText(QString::fromStdString(Run_.Status()));
    QPalette p = LblStatus_->palette();
    p.setColor(QPalette::WindowText, ToQColor(Run_.StatusColor()));
    LblStatus_->setPalette(p);
    ProgressBar1_->setVisible(Run_.ProgressVisible());
    ProgressBar1_->setValue(std::clamp(Run_.Progress(), 0, 100));
    BaselineCaption_->setText(QString::fromStdString(Run_.BaselineCaption()));
    for (QLabel* label : {AmplCaption_, AmplValue_, BaselineCaption_, BaselineValue_}) label->setVisible(Run_.ValuesVisible());
    AmplValue_->setText(QString::fromStdString(Run_.AmplitudeText()));
    BaselineValue_->setText(QString::fromStdString(Run_.BaselineText()));
    RefPlane_->setText(QString::fromStdString(Run_.RefPlaneText()));
    LblError_->setText(QString::fromStdString(Run_.ErrorText()));
    Ok_->setEnabled(Run_.OkEnabled());
    if (Run_.OkEnabled()) Ok_->setFocus();
    // The wait cursor while the run collects.
    const bool wait = Run_.Collecting();
    if (wait != Waiting_ && parentWidget()) {
        if (wait)
            parentWidget()->setCursor(Qt::WaitCursor);
        else
            parentWidget()->unsetCursor();
    }
    Waiting_ = wait;
    if (wait)
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();
}

}  // namespace vt
