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

struct TWindowOrigin {
    int Left = 0;
    int Top = 0;
};

// Where the window goes when it takes its default client size, keeping its centre and staying on the
// screen.
TWindowOrigin ComputeDefaultOrigin(int left, int top, int clientWidth, int clientHeight, int screenWidth,
                                   int screenHeight);

}  // namespace vt
