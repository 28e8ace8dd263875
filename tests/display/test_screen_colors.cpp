#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>

#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/Shell.h"
#include "display/ColorSettings.h"
#include "display/DisplayPanel.h"
#include "display/ScopeDisplayServices.h"
#include "display/ScreenColors.h"

using namespace vt;

TEST(ScreenColors, AlphaOfEveryPercentAndTheColourModel) {
    for (std::uint32_t p = 0; p <= 255; ++p) {
        // p x 255 / 100 is a half only where it is exact: the nearest-even rounding of the quotient.
        const auto alpha = p == 0 ? 255u : static_cast<std::uint32_t>(std::nearbyint(std::min(p, 100u) * 255 / 100.0));
        EXPECT_EQ(ColorValueToLayerColor((p << 24) | 0x123456).Value, (alpha << 24) | 0x123456) << p;
    }
    EXPECT_EQ(ColorValueToLayerColor(0x320000FF), TColor(0x800000FF));
    const std::array<std::pair<std::uint32_t, double>, 6> hues = {
        {{0x0000FF, 240}, {0x00FFFF, 40}, {0x00FF00, 80}, {0xFFFF00, 120}, {0xFF0000, 160}, {0xFF00FF, 200}}};
    for (const auto& [colour, hue] : hues) EXPECT_DOUBLE_EQ(ColorToHLS(TColor(colour)).Hue, hue) << colour;
    EXPECT_DOUBLE_EQ(ColorToHLS(TColor(0x808080)).Hue, 160);
    EXPECT_DOUBLE_EQ(ColorToHLS(TColor(0x808080)).Saturation, 0);
    EXPECT_EQ(ColorWithLuminance(TColor(0x0000FF), 60), TColor(0x000080));
    const auto grades = [](std::uint32_t colour) {
        std::array<std::uint32_t, 5> out{};
        for (std::size_t k = 0; k < 5; ++k) out[k] = ColorWithLuminance(TColor(colour), GrayScaleLuminances[k]).Value;
        return out;
    };
    EXPECT_EQ(grades(0x80FFFF), (std::array<std::uint32_t, 5>{0x008080, 0x00BFBF, 0x2AFFFF, 0x9FFFFF, 0xEAFFFF}));
    EXPECT_EQ(grades(0xFFFFFF)[0] + grades(0xFFFFFF)[4], 0x404040u + 0xF4F4F4u);
    EXPECT_EQ(grades(0xD7FF00)[0], 0x6B8000u);
}

TEST(ScreenColors, SettingsReachTheLayersTheTransparencyAndTheDeferredStep) {
    TShell shell;
    shell.SetCommandTree(CreateCommandTree());
    TCommandTree& tree = *shell.CommandTree();
    shell.SetDisplayServices(std::make_unique<TScopeDisplayServices>(shell));
    auto& display = dynamic_cast<TScopeDisplayServices&>(shell.Display());
    CreateColorHandlers(shell, display);
    CreateColorSettings(shell);
    EXPECT_EQ(tree.ColorSettings(), &display.Colors());
    int recoloured = 0;
    display.Colors().RecolourHisticons = [&recoloured] { ++recoloured; };
    // One command a string, the reply without its trailing blank.
    const auto run = [&tree](const std::string& command) {
        std::string reply = tree.ExecuteCommandString(":" + command, false);
        while (!reply.empty() && reply.back() == ' ') reply.pop_back();
        return reply;
    };
    EXPECT_EQ(run("Header OFF;Displ:Color:Ch1?"), "8454143");
    for (const char* h : {"Displ:Color:Ch1B2", "Displ:Color:EyeMarkers", "Displ:Color:Histogram", "Displ:Color:Screen"})
        EXPECT_NE(tree.Root().FindHandler(h), nullptr) << h;
    // The side menu's settings, which no command reaches.
    auto* transparency = dynamic_cast<TIntEditHandler*>(tree.Root().FindHandler("SHADOW:Transpar"));
    auto* item = dynamic_cast<TRadioSwHandler*>(tree.Root().FindHandler("SHADOW:ColorItem"));
    ASSERT_TRUE(transparency && item);
    item->SetItemIndex(ceHistogram);
    EXPECT_EQ(transparency->GetValue(), 50);
    transparency->SetValue(30);
    EXPECT_EQ(run("Displ:Color:Histogram?"), std::to_string(0x320000FF)) << "only the side menu changes it";
    transparency->SetValueFromSwitcher(20);
    EXPECT_EQ(run("Displ:Color:Histogram?"), std::to_string(0x500000FF));
    item->SetItemIndex(18);
    EXPECT_EQ(transparency->GetValue(), 78);
    item->SetItemIndex(0);
    EXPECT_TRUE(transparency->IsDisabled());
    EXPECT_EQ(transparency->GetValue(), 0);
    // The panel: a colour change recolours the layer's pixels; the grade settings reach the palette.
    display.CreatePanel();
    display.PlacePanel(4, 60, 450, 548);
    TScopeCRT& crt = *display.Panel();
    TParentSignalLayer* dots = crt.DotLayer(ssCh1);
    dots->SetScales(512, 1, 0);
    dots->PutPoint(10, 0);
    const auto [x, y] = dots->PointPosition(10);
    recoloured = 0;
    run("Displ:Color:Ch1 255");
    EXPECT_EQ(crt.Screen(1)->Bitmap().Pixel(x + ScreenMargin, y), TColor(0x0000FF));
    EXPECT_EQ(recoloured, 1);
    // Markers made anew after the change take the setting, not the default colour.
    crt.OverlayClasses().Register(TOverlayClass::XMarker, [](std::string name, bool xy, int slot, int rows, int columns) {
        return std::make_unique<TMarkerLayer>(name, xy, slot, rows, columns);
    });
    ASSERT_NE(crt.XMarkerLayer(1, ssCh1), nullptr);
    EXPECT_EQ(crt.XMarkerLayer(1, ssCh1)->Color(), TColor(0xFF0000FF));
    run("Displ:Color:Screen 65280");
    EXPECT_EQ(crt.Screen(1)->Bitmap().Pixel(1, 1), TColor(0x00FF00));
    crt.SetColorGradeStyle(ssCh1, 0);
    TColorGrSignalLayer* grade = crt.ColorGradeLayer(ssCh1);
    ASSERT_NE(grade, nullptr);
    run("Displ:GradeClr1 255");
    EXPECT_EQ(grade->GradeColor(5), TColor(0xFF0000FF)) << "setting 1 is grade 5";
    run("Displ:GradeClr5 0");
    run("Displ:GradeDefCol");
    EXPECT_EQ(run("Displ:GradeClr1?") + run("Displ:GradeClr5?"), "1677721544544");
    EXPECT_EQ(grade->GradeColor(1), TColor(0xFF00AE00));
    run("Displ:DefaultClr:All");
    EXPECT_EQ(recoloured, 3) << "once for the 22 defaults";
    EXPECT_EQ(run("Displ:Color:Ch1?"), "8454143");
    EXPECT_EQ(crt.Screen(1)->Bitmap().Pixel(1, 1), TColor(0x001F1F00));
    shell.SetDisplayServices(nullptr);
    EXPECT_EQ(tree.ColorSettings(), nullptr) << "the tree outlives the display";
    run("Displ:Color:Ch1 255");
    run("Displ:DefaultClr:All");
}
