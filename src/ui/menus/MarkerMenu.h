#pragma once
// The markers' side menu: the type, each marker's source and position, the paired motion and the
// reference; and the menu as a feature of the program.
#include "ui/SideMenu.h"
#include "ui/UiFeature.h"

namespace vt {

class TShell;
class TRC_EditSwitcher;
class TRC_RadioSwitcher;

class TMark_Form : public TSideMenuForm {
public:
    TMark_Form(TSideMenus& menus, QWidget* mainWindow);

    // The position edits show the rows of MY markers, else their columns.
    void UpdateMenu() override;
    void SetTopPanel(int page) override;

    TRC_RightMenuPanel* Page() const { return Marker_; }
    TRC_EditSwitcher* Position(int n) const { return n == 1 ? Position1_ : Position2_; }

private:
    TRC_RightMenuPanel* Marker_ = nullptr;
    TRC_RadioSwitcher* Type_ = nullptr;
    TRC_EditSwitcher* Position1_ = nullptr;
    TRC_EditSwitcher* Position2_ = nullptr;
};

class TMarkerMenuFeature : public TUiFeature {
public:
    void RegisterForms(TSideMenus& menus) override;
};

}  // namespace vt
