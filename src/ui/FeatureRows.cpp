#include "ui/FeatureRows.h"

#include "core/Shell.h"
#include "ui/Morda.h"

namespace vt {

void InstallFeatureRows(TShell& shell, TMorda_fr& window) {
    // The command tree's own row is the context's.
    shell.Registration.Add(TRegistrationRow::CreateGuiHandler, [&window](TShell&) { window.CreateGuiHandler(); });
}

}  // namespace vt
