#pragma once
// The dialogs of auto-calibration, each a view of the run that the idle pass steps: the timebase run
// with its two measured values, the channel run with its progress and status, and the calibration
// schedule.
#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;
class QCheckBox;
class QDoubleSpinBox;

namespace vt {

class TAutoCalibration;
class TShell;

// What both run dialogs share: the status label, OK and Cancel.
class TCalibrationRunDialog : public QDialog {
public:
    // Shows what the run holds now.
    virtual void Refresh();
    // Refreshes; once the run's part has ended the dialog closes.
    void Follow();
    QLabel* StatusLabel() const { return Label_; }
    QPushButton* OkButton() const { return Ok_; }
    QPushButton* CancelButton() const { return Cancel_; }

protected:
    TCalibrationRunDialog(QWidget* parent, TAutoCalibration& run, const QString& title, int dx, int dy);
    // The run's buttons, below the dialog's own widgets at top.
    void AddButtons(int top);
    TAutoCalibration& Run_;

private:
    QLabel* Label_ = nullptr;
    QPushButton* Ok_ = nullptr;
    QPushButton* Cancel_ = nullptr;
};

class TAutocalTBF : public TCalibrationRunDialog {
public:
    TAutocalTBF(QWidget* parent, TAutoCalibration& run);
    void Refresh() override;

private:
    QLabel* Coarse_ = nullptr;
    QLabel* Fine_ = nullptr;
};

class TAutocalChannelsF : public TCalibrationRunDialog {
public:
    TAutocalChannelsF(QWidget* parent, TAutoCalibration& run);
    void Refresh() override;
    QProgressBar* ProgressBar() const { return Progress_; }

private:
    QProgressBar* Progress_ = nullptr;
    QLabel* Status_ = nullptr;
};

// "Calibration Status": when the automatic calibration runs, its period and temperature change.
class TCalibrateStatus : public QDialog {
public:
    TCalibrateStatus(QWidget* parent, TShell& shell);
    // OK: the choices go into the utility settings.
    void Apply();

private:
    TShell& Shell_;
    QCheckBox* PowerOn_ = nullptr;
    QCheckBox* Period_ = nullptr;
    QCheckBox* Temperature_ = nullptr;
    QDoubleSpinBox* Hours_ = nullptr;
    QDoubleSpinBox* Degrees_ = nullptr;
};

}  // namespace vt
