#pragma once
// The "Demo Signal" side menu: the settings of the simulated generator chosen in "Generator", on five
// pages, with the controls each waveform uses.
#include <array>

#include "ui/SideMenu.h"

namespace vt {

class TRC_RightPassiveCommandSwitcher;

class TGSS_Form : public TSideMenuForm {
public:
    TGSS_Form(TSideMenus& menus, QWidget* mainWindow);

    // Page 1..5; 0 or above 5 selects page 1.
    void SetTopPanel(int page) override;
    // Shows the controls the waveform w of the chosen generator uses.
    void RefreshWaveform(int w);

    TRC_RightMenuPanel* Page(int page) const { return Pages_[static_cast<std::size_t>(page - 1)]; }
    // A switcher of the form by object name, or null.
    TRC_Switcher* Control(const char* name) const;

private:
    // The pages of the generator settings follow the chosen generator (0 A .. 3 D).
    void SelectGenerator(int generator);

    std::array<TRC_RightMenuPanel*, 5> Pages_{};
    int Generator_ = 0;
    bool Selecting_ = false;
};

}  // namespace vt
