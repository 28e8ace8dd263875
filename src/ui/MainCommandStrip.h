#pragma once
// The main window's top strip: the nine main-command buttons, each bound by mnemonic to its command.
#include <array>
#include <cstdint>
#include <string_view>

#include "ui/controls/Switcher.h"

namespace vt {

struct TMainCommandPlace {
    const char* Name;       // the control's object name
    const char* Mnemonic;   // relative to the strip's group "*", or absolute after ":"
    const char* Text;
    std::uint32_t Color;    // text colour, 0x00BBGGRR
    const char* Menu;       // menu lines joined by "|", empty when the button has no menu
    int DefaultItem;
    int Left;
    int Width;
};
inline constexpr int MainCommandCount = 9;
extern const std::array<TMainCommandPlace, MainCommandCount> MainCommandPlaces;

// The strip as a frameless page of group "*" with its nine buttons; each stays disabled until it is
// bound to a command that exists.
TRC_RightMenuPanel* CreateMainCommandStrip(QWidget* mainWindow);
// Places the buttons in a strip of the width: their own places when it has room for them, else each
// place narrowed in proportion so that every button, Help too, stays whole inside the strip.
void PlaceMainCommandStrip(TRC_RightMenuPanel& strip, int width);
// Binds the strip's buttons that have no command yet, looking commands up in the kit.
void BindMainCommandStrip(TRC_RightMenuPanel& strip, TKitContext& kit);

}  // namespace vt
