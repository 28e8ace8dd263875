#include "serial/ScopeSerialServices.h"

#include <memory>

#include "core/MenuKinds.h"
#include "core/Shell.h"
#include "display/ScopeDisplayServices.h"

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
}

void TMaskFeature::FillRows(TShell& shell) {
    TScopeSerialServices* serial = Services(shell);
    if (!serial) return;
    TMaskTest& mask = serial->MaskTest();
    shell.Registration.Add(TRegistrationRow::RegisterMaskObjectCommand, [&mask](TShell&) { mask.RegisterMaskObjectCommand(); });
    shell.Registration.Add(TRegistrationRow::RegisterMaskCommands, [&mask](TShell&) { mask.RegisterMaskCommands(); });
    shell.Refresh.Add(TRefreshRow::DefaultMaskFileName, [&mask](TShell&) { mask.DefaultMaskFileName(); });
    shell.ModeSwitches().SetSwitchOff(mkMask, [&mask] { mask.StopMaskTest(); });
    if (auto* display = dynamic_cast<TScopeDisplayServices*>(&shell.Display()))
        display->MaskInfo = [&mask]() -> std::optional<TTopMaskInfo> {
            if (!mask.MaskObject()) return std::nullopt;
            return TTopMaskInfo{.Kind = mask.Mask().Kind, .Name = mask.Mask().MskNm};
        };
}

}  // namespace vt
