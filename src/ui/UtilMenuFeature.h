#pragma once
// The utility side menu and the adjustment access as a feature of the program.
#include <functional>

#include "ui/UiFeature.h"
#include "ui/dialogs/DialogRunner.h"

namespace vt {

class TShell;

class TUtilMenuFeature : public TUiFeature {
public:
    explicit TUtilMenuFeature(TShell& shell) : Shell_(shell) {}

    void RegisterForms(TSideMenus& menus) override;
    void WindowCreated(TMorda_fr& window, TSideMenus& menus, TKitContext& kit) override;
    void WindowGone() override;

    // The main window's deferred menu replacement; set with the window (tests give their own).
    std::function<void(int side, int target)> DeferSideMenuUpdate;
    TDialogRunner Runner;  // exec() when empty
    std::function<void()> Beep;

private:
    TShell& Shell_;
    QWidget* Window_ = nullptr;
};

}  // namespace vt
