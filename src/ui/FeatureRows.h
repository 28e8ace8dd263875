#pragma once
// The one place where every built feature puts its procedures into the shell's fixed orders
// (registration, refresh, model-dependent registration). A feature that is not built has no row.
namespace vt {

class TMorda_fr;
class TShell;

void InstallFeatureRows(TShell& shell, TMorda_fr& window);

}  // namespace vt
