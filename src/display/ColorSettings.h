#pragma once
// The colour settings of the display: one `Displ:Color:` setting per screen element, and the side
// menu's colour item, transparency, default colours and the five colour-grade colours.
namespace vt {

class TShell;
class TScopeDisplayServices;

// The 22 `Displ:Color:` settings; installs the colours in the command tree and the histicon
// recolouring as the settings load's deferred step.
void CreateColorHandlers(TShell& shell, TScopeDisplayServices& display);
// `SHADOW:ColorItem` ... `Displ:GradeDefCol`, registered last among the display settings. Every step
// finds the display services in the shell when it runs.
void CreateColorSettings(TShell& shell);
// The colour item's step, the histicons and the panel's grade colours after a setup or a start.
void RefreshColorSettings(TShell& shell, TScopeDisplayServices& display);

}  // namespace vt
