#include "analysis/ScopeAnalysisServices.h"

#include <memory>

#include "core/MenuKinds.h"
#include "core/Shell.h"

namespace vt {

TScopeAnalysisServices::TScopeAnalysisServices(TShell& shell)
    : Meas_(shell), Math_(shell), Spectra_(shell), Markers_(shell), Hist_(shell), Measurements_(shell, Meas_),
      Trend_(shell, Meas_) {
    Math_.Trend = &Trend_;
}

void TScopeAnalysisServices::FillRows(TShell& shell) {
    shell.ModeSwitches().SetSwitchOff(mkMarkers, [this] { Markers_.SwitchOffMarkers(); });
    shell.Registration.Add(TRegistrationRow::RegisterMarkerCommands,
                           [this](TShell& s) { Markers_.RegisterMarkerCommands(*s.CommandTree()); });
    shell.Refresh.Add(TRefreshRow::RefreshMarkerHandlers, [this](TShell&) { Markers_.RefreshMarkerHandlers(); });
    // After each cycle while markers are on; nothing waits for a later cycle.
    shell.AcqCycle.Add(TAcqCycleRow::ApplyMarkerMode, [this](TShell&) {
        if (Markers_.Type() != mtOff) Markers_.ApplyMarkerMode();
        return false;
    });
    shell.Registration.Add(TRegistrationRow::CreateMathHandlers,
                           [this](TShell& s) { Math_.CreateMathHandlers(*s.CommandTree()); });
    shell.Registration.Add(TRegistrationRow::CreateFFTHandlers,
                           [this](TShell& s) { Spectra_.CreateFFTHandlers(*s.CommandTree()); });
    shell.Refresh.Add(TRefreshRow::UpdateAllMathControls, [this](TShell&) { Math_.UpdateAllMathControls(); });
    shell.ModeSwitches().SetSwitchOff(mkHistogram, [this] { Hist_.SwitchOffHistogram(); });
    shell.Registration.Add(TRegistrationRow::CreateHistHandlers,
                           [this](TShell& s) { Hist_.CreateHistHandlers(*s.CommandTree()); });
    shell.Refresh.Add(TRefreshRow::UpdateHistControls, [this](TShell&) { Hist_.UpdateHistControls(); });
    Measurements_.FillRows(shell);
}

void TAnalysisFeature::FillRows(TShell& shell) {
    auto services = std::make_unique<TScopeAnalysisServices>(shell);
    Services_ = services.get();
    Services_->FillRows(shell);
    shell.SetAnalysisServices(std::move(services));
}

}  // namespace vt
