#include "ui/MainLayout.h"

#include <algorithm>

namespace vt {

TMainLayout ComputeMainLayout(int W, int H, int systemButtonRight, int permanentControlsHeight) {
    TMainLayout l;

    l.SystemStrip.Top = 0;
    l.SystemStrip.Left = systemButtonRight + 8;
    l.SystemStrip.Height = H > 150 ? 20 : 1;
    l.SystemStrip.Width = std::max(0, W - l.SystemStrip.Left);

    l.MainMenu.Visible = H > 300;
    l.MainMenu.Top = H - MainMenuHeight;
    l.MainMenu.Height = MainMenuHeight;
    if (W > DefaultClientWidth) {
        l.MainMenu.Width = DefaultClientWidth;
        l.MainMenu.Left = (W - DefaultClientWidth + 1) / 2;
    } else {
        l.MainMenu.Width = W;
        l.MainMenu.Left = 0;
    }

    const int T = H > 150 ? 24 : 4;
    int A = H - T;
    if (l.MainMenu.Visible) A -= MainMenuHeight;

    int S = T;
    if (A >= 441) {
        S = T + 30;
    } else if (A - 410 > 0) {
        S = T + (A - 410);
    }
    const int sideHeight = std::min(460, A + T - S);
    l.LeftSlot = {6, S, SideSlotWidth, sideHeight, W > 250};
    l.RightSlot = {W - 117, S, SideSlotWidth, sideHeight, W > 640};

    l.DisplayArea.Left = 4;
    l.DisplayArea.Width = W - 4;
    if (l.LeftSlot.Visible) {
        l.DisplayArea.Left = 124;
        l.DisplayArea.Width = W - 124;
    }
    if (l.RightSlot.Visible) l.DisplayArea.Width -= 120;

    l.PermanentControls.Visible = H > 250;
    l.PermanentControls.Top = T + A - permanentControlsHeight;
    l.PermanentControls.Left = l.DisplayArea.Left;
    l.PermanentControls.Width = l.DisplayArea.Width;
    l.PermanentControls.Height = permanentControlsHeight;

    l.DisplayArea.Top = T;
    l.DisplayArea.Height = std::max(34, l.PermanentControls.Visible ? A - permanentControlsHeight : A);
    return l;
}

TWindowOrigin ComputeDefaultOrigin(int left, int top, int clientWidth, int clientHeight, int screenWidth,
                                   int screenHeight) {
    // Integer division truncates towards zero, as the centring needs.
    left += (clientWidth - DefaultClientWidth) / 2;
    top += (clientHeight - DefaultClientHeight) / 2;
    if (left + DefaultClientWidth > screenWidth) left = screenWidth - DefaultClientWidth;
    if (top + 625 > screenHeight) top = screenHeight - 625;
    return {std::max(0, left), std::max(0, top)};
}

}  // namespace vt
