#include "ui/ScreenColorsFeature.h"

#include "acq/SignalSources.h"
#include "core/Shell.h"
#include "display/ColorSettings.h"
#include "display/ScopeDisplayServices.h"
#include "display/ScreenColors.h"
#include "ui/controls/SourceSwitcher.h"
#include "ui/controls/Switcher.h"

namespace vt {

namespace {

TScopeDisplayServices* ScopeDisplay(TShell& shell) { return dynamic_cast<TScopeDisplayServices*>(&shell.Display()); }

}  // namespace

void InitSourceSwitcherItems(TKitContext& kit, const TSignalRecords& records, const TScreenColors& colors) {
    TSourceSwitcherItems& items = kit.SourceItems;
    items.HighestIndex = static_cast<int>(items.Captions.size()) - 1;
    for (int s = 0; s <= items.HighestIndex; ++s)
        items.Captions[static_cast<std::size_t>(s)] = QString::fromStdString(records.Caption(s));
    items.ColorOf = [&colors](int source) {
        // Const and None have no colour setting of their own.
        const int element = SourceToColorIndex(source);
        if (element < 0 || element >= ScreenElementCount) return TRC_SignalSourceSwitcher::PlainTextColor;
        return TColor(colors.ColorValue(element) & 0x00FFFFFFu);
    };
    items.Background = TColor(colors.ColorValue(ceBackground) & 0x00FFFFFFu);
}

void TScreenColorsFeature::FillRows(TShell& shell) {
    shell.Registration.Add(TRegistrationRow::CreateColorHandlers, [](TShell& s) {
        if (TScopeDisplayServices* display = ScopeDisplay(s)) CreateColorHandlers(s, *display);
    });
    // The colour settings and their refresh steps run in the display settings' rows, after theirs.
    shell.StartUpSteps.Add(TStartUpRow::InitSourceSwitcherItems, [this](TShell& s) {
        TScopeDisplayServices* display = ScopeDisplay(s);
        if (Kit_ && display && s.Records()) InitSourceSwitcherItems(*Kit_, *s.Records(), display->Colors());
    });
}

void TScreenColorsFeature::WindowCreated(TMorda_fr&, TSideMenus&, TKitContext& kit) { Kit_ = &kit; }

}  // namespace vt
