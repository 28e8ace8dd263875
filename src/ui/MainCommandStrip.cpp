#include "ui/MainCommandStrip.h"

#include <algorithm>

#include "ui/QtColor.h"
#include "ui/controls/Switcher.h"
#include "ui/controls/CommandSwitchers.h"

namespace vt {

namespace {
constexpr std::uint32_t Maroon = 0x000080;
constexpr std::uint32_t Green = 0x008000;
constexpr std::uint32_t Purple = 0x800080;
constexpr int StripHeight = 20;
}  // namespace

const std::array<TMainCommandPlace, MainCommandCount> MainCommandPlaces = {{
    {"mcsClearDisplay", "ClrDispl", "Clear Display", Maroon, "", -1, 0, 78},
    {"mcsRun", "Run", "Run", Green, "", -1, 80, 44},
    {"mcsStopSingle", "StopSingle", "Stop/Single", clRed.Value, "", -1, 126, 70},
    {"mcsAutoscale", "Autoscale", "Autoscale...", clBlack.Value, "Auto|Single-valued|NRZ|RZ", -1, 198, 74},
    {"mcsDefaultSetup", "DefSetup", "Default Setup...", clBlack.Value,
     "Default Setup|Factory Setup|Power Off Setup|~Delimiter|Save As Default", 0, 274, 96},
    {"mcsUndo", "Undo", "Undo...", clBlack.Value, "Undo|Redo", 0, 372, 56},
    {"mcsCopy", "Copy", "Copy...", clBlack.Value,
     "Full Screen|Full Window|Client Part|Invert Client Part|Oscilloscope Screen|Invert Oscilloscope Screen", -1,
     430, 56},
    {"mcsPrint", "Print", "Print...", clBlack.Value, "Print|Printer Setup", 0, 488, 56},
    {"mcsHelp", ":SHADOW:Help", "Help", Purple, "Help Contents|~Delimiter|&About...", -1, 546, 44},
}};

TRC_RightMenuPanel* CreateMainCommandStrip(QWidget* mainWindow) {
    auto* strip = new TRC_RightMenuPanel(mainWindow);
    strip->setObjectName("rmpSystemSontrols");
    strip->SetGroupMnemonics("*");
    strip->SetWithoutFrame(true);
    for (const TMainCommandPlace& place : MainCommandPlaces) {
        auto* sw = new TRC_MainCommandSwitcher(strip);
        sw->setObjectName(place.Name);
        sw->setGeometry(place.Left, 0, place.Width, StripHeight);
        sw->SetMnemonics(place.Mnemonic);
        sw->SetTextBtn(QString::fromUtf8(place.Text));
        sw->SetColorOfText(ToQColor(TColor(place.Color)));
        const QString menu = QString::fromUtf8(place.Menu);
        if (!menu.isEmpty()) sw->SetMenuItems(menu.split(QLatin1Char('|')));
        sw->SetMenuDefaultItem(place.DefaultItem);
        sw->setEnabled(false);  // a binding enables it
    }
    return strip;
}

void PlaceMainCommandStrip(TRC_RightMenuPanel& strip, int width) {
    const TMainCommandPlace& last = MainCommandPlaces.back();
    const int needed = last.Left + last.Width;
    for (const TMainCommandPlace& place : MainCommandPlaces) {
        auto* sw = strip.findChild<TRC_Switcher*>(QLatin1String(place.Name), Qt::FindDirectChildrenOnly);
        if (!sw) continue;
        if (width >= needed) {
            sw->setGeometry(place.Left, 0, place.Width, StripHeight);
        } else {
            const int left = place.Left * width / needed;
            const int right = (place.Left + place.Width) * width / needed;
            sw->setGeometry(left, 0, std::max(1, right - left), StripHeight);
        }
    }
}

void BindMainCommandStrip(TRC_RightMenuPanel& strip, TKitContext& kit) {
    for (TRC_Switcher* sw : SwitchersOf(strip)) sw->SetKit(&kit);
    BindSwitchersOf(strip);
}

}  // namespace vt
