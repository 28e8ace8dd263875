#include "serial/ScopeSerialServices.h"

#include <memory>

#include "core/MenuKinds.h"
#include "core/Shell.h"
#include "display/ScopeDisplayServices.h"

namespace vt {

namespace {
TScopeSerialServices* Services(TShell& shell) { return dynamic_cast<TScopeSerialServices*>(&shell.Serial()); }
}  // namespace

int TSerialFeature::CheckDeadlines(TShell& shell) {
    TScopeSerialServices* serial = Services(shell);
    return serial ? serial->TdrChannelCalibration().StallCheck() : -1;
}

void TSerialFeature::FillRows(TShell& shell) {
    // Services of this kind put in beforehand are kept: the features wire themselves to the object
    // they find, so it is never replaced after them.
    if (!Services(shell)) shell.SetSerialServices(std::make_unique<TScopeSerialServices>(shell));
    shell.Registration.Add(TRegistrationRow::RegisterEyeCommands, [](TShell& s) {
        if (TScopeSerialServices* serial = Services(s)) serial->Eye().RegisterEyeCommands();
    });
    shell.Registration.Add(TRegistrationRow::CreateJitterHandlers, [](TShell& s) {
        if (TScopeSerialServices* serial = Services(s)) serial->Jitter().CreateJitterHandlers();
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
    // The strip's presses on a TDR row reach its popup.
    if (TScopeSerialServices* serial = Services(shell)) serial->TdrReadouts().Install();
    shell.AcqCycle.Add(TAcqCycleRow::TdrCalibrationSteps, [](TShell& s) {
        if (TScopeSerialServices* serial = Services(s)) {
            serial->TdrNormalization().UpdateTDRNormalizationForm();
            serial->TdrChannelCalibration().TdrChannelCalibrationStep();
            // The margins follow the measured source's layer, which an acquisition may have made anew.
            serial->Tdr().ShowMarginsLayer();
        }
        return false;
    });
}

void TMaskFeature::FillRows(TShell& shell) {
    // The services are looked up at each call: the shell may have been given another services object
    // since these rows were filled.
    shell.Registration.Add(TRegistrationRow::RegisterMaskObjectCommand, [](TShell& s) {
        if (TScopeSerialServices* serial = Services(s)) serial->MaskTest().RegisterMaskObjectCommand();
    });
    shell.Registration.Add(TRegistrationRow::RegisterMaskCommands, [](TShell& s) {
        if (TScopeSerialServices* serial = Services(s)) serial->MaskTest().RegisterMaskCommands();
    });
    shell.Refresh.Add(TRefreshRow::DefaultMaskFileName, [](TShell& s) {
        if (TScopeSerialServices* serial = Services(s)) serial->MaskTest().DefaultMaskFileName();
    });
    TShell* owner = &shell;
    shell.ModeSwitches().SetSwitchOff(mkMask, [owner] {
        if (TScopeSerialServices* serial = Services(*owner)) serial->MaskTest().StopMaskTest();
    });
    if (auto* display = dynamic_cast<TScopeDisplayServices*>(&shell.Display()))
        display->MaskInfo = [owner]() -> std::optional<TTopMaskInfo> {
            TScopeSerialServices* serial = Services(*owner);
            if (!serial || !serial->MaskTest().MaskObject()) return std::nullopt;
            const TMaskTest& mask = serial->MaskTest();
            return TTopMaskInfo{.Kind = mask.Mask().Kind, .Name = mask.Mask().MskNm};
        };
}

}  // namespace vt
