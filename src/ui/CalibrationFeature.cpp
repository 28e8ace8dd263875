#include "ui/CalibrationFeature.h"

#include "core/Shell.h"
#include "link/AdjustmentCommands.h"
#include "ui/MainWindow.h"
#include "ui/SideMenu.h"
#include "ui/UserDialogs.h"
#include "ui/dialogs/CalibrationDialogs.h"
#include "ui/menus/AdjustMenus.h"

namespace vt {

TCalibrationFeature::~TCalibrationFeature() { delete Aside_; }

void TCalibrationFeature::RegisterForms(TSideMenus& menus) {
    TSideMenus* m = &menus;
    Values_.FlashChange().AdjustMenuShown = [m] {
        return m->Slots().Kind(0) == mkAdjustment || m->Slots().Kind(1) == mkAdjustment;
    };
    menus.RegisterForm(mkCalibration, [this](TSideMenus& m, QWidget* mainWindow, bool) -> TSideMenuForm* {
        return new TCalibr_Form(m, mainWindow, Shell_, [this] { ShowCalibrationStatus(); });
    });
    // The utility menu opens this one only once adjustment access was granted.
    menus.RegisterForm(mkAdjustment, [this](TSideMenus& m, QWidget* mainWindow, bool) -> TSideMenuForm* {
        return new TAdjust_Form(m, mainWindow, Shell_);
    });
}

void TCalibrationFeature::WindowCreated(TMorda_fr& window, TSideMenus&, TKitContext&) {
    Window_ = &window;
    Run_.View = this;
}

void TCalibrationFeature::WindowGone() {
    Window_ = nullptr;
    if (Run_.View == this) Run_.View = nullptr;
    Values_.FlashChange().AdjustMenuShown = {};
}

void TCalibrationFeature::ShowPart(TAutoCalibration& run, TCalPart part) {
    // The idle pass steps the part meanwhile; its changes reach the dialog through PartChanged.
    const auto show = [this](TCalibrationRunDialog& dialog) {
        Modal_ = &dialog;
        dialog.exec();
        Modal_ = nullptr;
    };
    if (part == TCalPart::Timebase) {
        TAutocalTBF dialog(Window_, run);
        show(dialog);
    } else {
        TAutocalChannelsF dialog(Window_, run);
        show(dialog);
    }
    // Closed by the window's own means (Escape, the close box): that is Cancel.
    if (run.State() != TCalState::Idle) run.ClosePart(false);
}

void TCalibrationFeature::RunAside(TAutoCalibration& run, TCalPart part) {
    delete Aside_;
    TCalibrationRunDialog* dialog = nullptr;
    if (part == TCalPart::Timebase) dialog = new TAutocalTBF(Window_, run);
    else dialog = new TAutocalChannelsF(Window_, run);
    Aside_ = dialog;
    // Its Cancel or close box ends the part, as under the modal dialog.
    QObject::connect(dialog, &QDialog::finished, dialog, [&run] {
        if (run.State() != TCalState::Idle) run.ClosePart(false);
    });
    if (NoVisibleScreen()) return;
    dialog->setModal(false);
    dialog->show();
}

// Called from inside the part's end, perhaps from the box's own Cancel: it goes once that returns.
void TCalibrationFeature::AsideEnded() {
    if (!Aside_) return;
    QObject::disconnect(Aside_, &QDialog::finished, nullptr, nullptr);
    Aside_->hide();
    Aside_->deleteLater();
    Aside_ = nullptr;
}

void TCalibrationFeature::PartChanged(TAutoCalibration&) {
    if (Modal_) Modal_->Follow();
    if (Aside_) Aside_->Follow();
}

void TCalibrationFeature::ShowCalibrationStatus() {
    const bool timer = Shell_.AutoCalTimerEnabled;
    Shell_.AutoCalTimerEnabled = false;
    TCalibrateStatus dialog(Window_, Shell_);
    dialog.exec();
    Shell_.AutoCalTimerEnabled = timer;
}

}  // namespace vt
