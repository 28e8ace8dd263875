#include <gtest/gtest.h>

#include "ui/MainLayout.h"

namespace vt {
namespace {

void ExpectPlace(const TPlace& p, int left, int top, int width, int height, bool visible, const char* what) {
    SCOPED_TRACE(what);
    EXPECT_EQ(p.Left, left);
    EXPECT_EQ(p.Top, top);
    EXPECT_EQ(p.Width, width);
    EXPECT_EQ(p.Height, height);
    EXPECT_EQ(p.Visible, visible);
}

TEST(MainLayout, ClientAreaOf800By600) {
    const TMainLayout l = ComputeMainLayout(800, 600, 64);
    ExpectPlace(l.SystemStrip, 72, 0, 728, 20, true, "system strip");
    ExpectPlace(l.MainMenu, 4, 551, 792, 49, true, "main menu");  // (800 - 792 + 1) / 2
    // T 24, A 600 - 24 - 49 = 527 >= 441: side menus start at 54, height min(460, 497).
    ExpectPlace(l.LeftSlot, 6, 54, 111, 460, true, "left slot");
    ExpectPlace(l.RightSlot, 683, 54, 111, 460, true, "right slot");
    ExpectPlace(l.DisplayArea, 124, 24, 556, 477, true, "display");
    ExpectPlace(l.PermanentControls, 124, 501, 556, 50, true, "permanent controls");
    // A stacked strip of 100 pixels keeps its bottom above the main menu and takes the rest from the
    // display; nothing else moves.
    const TMainLayout stacked = ComputeMainLayout(800, 600, 64, 100);
    ExpectPlace(stacked.DisplayArea, 124, 24, 556, 427, true, "display over a stacked strip");
    ExpectPlace(stacked.PermanentControls, 124, 451, 556, 100, true, "stacked permanent controls");
    ExpectPlace(stacked.LeftSlot, 6, 54, 111, 460, true, "left slot beside a stacked strip");
}

TEST(MainLayout, NarrowWindowsDropTheRightThenTheLeftSlot) {
    TMainLayout l = ComputeMainLayout(640, 480, 64);
    EXPECT_TRUE(l.LeftSlot.Visible);
    EXPECT_FALSE(l.RightSlot.Visible);
    EXPECT_EQ(l.DisplayArea.Left, 124);
    EXPECT_EQ(l.DisplayArea.Width, 640 - 124);
    EXPECT_EQ(l.MainMenu.Width, 640);
    EXPECT_EQ(l.MainMenu.Left, 0);
    // A = 480 - 24 - 49 = 407: not above 410, the side menus start at T and fill A.
    EXPECT_EQ(l.LeftSlot.Top, 24);
    EXPECT_EQ(l.LeftSlot.Height, 407);

    l = ComputeMainLayout(641, 480, 64);
    EXPECT_TRUE(l.RightSlot.Visible);
    EXPECT_EQ(l.DisplayArea.Width, 641 - 124 - 120);

    l = ComputeMainLayout(250, 480, 64);
    EXPECT_FALSE(l.LeftSlot.Visible);
    EXPECT_FALSE(l.RightSlot.Visible);
    EXPECT_EQ(l.DisplayArea.Left, 4);
    EXPECT_EQ(l.DisplayArea.Width, 246);
}

TEST(MainLayout, SideMenuTopFollowsTheSpareHeight) {
    // A between 411 and 440 pushes the side menus down by A - 410.
    const TMainLayout l = ComputeMainLayout(800, 24 + 49 + 430, 64);
    EXPECT_EQ(l.LeftSlot.Top, 24 + 20);
    EXPECT_EQ(l.LeftSlot.Height, 430 + 24 - 44);
    // A wide window centres the main menu, rounding half up.
    EXPECT_EQ(ComputeMainLayout(1001, 600, 64).MainMenu.Left, 105);
    EXPECT_EQ(ComputeMainLayout(1000, 600, 64).MainMenu.Left, 104);
}

TEST(MainLayout, LowWindowsHideTheMainMenuThenThePermanentControls) {
    TMainLayout l = ComputeMainLayout(800, 301, 64);
    EXPECT_TRUE(l.MainMenu.Visible);
    l = ComputeMainLayout(800, 300, 64);
    EXPECT_FALSE(l.MainMenu.Visible);
    EXPECT_TRUE(l.PermanentControls.Visible);
    EXPECT_EQ(l.DisplayArea.Height, 300 - 24 - 50);

    l = ComputeMainLayout(800, 250, 64);
    EXPECT_FALSE(l.PermanentControls.Visible);
    EXPECT_EQ(l.DisplayArea.Height, 226);

    l = ComputeMainLayout(800, 150, 64);
    EXPECT_EQ(l.SystemStrip.Height, 1);
    EXPECT_EQ(l.DisplayArea.Top, 4);
    EXPECT_EQ(l.DisplayArea.Height, 146);

    l = ComputeMainLayout(800, 20, 64);
    EXPECT_EQ(l.DisplayArea.Height, 34) << "the display is never lower than 34 pixels";
}

// The default place for a client area now (left, top, width, height) and the area available on the
// screen: 1920 x 1080 pixels at the scale factors 1, 1.5 and 2, smaller screens, a panel at an edge.
TEST(MainLayout, DefaultPlaceFitsTheAvailableAreaKeepingTheCentre) {
    const struct {
        const char* What;
        TPlace Window, Available, Expected;
    } rows[] = {
        {"centre kept", {100, 50, 1000, 700}, {0, 0, 1920, 1080}, {204, 112, 792, 575}},
        {"shrinking by an odd amount truncates towards zero", {10, 10, 791, 574}, {0, 0, 1920, 1080}, {10, 10, 792, 575}},
        {"growing near the corner: never above or left of the area", {5, 5, 200, 100}, {0, 0, 1920, 1080}, {0, 0, 792, 575}},
        {"off the right and bottom edges", {1800, 900, 792, 575}, {0, 0, 1920, 1080}, {1128, 455, 792, 575}},
        {"scale 1.5: the area is 1280 x 720", {0, 0, 792, 575}, {0, 0, 1280, 720}, {0, 0, 792, 575}},
        {"scale 2: the area is 960 x 540, lower than the default", {0, 0, 792, 575}, {0, 0, 960, 540}, {0, 0, 792, 540}},
        {"a 640 x 480 screen", {0, 0, 792, 575}, {0, 0, 640, 480}, {0, 0, 640, 480}},
        {"a screen smaller than the least size", {30, 30, 792, 575}, {0, 0, 320, 240}, {0, 0, 350, 301}},
        {"a panel above and a dock on the left", {0, 0, 500, 400}, {60, 30, 1860, 1050}, {60, 30, 792, 575}},
        {"the frame taken off the area", {0, 0, 792, 575}, {0, 0, 960, 510}, {0, 0, 792, 510}},
    };
    for (const auto& row : rows) {
        const TPlace p = ComputeDefaultPlace(row.Window, row.Available);
        ExpectPlace(p, row.Expected.Left, row.Expected.Top, row.Expected.Width, row.Expected.Height, true, row.What);
    }
}

}  // namespace
}  // namespace vt
