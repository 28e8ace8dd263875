#include "core/AnalysisModeSwitches.h"

#include <algorithm>
#include <string>

#include "core/CommandTree.h"
#include "core/Handlers.h"
#include "core/InternalError.h"

namespace vt {

namespace {

constexpr std::string_view Unit = "AnalysisModeSwitches";

// The mode settings in the order of ModeKinds. TDR/TDT has two: its measurements go off, then the mode
// itself, except for the markers, which read the excess L/C of a TDR record. The jitter analysis has one
// switch of its own.
constexpr std::array<std::string_view, 7> ModeSettings = {"Mark:Type",  "Meas:Display", "Hist:Axis",     "Eye:Measure",
                                                          "Mask:Test",  "TDR:Measure",  "Jitter:JitterOn"};

int SlotOf(int menuKind) {
    const auto& kinds = TAnalysisModeSwitches::ModeKinds;
    const auto it = std::find(kinds.begin(), kinds.end(), menuKind);
    return it == kinds.end() ? -1 : static_cast<int>(it - kinds.begin());
}

}  // namespace

TAnalysisModeSwitches::TAnalysisModeSwitches(std::function<TCommandTree*()> tree) : Tree_(std::move(tree)) {}

bool TAnalysisModeSwitches::IsModeKind(int menuKind) { return SlotOf(menuKind) >= 0; }

std::string_view TAnalysisModeSwitches::ModeSetting(int menuKind) {
    const int slot = SlotOf(menuKind);
    return slot < 0 ? std::string_view() : ModeSettings[static_cast<std::size_t>(slot)];
}

void TAnalysisModeSwitches::SetSwitchOff(int menuKind, TSwitchOff switchOff) {
    const int slot = SlotOf(menuKind);
    if (slot < 0) VT_INTERNAL_ERROR(Unit, "Menu kind " + std::to_string(menuKind) + " owns no analysis mode");
    Own_[static_cast<std::size_t>(slot)] = std::move(switchOff);
}

void TAnalysisModeSwitches::SwitchOffOtherModes(int menuKind) const {
    for (std::size_t slot = 0; slot < ModeKinds.size(); ++slot) {
        if (ModeKinds[slot] == menuKind) continue;
        if (Own_[slot])
            Own_[slot]();
        else
            DefaultSwitchOff(ModeKinds[slot], menuKind);
    }
}

void TAnalysisModeSwitches::SwitchOffJitter() const {
    const auto slot = static_cast<std::size_t>(SlotOf(mkJitter));
    if (Own_[slot])
        Own_[slot]();
    else
        DefaultSwitchOff(mkJitter);
}

void TAnalysisModeSwitches::DefaultSwitchOff(int menuKind, int switchedOn) const {
    TCommandTree* tree = Tree_ ? Tree_() : nullptr;
    if (!tree) return;
    const auto switchOff = [tree](std::string_view setting) {
        THandler* h = tree->Resolve(setting);
        if (auto* choice = dynamic_cast<TRadioSwHandler*>(h))
            choice->SetItemIndex(0);
        else if (auto* onOff = dynamic_cast<TOnOffHandler*>(h))
            onOff->SetOn(false);
    };
    switchOff(ModeSetting(menuKind));
    if (menuKind == mkTdr && switchedOn != mkMarkers) switchOff("TDR:Mode");
}

}  // namespace vt
