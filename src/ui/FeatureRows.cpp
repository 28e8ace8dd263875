#include "ui/FeatureRows.h"

#include "acq/WaveformCommands.h"
#include "core/Shell.h"
#include "ui/MainWindow.h"

namespace vt {

void InstallFeatureRows(TShell& shell, TMorda_fr& window) {
    // The command tree's own row is the context's.
    if (shell.Records()) {
        shell.Registration.Add(TRegistrationRow::RegisterWaveformCommands, [](TShell& s) {
            RegisterWaveformCommands(*s.CommandTree(), *s.Records());
        });
    }
    shell.Registration.Add(TRegistrationRow::CreateGuiHandler, [&window](TShell&) { window.CreateGuiHandler(); });
}

}  // namespace vt
