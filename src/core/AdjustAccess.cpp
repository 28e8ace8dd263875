#include "core/AdjustAccess.h"

#include "core/Shell.h"

namespace vt {

namespace {
constexpr std::string_view AdjustmentCode = "RX4-73K";
constexpr std::string_view ServiceCode = "Servicer";
}  // namespace

bool AccessDialogAllowed(const TShell& shell) { return shell.AccessTries < MaxAccessTries; }

bool EnterAccessCode(TShell& shell, std::string_view text) {
    if (shell.AccessTries < 255) ++shell.AccessTries;
    if (text == AdjustmentCode) shell.AdjustAccessGranted = true;
    if (text == ServiceCode) {
        shell.AdjustAccessGranted = true;
        shell.ServiceAccess = true;
    }
    return shell.AdjustAccessGranted || shell.AccessTries >= MaxAccessTries;
}

}  // namespace vt
