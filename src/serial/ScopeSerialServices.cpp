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
    shell.Registration.Add(TRegistrationRow::CreateJitterHandlers, [](TShell& s) {
        if (TScopeSerialServices* serial = Services(s)) serial->Jitter().CreateJitterHandlers();
    });
    shell.Refresh.Add(TRefreshRow::RefreshEyeHandlers, [](TShell& s) {
        if (TScopeSerialServices* serial = Services(s)) serial->Eye().RefreshEyeHandlers();
    });
}

}  // namespace vt
