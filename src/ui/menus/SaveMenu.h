#pragma once
// The "Save / Recall" side menu: waveform memories on page 1, waveform files on page 2 ("Disk"),
// setups on page 3. Its actions run through the save-and-recall state of the context.
#include <array>

#include "ui/SideMenu.h"
#include "ui/UiFeature.h"

namespace vt {

class TShell;
class TRC_RightPassiveCommandSwitcher;

class TSave_Form : public TSideMenuForm {
public:
    TSave_Form(TSideMenus& menus, QWidget* mainWindow, TShell& shell);

    // Page 1..3; 0 or above 3 selects page 1.
    void SetTopPanel(int page) override;
    void UpdateMenu() override { TSideMenuForm::UpdateMenu(); }

    TRC_RightMenuPanel* Page(int page) const { return Pages_[static_cast<std::size_t>(page - 1)]; }
    // A switcher of the form by object name, or null.
    TRC_Switcher* Control(const char* name) const;

private:
    // A button whose press runs action.
    TRC_RightPassiveCommandSwitcher* Action(TRC_RightMenuPanel* page, std::function<void()> action);

    TShell& Shell_;
    std::array<TRC_RightMenuPanel*, 3> Pages_{};
};

// The save menu as a feature of the program: its form.
class TSaveMenuFeature : public TUiFeature {
public:
    explicit TSaveMenuFeature(TShell& shell) : Shell_(shell) {}
    void RegisterForms(TSideMenus& menus) override;

private:
    TShell& Shell_;
};

}  // namespace vt
