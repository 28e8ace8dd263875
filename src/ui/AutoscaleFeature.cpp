#include "ui/AutoscaleFeature.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <algorithm>

#include "core/Shell.h"
#include "ui/controls/CommandSwitchers.h"
#include "ui/MainWindow.h"
#include "ui/UserDialogs.h"
#include "ui/dialogs/AutoScaleForm.h"

namespace vt {

namespace {

// The autoscale button's lower corner in screen coordinates, or the window's corner when it has none:
// the remembered offset counts from there, so that the box stands below the button row.
QPoint ButtonCorner(QWidget* window) {
    if (!window) return {};
    if (auto* button = window->findChild<QWidget*>("mcsAutoscale"))
        return button->mapToGlobal(QPoint(0, button->height()));
    return window->mapToGlobal(QPoint(0, 0));
}

// Where the box of that size stands at: inside the display area, which holds no control the user may
// want meanwhile, else inside the window; on the screen either way, so that its Cancel is in reach.
QPoint KeptInReach(const TMorda_fr& window, QPoint at, QSize size) {
    QRect room = window.rect();
    if (const TPlace& area = window.Layout().DisplayArea;
        area.Visible && area.Width >= size.width() && area.Height >= size.height())
        room = QRect(area.Left, area.Top, area.Width, area.Height);
    room.moveTopLeft(window.mapToGlobal(room.topLeft()));
    if (const QScreen* screen = window.screen()) room &= screen->availableGeometry();
    const auto keep = [](int v, int low, int high) { return std::max(low, std::min(v, high)); };
    return {keep(at.x(), room.left(), room.right() + 1 - size.width()),
            keep(at.y(), room.top(), room.bottom() + 1 - size.height())};
}

}  // namespace

TAutoScaleFeature::TAutoScaleFeature(TAutoScale& run) : Run_(run) { Run_.View = this; }

// Features go in the order they were installed: the run has gone before its face.
TAutoScaleFeature::~TAutoScaleFeature() { delete Aside_; }

void TAutoScaleFeature::WindowCreated(TMorda_fr& window, TSideMenus&, TKitContext&) { Window_ = &window; }

void TAutoScaleFeature::WindowGone() { Window_ = nullptr; }

void TAutoScaleFeature::Present(TAutoScalFrm& form, TAutoScale& run) {
    if (!Window_) return;
    // The button's hint in words: "Autoscale as NRZ signal", the kind as its menu names it.
    const auto* button = Window_->findChild<TRC_MainCommandSwitcher*>("mcsAutoscale");
    if (Shell_ && button && run.Kind() >= 0 && run.Kind() < button->MenuItems().size())
        form.WhatRuns().setText(QString::fromStdString(Shell_->LangStr("AutoscaleAs____signal"))
                                    .replace(QLatin1String("%s"), button->MenuItems()[run.Kind()]));
    const QPoint corner = ButtonCorner(Window_);
    form.move(KeptInReach(*Window_, corner + QPoint(run.DialogOffsetX, run.DialogOffsetY), form.size()));
}

void TAutoScaleFeature::RunModal(TAutoScale& run) {
    TAutoScalFrm form(Window_, run);
    Form_ = &form;
    const QPoint corner = ButtonCorner(Window_);
    Present(form, run);
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

// The program steps the run; the form, made only where someone sees it, shows its progress, and its
// Cancel or close box ends the run.
void TAutoScaleFeature::RunAside(TAutoScale& run) {
    delete Aside_;
    if (NoVisibleScreen()) return;
    auto* form = new TAutoScalFrm(Window_, run);
    Aside_ = form;
    QObject::connect(form, &QDialog::finished, form, [&run] { run.CloseAutoScale(2); });
    Present(*form, run);
    form->setModal(false);
    form->show();
}

// Called from inside the run's end, perhaps from the form's own Cancel: it goes once that returns.
void TAutoScaleFeature::AsideEnded() { DismissLater(Aside_); }

}  // namespace vt
