#include "analysis/ScopeAnalysisServices.h"

#include <memory>

#include "core/Shell.h"

namespace vt {

TScopeAnalysisServices::TScopeAnalysisServices(TShell& shell) : Meas_(shell), Markers_(shell) {
    Markers_.ModeSwitches = &ModeSwitches_;
}

void TAnalysisFeature::FillRows(TShell& shell) {
    auto services = std::make_unique<TScopeAnalysisServices>(shell);
    TMarkers& markers = services->Markers();
    shell.SetAnalysisServices(std::move(services));
    shell.Registration.Add(TRegistrationRow::RegisterMarkerCommands,
                           [&markers](TShell& s) { markers.RegisterMarkerCommands(*s.CommandTree()); });
    shell.Refresh.Add(TRefreshRow::RefreshMarkerHandlers, [&markers](TShell&) { markers.RefreshMarkerHandlers(); });
    // After each cycle while markers are on; nothing waits for a later cycle.
    shell.AcqCycle.Add(TAcqCycleRow::ApplyMarkerMode, [&markers](TShell&) {
        if (markers.Type() != mtOff) markers.ApplyMarkerMode();
        return false;
    });
}

}  // namespace vt
