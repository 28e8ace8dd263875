#include "ui/dialogs/CalibrationDialogs.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "acq/AutoCalibration.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "ui/QtColor.h"

namespace vt {

namespace {

constexpr int DialogWidth = 330;

void Paint(QLabel* label, TColor color) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, ToQColor(color));
    label->setPalette(p);
}

}  // namespace

TCalibrationRunDialog::TCalibrationRunDialog(QWidget* parent, TAutoCalibration& run, const QString& title, int dx,
                                             int dy)
    : QDialog(parent), Run_(run) {
    setWindowTitle(title);
    if (parent) move(parent->geometry().left() + dx, parent->geometry().top() + dy);
    setCursor(Qt::WaitCursor);
    Label_ = new QLabel(this);
    Label_->setObjectName("lbStatus");
    Label_->setAlignment(Qt::AlignCenter);
    Label_->setGeometry(8, 8, DialogWidth - 16, 18);
}

void TCalibrationRunDialog::AddButtons(int top) {
    Ok_ = new QPushButton("OK", this);
    Ok_->setObjectName("btOK");
    Ok_->setGeometry(DialogWidth / 2 - 90, top, 80, 24);
    Cancel_ = new QPushButton("Cancel", this);
    Cancel_->setObjectName("btCancel");
    Cancel_->setGeometry(DialogWidth / 2 + 10, top, 80, 24);
    setFixedSize(DialogWidth, top + 34);
    connect(Ok_, &QPushButton::clicked, this, [this] { Run_.ClosePart(true); Follow(); });
    connect(Cancel_, &QPushButton::clicked, this, [this] { Run_.ClosePart(false); Follow(); });
}

void TCalibrationRunDialog::Follow() {
    Refresh();
    if (Run_.State() == TCalState::Idle) accept();
}

void TCalibrationRunDialog::Refresh() {
    Label_->setText(QString::fromStdString(Run_.LabelText()));
    QFont f = Label_->font();
    f.setBold(Run_.State() == TCalState::WaitClose);
    Label_->setFont(f);
    Paint(Label_, Run_.LabelColor());
    const bool ready = Run_.State() == TCalState::WaitClose && Run_.PartSucceeded();
    Ok_->setEnabled(ready);
    if (ready) {
        Ok_->setFocus();
        unsetCursor();
    }
}

TAutocalTBF::TAutocalTBF(QWidget* parent, TAutoCalibration& run)
    : TCalibrationRunDialog(parent, run, "Time Base Calibration", 460, 125) {
    setObjectName("AutocalTBF");
    auto* panel = new QGroupBox(this);
    panel->setObjectName("pnResult");
    panel->setGeometry(8, 32, DialogWidth - 16, 54);
    auto* coarse = new QLabel("2. Coarse Time Base Generator:", panel);
    coarse->setGeometry(8, 8, 190, 18);
    Coarse_ = new QLabel(panel);
    Coarse_->setObjectName("lbCoarse");
    Coarse_->setGeometry(200, 8, DialogWidth - 232, 18);
    auto* fine = new QLabel("3. Fine Time Base Generator:", panel);
    fine->setGeometry(8, 28, 190, 18);
    Fine_ = new QLabel(panel);
    Fine_->setObjectName("lbFine");
    Fine_->setGeometry(200, 28, DialogWidth - 232, 18);
    AddButtons(94);
    Refresh();
}

void TAutocalTBF::Refresh() {
    TCalibrationRunDialog::Refresh();
    Coarse_->setText(QString::fromStdString(Run_.CoarseText()));
    Paint(Coarse_, Run_.CoarseColor());
    Fine_->setText(QString::fromStdString(Run_.FineText()));
    Paint(Fine_, Run_.FineColor());
}

TAutocalChannelsF::TAutocalChannelsF(QWidget* parent, TAutoCalibration& run)
    : TCalibrationRunDialog(parent, run, "Channels Calibration", 360, 105) {
    setObjectName("AutocalChannelsF");
    Progress_ = new QProgressBar(this);
    Progress_->setObjectName("pbProgress");
    Progress_->setRange(0, 100);
    Progress_->setGeometry(8, 32, DialogWidth - 16, 18);
    Status_ = new QLabel(this);
    Status_->setObjectName("lbStatusText");
    Status_->setAlignment(Qt::AlignCenter);
    Status_->setGeometry(8, 54, DialogWidth - 16, 18);
    AddButtons(80);
    Refresh();
}

void TAutocalChannelsF::Refresh() {
    TCalibrationRunDialog::Refresh();
    Progress_->setValue(Run_.Progress());
    Progress_->setVisible(Run_.ProgressVisible());
    Status_->setText(QString::fromStdString(Run_.StatusText()));
}

TCalibrateStatus::TCalibrateStatus(QWidget* parent, TShell& shell) : QDialog(parent), Shell_(shell) {
    setObjectName("CalibrateStatus");
    setWindowTitle("Calibration Status");
    auto* when = new QGroupBox("Calibrate When...", this);
    when->setGeometry(8, 8, 200, 84);
    PowerOn_ = new QCheckBox("Power On", when);
    PowerOn_->setGeometry(10, 18, 180, 20);
    Period_ = new QCheckBox("Periodically...", when);
    Period_->setGeometry(10, 38, 180, 20);
    Temperature_ = new QCheckBox("Temperature Change...", when);
    Temperature_->setGeometry(10, 58, 180, 20);
    auto* hoursLabel = new QLabel("Calibration Period", this);
    hoursLabel->setGeometry(8, 100, 120, 20);
    Hours_ = new QDoubleSpinBox(this);
    Hours_->setGeometry(130, 100, 78, 20);
    Hours_->setRange(0.25, 16);
    Hours_->setSuffix(" h");
    auto* degreesLabel = new QLabel("Temperature Change", this);
    degreesLabel->setGeometry(8, 124, 120, 20);
    Degrees_ = new QDoubleSpinBox(this);
    Degrees_->setGeometry(130, 124, 78, 20);
    Degrees_->setRange(0.5, 10);
    Degrees_->setSuffix(QString::fromUtf8(" \xC2\xB0" "C"));
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("btOK");
    ok->setGeometry(68, 152, 80, 24);
    setFixedSize(216, 184);
    TCommandTree* tree = shell.CommandTree();
    const std::uint32_t mask = ReadMaskSetting(tree, "Util:CalibrWhen", 0);
    PowerOn_->setChecked(mask & 1);
    Period_->setChecked(mask & 2);
    Temperature_->setChecked(mask & 4);
    Hours_->setValue(ReadRealSetting(tree, "Util:CalPeriod", 1));
    Degrees_->setValue(ReadRealSetting(tree, "Util:TempChange", 3));
    connect(ok, &QPushButton::clicked, this, [this] {
        Apply();
        accept();
    });
}

void TCalibrateStatus::Apply() {
    TCommandTree* tree = Shell_.CommandTree();
    if (auto* h = FindSetting<TCheckSwHandler>(tree, "Util:CalibrWhen"))
        h->SetMask((PowerOn_->isChecked() ? 1u : 0u) | (Period_->isChecked() ? 2u : 0u) |
                   (Temperature_->isChecked() ? 4u : 0u));
    WriteRealSetting(tree, "Util:CalPeriod", Hours_->value());
    WriteRealSetting(tree, "Util:TempChange", Degrees_->value());
}

}  // namespace vt
