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

TPlace ComputeDefaultPlace(const TPlace& window, const TPlace& available) {
    TPlace p;
    p.Width = std::max(LeastClientWidth, std::min(DefaultClientWidth, available.Width));
    p.Height = std::max(LeastClientHeight, std::min(DefaultClientHeight, available.Height));
    // Integer division truncates towards zero, as the centring needs.
    p.Left = window.Left + (window.Width - p.Width) / 2;
    p.Top = window.Top + (window.Height - p.Height) / 2;
    const int right = available.Left + available.Width, bottom = available.Top + available.Height;
    if (p.Left + p.Width > right) p.Left = right - p.Width;
    // 50 pixels below are kept for a title bar the frame may add.
    if (p.Top + p.Height + 50 > bottom) p.Top = bottom - p.Height - 50;
    p.Left = std::max(available.Left, p.Left);
    p.Top = std::max(available.Top, p.Top);
    return p;
}

}  // namespace vt
