#include "ui/dialogs/FindPatternTrigForm.h"

#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

#include "acq/PatternSearch.h"
#include "ui/dialogs/DialogPlacing.h"

namespace vt {

TfrmFindPatternTrig::TfrmFindPatternTrig(QWidget* parent, TPatternSearch& search) : QDialog(parent) {
    setObjectName("frmFindPatternTrig");
    setWindowTitle("Find Pattern Trigger ");
    setFixedSize(FormWidth, FormHeight);
    Progress_ = Place(new QProgressBar(this), "ProgressBar1", 8, 18, 190, 20);
    Progress_->setRange(0, 100);
    Progress_->setTextVisible(false);
    Progress_->setValue(search.Progress());
    Cancel_ = Place(new QPushButton("Cancel", this), "btCancel", 207, 16, 80, 24);
    connect(Cancel_, &QPushButton::clicked, this, [&search] { search.Cancel(); });
}

void TfrmFindPatternTrig::SetProgress(int position) { Progress_->setValue(std::clamp(position, 0, 100)); }

}  // namespace vt
