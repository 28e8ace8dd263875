#include "ui/dialogs/OEConvCalibrationForm.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <vector>

#include "acq/OEConvCalibration.h"
#include "core/DotNumberText.h"
#include "core/Shell.h"
#include "ui/QtColor.h"

namespace vt {

namespace {

constexpr int DialogWidth = 300;
constexpr int DialogLeft = 360;  // from the main window's corner
constexpr int DialogTop = 220;
constexpr int CaptionWidth = 150;

QLabel* Label(QWidget* parent, const char* name, const QString& text, int x, int y, int w) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setGeometry(x, y, w, 18);
    return l;
}

}  // namespace

TfrmCalibrOEConverter::TfrmCalibrOEConverter(QWidget* mainWindow, TShell& shell, TOEConvCalibration& run)
    : QDialog(mainWindow), Shell_(shell), Run_(run) {
    setObjectName("frmCalibrOEConverter");
    setWindowTitle("O/E Converter Calibration");
    if (mainWindow) move(mainWindow->geometry().left() + DialogLeft, mainWindow->geometry().top() + DialogTop);
    setCursor(Qt::WaitCursor);
    Channel_ = Label(this, "lbChannel", "", 8, 8, DialogWidth - 16);
    Channel_->setAlignment(Qt::AlignCenter);
    const int valueX = 8 + CaptionWidth;
    const int valueW = DialogWidth - valueX - 8;
    ZeroErrorCaption_ = Label(this, "lbZeroErrorCaption", "Zero Error", 8, 32, CaptionWidth);
    ZeroError_ = Label(this, "lbZeroError", "", valueX, 32, valueW);
    DarkLevelCaption_ = Label(this, "lbDarkLevelCaption", "Dark Level Compensation", 8, 52, CaptionWidth);
    DarkLevel_ = Label(this, "lbDarkLevel", "", valueX, 52, valueW);
    AvgPowerCaption_ = Label(this, "lbAvgPowerCaption", "Avg Power Zero", 8, 72, CaptionWidth);
    AvgPower_ = Label(this, "lbAvgPower", "", valueX, 72, valueW);
    GainCaption_ = Label(this, "lbGainCaption", "Gain", 8, 92, CaptionWidth);
    Gain_ = Label(this, "lbGain", "", valueX, 92, valueW);
    Progress_ = new QProgressBar(this);
    Progress_->setObjectName("pbProgress");
    Progress_->setRange(0, 100);
    Progress_->setGeometry(8, 118, DialogWidth - 16, 18);
    Result_ = Label(this, "lbResult", "", 8, 118, DialogWidth - 16);
    Result_->setAlignment(Qt::AlignCenter);
    Ok_ = new QPushButton("OK", this);
    Ok_->setObjectName("btOK");
    Ok_->setGeometry(DialogWidth / 2 - 90, 146, 80, 24);
    Cancel_ = new QPushButton("Cancel", this);
    Cancel_->setObjectName("btCancel");
    Cancel_->setGeometry(DialogWidth / 2 + 10, 146, 80, 24);
    setFixedSize(DialogWidth, 180);
    connect(Ok_, &QPushButton::clicked, this, [this] { Run_.Close(true); });
    connect(Cancel_, &QPushButton::clicked, this, [this] { Run_.Close(false); });
    // The labels of the other calibration are greyed.
    const std::vector<QLabel*> other = Run_.GainMode()
                                           ? std::vector<QLabel*>{ZeroErrorCaption_, ZeroError_, DarkLevelCaption_, DarkLevel_}
                                           : std::vector<QLabel*>{GainCaption_, Gain_};
    for (QLabel* l : other) l->setEnabled(false);
    if (mainWindow) mainWindow->setCursor(Qt::WaitCursor);
    Refresh();
}

TfrmCalibrOEConverter::~TfrmCalibrOEConverter() {
    if (parentWidget()) parentWidget()->unsetCursor();
}

void TfrmCalibrOEConverter::reject() {
    // Escape and the close box are Cancel: the run ends the dialog.
    Run_.Close(false);
}

void TfrmCalibrOEConverter::Refresh() {
    Channel_->setText(QString::fromStdString(FormatDot(Shell_.LangStr("Channel_n"), Run_.ChannelNumber())));
    ZeroError_->setText(QString::fromStdString(Run_.ZeroErrorText()));
    DarkLevel_->setText(QString::fromStdString(Run_.DarkLevelText()));
    AvgPower_->setText(QString::fromStdString(Run_.AvgPowerText()));
    Gain_->setText(QString::fromStdString(Run_.GainText()));
    Progress_->setValue(std::clamp(Run_.Progress(), 0, 100));
    Progress_->setVisible(Run_.ProgressVisible());
    const bool done = Run_.Step() == ocsFinished;
    Result_->setVisible(done);
    Result_->setText(QString::fromStdString(Run_.ResultText()));
    QFont f = Result_->font();
    f.setBold(true);
    Result_->setFont(f);
    QPalette p = Result_->palette();
    p.setColor(QPalette::WindowText, ToQColor(Run_.ResultColor()));
    Result_->setPalette(p);
    Ok_->setEnabled(Run_.OkEnabled());
    if (done) {
        unsetCursor();
        if (Run_.OkEnabled()) Ok_->setFocus();
    }
}

}  // namespace vt
