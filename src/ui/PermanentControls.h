#pragma once
// The quick controls of the main window's strip below the display: each channel's display switch,
// scale and offset, the timebase's mode, scale and delay, and the trigger's source, slope and level.
// Two rows of title-less controls fill the strip's 50 pixels; the timebase's mode sits under the level.
// A strip too narrow for the values it shows side by side is 100 pixels high: the timebase's and the
// trigger's controls take two rows below the channels'.
#include <functional>

#include "core/WindowBindings.h"

namespace vt {

class TKitContext;
class TRC_RightMenuPanel;
class TSideMenus;

// Creates the strip's controls on the page (no frame, no group: the mnemonics are full paths).
// heightChanged is called when a new value needs the strip's other height at its width.
void BuildPermanentControls(TRC_RightMenuPanel& strip, std::function<void()> heightChanged = {});
// Places them for a strip of the given width: each value field as wide as its widest value at the
// application font, or, where the strip is narrower, narrowed alike towards the value it shows now,
// stacked where that is not enough. Returns the height the placing needs.
int PlacePermanentControls(TRC_RightMenuPanel& strip, int width);
// The height the strip needs at a width for the values it shows now: 50 or 100 pixels.
int PermanentControlsHeightFor(const TRC_RightMenuPanel& strip, int width);
// Binds the strip's controls that are not bound yet; the settings that exist bind, the others when
// their features register them and the strip is bound again.
void BindPermanentControls(TRC_RightMenuPanel& strip, TKitContext& kit);

// The strip's quick edits and the open side menus, as the settings units ask them to follow.
class TPermanentControlsBindings : public TWindowBindings {
public:
    TPermanentControlsBindings(TRC_RightMenuPanel& strip, TSideMenus& menus) : Strip_(strip), Menus_(menus) {}
    void BindChannelScaleEdit(int channelNumber, const std::string& header) override;
    void BindChannelOffsetEdit(int channelNumber, const std::string& header) override;
    void BindHorizontalScaleEdit(const std::string& header, const std::string& caption) override;
    void BindDelayEdit(const std::string& header) override;
    void BindTrigLevelEdit(const std::string& header) override;
    void RefreshSideMenu(TMenuKind kind) override;
    void ResetMenuPage(TMenuKind kind) override;

private:
    void Bind(const char* name, const std::string& header);
    TRC_RightMenuPanel& Strip_;
    TSideMenus& Menus_;
};

}  // namespace vt
