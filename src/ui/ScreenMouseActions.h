#pragma once
// The acquisition's side of the mouse on the screens: suspending the acquisition during a drag,
// moving a trace, shifting the delays and zooming into a frame.
#include <memory>

#include "display/ScreenMouse.h"

namespace vt {

class TShell;
class TSignalAcq;
class TTimebase;

std::unique_ptr<TScreenMouseActions> MakeScreenMouseActions(TShell& shell, TSignalAcq& acquisition, TTimebase& timebase);

}  // namespace vt
