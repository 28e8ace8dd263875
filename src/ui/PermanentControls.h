#pragma once
// The quick controls of the main window's strip below the display: each channel's display switch,
// scale and offset, the timebase's mode, scale and delay, and the trigger's source, slope and level.
// Two rows of title-less controls fill the strip's 50 pixels.
namespace vt {

class TKitContext;
class TRC_RightMenuPanel;

// Creates the strip's controls on the page (no frame, no group: the mnemonics are full paths).
void BuildPermanentControls(TRC_RightMenuPanel& strip);
// Binds the strip's controls that are not bound yet; the settings that exist bind, the others when
// their features register them and the strip is bound again.
void BindPermanentControls(TRC_RightMenuPanel& strip, TKitContext& kit);

}  // namespace vt
