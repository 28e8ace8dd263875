#pragma once
// The TDR/TDT channel calibration's dialog, a view of the run: the progress while it collects, then
// the measured reference values (or the failure in red) and OK, which the run enables after a
// success. It never holds the caller: the run steps it from the acquisition cycle.
#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace vt {

class TTdrChannelCalibration;

class TfrmTDR_CalibrChannel : public QDialog {
public:
    TfrmTDR_CalibrChannel(QWidget* mainWindow, TTdrChannelCalibration& run);
    ~TfrmTDR_CalibrChannel() override;

    // Shows what the run holds now.
    void Refresh();

    QLabel* StatusLabel() const { return LblStatus_; }
    QLabel* ErrorLabel() const { return LblError_; }
    QProgressBar* ProgressBar() const { return ProgressBar1_; }
    QLabel* AmplitudeValue() const { return AmplValue_; }
    QLabel* BaselineCaption() const { return BaselineCaption_; }
    QLabel* BaselineValue() const { return BaselineValue_; }
    QLabel* RefPlaneValue() const { return RefPlane_; }
    QPushButton* OkButton() const { return Ok_; }
    QPushButton* CancelButton() const { return Cancel_; }

protected:
    void reject() override;

private:
    TTdrChannelCalibration& Run_;
    QLabel* LblStatus_ = nullptr;
    QLabel* LblError_ = nullptr;
    QProgressBar* ProgressBar1_ = nullptr;
    QLabel* AmplCaption_ = nullptr;
    QLabel* AmplValue_ = nullptr;
    QLabel* BaselineCaption_ = nullptr;
    QLabel* BaselineValue_ = nullptr;
    QLabel* RefPlane_ = nullptr;
    QPushButton* Ok_ = nullptr;
    QPushButton* Cancel_ = nullptr;
    bool Waiting_ = false;
};

}  // namespace vt
