#include "ui/PatternSearchFeature.h"

#include "ui/MainWindow.h"
#include "ui/UserDialogs.h"

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
    if (Aside_) Aside_->SetProgress(position);
}

// Its Cancel or close box ends the search.
void TPatternSearchFeature::RunAside(TPatternSearch& search) {
    if (NoVisibleScreen()) return;
    delete Aside_;
    auto* form = new TfrmFindPatternTrig(Window_, search);
    Aside_ = form;
    QObject::connect(form, &QDialog::finished, form, [&search] { search.Cancel(); });
    const QPoint corner = Window_ ? Window_->mapToGlobal(QPoint(0, 0)) : QPoint();
    form->move(corner + QPoint(229, 49));
    form->setModal(false);
    form->show();
}

// Called from inside the search's end, perhaps from the form's own Cancel: it goes once that returns.
void TPatternSearchFeature::AsideEnded() { DismissLater(Aside_); }

}  // namespace vt
