#include "ui/PatternSearchFeature.h"

#include "ui/MainWindow.h"

namespace vt {

void TPatternSearchFeature::WindowCreated(TMorda_fr& window, TSideMenus&, TKitContext&) { Window_ = &window; }

void TPatternSearchFeature::RunModal(TPatternSearch& search) {
    TfrmFindPatternTrig form(Window_, search);
    Form_ = &form;
    const QPoint corner = Window_ ? Window_->mapToGlobal(QPoint(0, 0)) : QPoint();
    form.move(corner + QPoint(229, 49));
    form.exec();
    Form_ = nullptr;
    if (Window_) Window_->setFocus();
}

void TPatternSearchFeature::EndRun(bool success) {
    if (Form_) Form_->done(success ? QDialog::Accepted : QDialog::Rejected);
}

void TPatternSearchFeature::ProgressChanged(int position) {
    if (Form_) Form_->SetProgress(position);
}

}  // namespace vt
