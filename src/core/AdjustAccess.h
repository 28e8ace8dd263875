#pragma once
// The access codes of the adjustment menu and of the manufacturer's service, and what one try does to
// the shell's access flags. The codes live here only, never in a language file.
#include <string_view>

namespace vt {

class TShell;

// Presses of OK after which the dialog no longer opens for the rest of the run.
inline constexpr int MaxAccessTries = 3;

// The dialog may open (fewer than three presses so far).
bool AccessDialogAllowed(const TShell& shell);
// One press of OK with the entered text: counts it and grants what the code grants (compared with
// case). True when the dialog closes: access granted, or no tries left.
bool EnterAccessCode(TShell& shell, std::string_view text);

}  // namespace vt
