#pragma once
// The autoscale progress dialog: a progress bar and Cancel, shown modally while the run goes on. Its
// timer steps the trigger-level trials between acquisitions.
#include <QDialog>

class QProgressBar;
class QPushButton;
class QTimer;

namespace vt {

class TAutoScale;

class TAutoScalFrm : public QDialog {
public:
    static constexpr int FormWidth = 295;
    static constexpr int FormHeight = 56;

    TAutoScalFrm(QWidget* parent, TAutoScale& run);

    QProgressBar& ProgressBar() const { return *Progress_; }
    QPushButton& CancelButton() const { return *Cancel_; }
    void SetProgress(int position);

private:
    TAutoScale& Run_;
    QProgressBar* Progress_;
    QPushButton* Cancel_;
    QTimer* Timer_;
};

}  // namespace vt
