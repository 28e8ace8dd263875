#pragma once
// The autoscale progress dialog: what runs, a progress bar and Cancel, shown modally while the run
// goes on; the program's idle pass steps the run.
#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace vt {

class TAutoScale;

class TAutoScalFrm : public QDialog {
public:
    static constexpr int FormWidth = 295;
    static constexpr int FormHeight = 66;

    TAutoScalFrm(QWidget* parent, TAutoScale& run);

    QProgressBar& ProgressBar() const { return *Progress_; }
    QPushButton& CancelButton() const { return *Cancel_; }
    // What runs, over the bar: the caption until told ("Autoscale as NRZ signal").
    QLabel& WhatRuns() const { return *What_; }
    void SetProgress(int position);

private:
    TAutoScale& Run_;
    QLabel* What_;
    QProgressBar* Progress_;
    QPushButton* Cancel_;
};

}  // namespace vt
