#include "ui/UtilMenuFeature.h"

#include <QApplication>

#include "core/MenuKinds.h"
#include "core/Shell.h"
#include "ui/MainWindow.h"
#include "ui/SideMenu.h"
#include "ui/dialogs/AdjustAccessForm.h"
#include "ui/menus/UtilMenu.h"

namespace vt {

void TUtilMenuFeature::RegisterForms(TSideMenus& menus) {
    menus.RegisterForm(mkUtility, [this](TSideMenus& m, QWidget* mainWindow, bool) -> TSideMenuForm* {
        TUtil_Form::TActions actions;
        actions.DeferSideMenuUpdate = [this](int side, int target) {
            if (DeferSideMenuUpdate) DeferSideMenuUpdate(side, target);
        };
        actions.AccessGranted = [this] { return Shell_.AdjustAccessGranted; };
        actions.ShowAdjustAccess = [this, mainWindow] {
            ShowAdjustAccess(Shell_, Window_ ? Window_ : mainWindow, Runner, Beep ? Beep : [] { QApplication::beep(); });
            return Shell_.AdjustAccessGranted;
        };
        return new TUtil_Form(m, mainWindow, Shell_.Language(), std::move(actions));
    });
}

void TUtilMenuFeature::WindowCreated(TMorda_fr& window, TSideMenus&, TKitContext&) {
    Window_ = &window;
    if (!DeferSideMenuUpdate)
        DeferSideMenuUpdate = [&window](int side, int target) { window.DeferSideMenuUpdate(side, target); };
}

void TUtilMenuFeature::WindowGone() {
    Window_ = nullptr;
    DeferSideMenuUpdate = nullptr;
}

}  // namespace vt
