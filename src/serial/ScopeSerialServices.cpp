#include "serial/ScopeSerialServices.h"

#include <memory>

#include "core/Shell.h"

namespace vt {

namespace {
TScopeSerialServices* Services(TShell& shell) { return dynamic_cast<TScopeSerialServices*>(&shell.Serial()); }
}  // namespace

void TSerialFeature::FillRows(TShell& shell) {
    shell.SetSerialServices(std::make_unique<TScopeSerialServices>(shell));
    shell.Registration.Add(TRegistrationRow::RegisterEyeCommands, [](TShell& s) {
        if (TScopeSerialServices* serial = Services(s)) serial->Eye().RegisterEyeCommands();
    });
    shell.Refresh.Add(TRefreshRow::RefreshEyeHandlers, [](TShell& s) {
        if (TScopeSerialServices* serial = Services(s)) serial->Eye().RefreshEyeHandlers();
    });
    shell.Registration.Add(TRegistrationRow::CreateTDRHandlers, [](TShell& s) {
        if (TScopeSerialServices* serial = Services(s)) serial->Tdr().CreateTDRHandlers();
    });
    shell.Refresh.Add(TRefreshRow::RefreshTDRHandlers, [](TShell& s) {
        if (TScopeSerialServices* serial = Services(s)) serial->Tdr().RefreshTDRHandlers();
    });
    shell.AcqCycle.Add(TAcqCycleRow::TdrCalibrationSteps, [](TShell& s) {
        if (TScopeSerialServices* serial = Services(s)) {
            serial->TdrNormalization().UpdateTDRNormalizationForm();
            // The margins follow the measured source's layer, which an acquisition may have made anew.
            serial->Tdr().ShowMarginsLayer();
        }
        return false;
    });
}

}  // namespace vt
