#include "ui/AutoscaleFeature.h"

#include <QApplication>
#include <algorithm>

#include "ui/MainWindow.h"
#include "ui/UserDialogs.h"
#include "ui/dialogs/AutoScaleForm.h"

namespace vt {

namespace {

// The autoscale button's corner in screen coordinates, or the window's when it has none.
QPoint ButtonCorner(QWidget* window) {
    if (!window) return {};
    if (auto* button = window->findChild<QWidget*>("mcsAutoscale")) return button->mapToGlobal(QPoint(0, 0));
    return window->mapToGlobal(QPoint(0, 0));
}

}  // namespace

TAutoScaleFeature::TAutoScaleFeature(TAutoScale& run) : Run_(run) { Run_.View = this; }

// Features go in the order they were installed: the run has gone before its face.
TAutoScaleFeature::~TAutoScaleFeature() { delete Aside_; }

void TAutoScaleFeature::WindowCreated(TMorda_fr& window, TSideMenus&, TKitContext&) { Window_ = &window; }

void TAutoScaleFeature::WindowGone() { Window_ = nullptr; }

void TAutoScaleFeature::RunModal(TAutoScale& run) {
    TAutoScalFrm form(Window_, run);
    Form_ = &form;
    const QPoint corner = ButtonCorner(Window_);
    form.move(std::max(0, corner.x() + run.DialogOffsetX), std::max(0, corner.y() + run.DialogOffsetY));
    form.exec();
    // The user may have moved it: the next run shows it there again.
    const QPoint at = form.pos();
    run.DialogOffsetX = at.x() - corner.x();
    run.DialogOffsetY = at.y() - corner.y();
    Form_ = nullptr;
    if (Window_) Window_->setFocus();
}

void TAutoScaleFeature::EndRun(int result) {
    if (Form_) Form_->done(result);
}

void TAutoScaleFeature::ProgressChanged(int position) {
    if (Form_) Form_->SetProgress(position);
    if (Aside_) Aside_->SetProgress(position);
}

// The form's timer steps the trials as under the modal form; its Cancel or close box ends the run.
void TAutoScaleFeature::RunAside(TAutoScale& run) {
    delete Aside_;
    auto* form = new TAutoScalFrm(Window_, run);
    Aside_ = form;
    QObject::connect(form, &QDialog::finished, form, [&run] { run.CloseAutoScale(2); });
    if (NoVisibleScreen()) return;
    const QPoint corner = ButtonCorner(Window_);
    form->move(std::max(0, corner.x() + run.DialogOffsetX), std::max(0, corner.y() + run.DialogOffsetY));
    form->setModal(false);
    form->show();
}

// Called from inside the run's end, perhaps from the form's own Cancel: it goes once that returns.
void TAutoScaleFeature::AsideEnded() { DismissLater(Aside_); }

}  // namespace vt
