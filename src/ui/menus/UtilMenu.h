#pragma once
// The "Utility" side menu: the ways to the calibration, adjustment and simulated-generator menus, and
// the language of the program.
#include <functional>

#include "ui/SideMenu.h"

namespace vt {

class TLanguageState;
class TRC_ListBoxSwitcher;
class TRC_RightPassiveCommandSwitcher;

class TUtil_Form : public TSideMenuForm {
public:
    // What the form asks of the program.
    struct TActions {
        // The main window's deferred replacement of the slot's menu by kind 20 + target.
        std::function<void(int side, int target)> DeferSideMenuUpdate;
        // The access dialog (asked only while access is not granted); answers whether it now is.
        std::function<bool()> ShowAdjustAccess;
        std::function<bool()> AccessGranted;
    };

    TUtil_Form(TSideMenus& menus, QWidget* mainWindow, TLanguageState& language, TActions actions);

    // Whatever page is asked, the one page shows as page 1.
    void SetTopPanel(int page) override;
    void AdjustingClick();
    void ReturnToMainPanel() { SetTopPanel(1); }

    TRC_RightMenuPanel& MainPanel() const { return *rmpUtilMain_; }
    TRC_Switcher* Control(const char* name) const { return findChild<TRC_Switcher*>(name); }

private:
    TRC_RightPassiveCommandSwitcher* Button(std::function<void()> click);
    // Fills the language list from the language table.
    void FormCreate(TLanguageState& language);

    TActions Actions_;
    TRC_RightMenuPanel* rmpUtilMain_;
};

}  // namespace vt
