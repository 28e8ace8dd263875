#pragma once
// Geometry of the main window's parts for a client area, and the default window placement.
namespace vt {

struct TPlace {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool Visible = true;
};

struct TMainLayout {
    TPlace SystemStrip;        // main-command switchers
    TPlace MainMenu;           // the 21 main-menu buttons
    TPlace LeftSlot;           // side-menu slots
    TPlace RightSlot;
    TPlace DisplayArea;        // the display panel's area (the panel gets its height less 2)
    TPlace PermanentControls;  // quick controls below the display
};

inline constexpr int DefaultClientWidth = 792;
inline constexpr int DefaultClientHeight = 575;
inline constexpr int MainMenuHeight = 49;
inline constexpr int SideSlotWidth = 111;
inline constexpr int PermanentControlsHeight = 50;

// systemButtonRight: the right edge of the "System" button. A quick-control strip higher than its
// usual 50 pixels (its controls stacked in a narrow window) takes the rest from the display area.
TMainLayout ComputeMainLayout(int clientWidth, int clientHeight, int systemButtonRight,
                              int permanentControlsHeight = PermanentControlsHeight);

// The least client area the layout holds whole: the main menu shown (higher than 300 pixels) and, beside
// the left side menu, the quick-control strip's longest values in its two bands of rows.
inline constexpr int LeastClientWidth = 350;
inline constexpr int LeastClientHeight = 301;

// The window's place when it takes its default size: the default client area, shrunk to the area
// available for it on the screen (the window system's frame already taken off) but never below the
// least size, keeping the window's centre and staying inside that area. window: the client area now.
TPlace ComputeDefaultPlace(const TPlace& window, const TPlace& available);

}  // namespace vt
