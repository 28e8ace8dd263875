#pragma once
// The timebase's side menu (unit TB_Frm): units, mode, the two scales of the unit in use, the delays,
// dual delay and the bit rate.
#include "ui/SideMenu.h"

namespace vt {

class TTimebase;
class TRC_RadioSwitcher;
class TRC_EditSwitcher;
class TRC_ListBoxSwitcher;
class TRC_OnOffSwitch;

class TTB_Form : public TSideMenuForm {
public:
    TTB_Form(TSideMenus& menus, QWidget* mainWindow, const TTimebase& timebase);

    void SetTopPanel(int page) override;
    void UpdateMenu() override;

    TRC_RightMenuPanel* TimeBasePage() const { return rmpTimeBase_; }
    TRC_EditSwitcher* ScaleA() const { return ScaleA_; }
    TRC_EditSwitcher* ScaleB() const { return ScaleB_; }

private:
    void BindScales();

    const TTimebase& Timebase_;
    TRC_RightMenuPanel* rmpTimeBase_ = nullptr;
    TRC_RadioSwitcher* Units_ = nullptr;
    TRC_RadioSwitcher* Mode_ = nullptr;
    TRC_EditSwitcher* ScaleA_ = nullptr;
    TRC_EditSwitcher* ScaleB_ = nullptr;
    TRC_EditSwitcher* Delay_ = nullptr;
    TRC_ListBoxSwitcher* BitRate_ = nullptr;
    TRC_OnOffSwitch* LowJitter_ = nullptr;
};

}  // namespace vt
