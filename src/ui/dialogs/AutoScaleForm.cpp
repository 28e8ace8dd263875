#include "ui/dialogs/AutoScaleForm.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "acq/Autoscale.h"
#include "ui/dialogs/DialogPlacing.h"

namespace vt {

TAutoScalFrm::TAutoScalFrm(QWidget* parent, TAutoScale& run) : QDialog(parent), Run_(run) {
    setObjectName("AutoScalFrm");
    setWindowTitle("Autoscaling...");
    setFixedSize(FormWidth, FormHeight);
    // Without a window manager no title bar shows the caption: the form says it itself.
    What_ = Place(new QLabel(windowTitle(), this), "lbWhat", 8, 6, 279, 18);
    Progress_ = Place(new QProgressBar(this), "ProgressBar1", 8, 34, 190, 20);
    Progress_->setRange(0, 100);
    Progress_->setTextVisible(false);
    Progress_->setValue(run.Progress());
    Cancel_ = Place(new QPushButton("Cancel", this), "btCancel", 207, 32, 80, 24);
    // Cancel ends the run; the run's end closes the dialog.
    connect(Cancel_, &QPushButton::clicked, this, [this] { Run_.CloseAutoScale(2); });
}

void TAutoScalFrm::SetProgress(int position) { Progress_->setValue(std::clamp(position, 0, 100)); }

}  // namespace vt
