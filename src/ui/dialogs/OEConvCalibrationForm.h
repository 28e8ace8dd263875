#pragma once
// The converter calibration's dialog, a view of the run: the channel, the dark-level search (zero
// error and compensation), the zero power and the gain, the progress and the coloured result.
#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace vt {

class TOEConvCalibration;
class TShell;

class TfrmCalibrOEConverter : public QDialog {
public:
    TfrmCalibrOEConverter(QWidget* mainWindow, TShell& shell, TOEConvCalibration& run);
    ~TfrmCalibrOEConverter() override;

    // Shows what the run holds now.
    void Refresh();

    QLabel* ResultLabel() const { return Result_; }
    QProgressBar* ProgressBar() const { return Progress_; }
    QPushButton* OkButton() const { return Ok_; }
    QPushButton* CancelButton() const { return Cancel_; }

protected:
    void reject() override;

private:
    TShell& Shell_;
    TOEConvCalibration& Run_;
    QLabel* Channel_ = nullptr;
    QLabel* ZeroErrorCaption_ = nullptr;
    QLabel* ZeroError_ = nullptr;
    QLabel* DarkLevelCaption_ = nullptr;
    QLabel* DarkLevel_ = nullptr;
    QLabel* AvgPowerCaption_ = nullptr;
    QLabel* AvgPower_ = nullptr;
    QLabel* GainCaption_ = nullptr;
    QLabel* Gain_ = nullptr;
    QLabel* Result_ = nullptr;
    QProgressBar* Progress_ = nullptr;
    QPushButton* Ok_ = nullptr;
    QPushButton* Cancel_ = nullptr;
};

}  // namespace vt
