#include "ui/AutoscaleFeature.h"

#include <QApplication>
#include <algorithm>

#include "ui/MainWindow.h"
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
TAutoScaleFeature::~TAutoScaleFeature() = default;

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
}

}  // namespace vt
