#pragma once
// The screen colours as a feature of the program: the colour settings' registration and refresh rows,
// and the source switchers' items in the source colours.
#include "ui/UiFeature.h"

namespace vt {

class TScreenColors;
class TSignalRecords;

class TScreenColorsFeature : public TUiFeature {
public:
    void FillRows(TShell& shell) override;
    void WindowCreated(TMorda_fr& window, TSideMenus& menus, TKitContext& kit) override;
    void WindowGone() override { Kit_ = nullptr; }

private:
    TKitContext* Kit_ = nullptr;
};

// The 18 sources with their captions, the colours of their `Displ:Color:` settings and the screen
// background; the colours are read when the switchers paint, so a colour change reaches them.
void InitSourceSwitcherItems(TKitContext& kit, const TSignalRecords& records, const TScreenColors& colors);

}  // namespace vt
