#include "ui/NumericPadFeature.h"

#include "core/Shell.h"
#include "ui/MainWindow.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/controls/Switcher.h"

namespace vt {

TNumericPadFeature::TNumericPadFeature(TShell& shell, std::function<void()> undoPadStep)
    : Shell_(shell), UndoPadStep_(std::move(undoPadStep)) {}

TNumericPadFeature::~TNumericPadFeature() { delete Pad_.data(); }

void TNumericPadFeature::FillRows(TShell& shell) {
    shell.Registration.Add(TRegistrationRow::CreateCalcPadHandlers,
                           [this](TShell& s) { CreateCalcPadHandlers(s, [this] { return Pad_.data(); }); });
}

void TNumericPadFeature::WindowCreated(TMorda_fr& window, TSideMenus&, TKitContext& kit) {
    Pad_ = new TNewCalcFrm(Shell_, kit, &window);
    Pad_->UndoPadStep = UndoPadStep_;
    Kit_ = &kit;
    kit.Calculator = [this](TRC_EditSwitcher& target) {
        if (Pad_) Pad_->OpenCalcPad(target);
    };
}

void TNumericPadFeature::WindowGone() {
    if (Kit_) Kit_->Calculator = nullptr;
    Kit_ = nullptr;
}

}  // namespace vt
