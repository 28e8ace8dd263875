#pragma once
// The two side-menu slots as the main window drives them.
#include "ui/MainLayout.h"

namespace vt {

class TSideMenuHost {
public:
    virtual ~TSideMenuHost() = default;
    // kind 0..24 (24 closes), side 0 right, 1 left.
    virtual void ShowSideMenu(int kind, int side) = 0;
    virtual void SetSideMenusVisible(bool visible) = 0;
    // After every resize.
    virtual void PlaceSideMenus(const TPlace& right, const TPlace& left) = 0;
};

}  // namespace vt
