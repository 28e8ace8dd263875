#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "core/InternalError.h"
#include "core/Numeric.h"
#include "LayerTestKit.h"
#include "display/PersistenceLayers.h"
#include "display/SignalLayers.h"

using namespace vt;
using vt::test::TStubLayer;
using vt::test::TTestScreen;

TEST(SignalScreen, BlendEqualsTheRoundedDoubleFormulaForEveryInput) {
    for (std::uint32_t a = 0; a < 256; ++a)
        for (std::uint32_t t = 0; t < 256; ++t)
            for (std::uint32_t u = 0; u < 256; ++u)
                ASSERT_EQ(BlendColor(TColor((a << 24) | (t << 8)), TColor(u << 8)).Green(),
                          RoundHalfEven(a / 255.0 * t + (1 - a / 255.0) * u)) << a << " " << t << " " << u;
}

TEST(SignalScreen, OwnersComposeByPriorityAndOpacity) {
    TTestScreen t(572, 353, TColor(0x1F1F00));
    TSignalScreen& s = t.Screen;
    EXPECT_TRUE(s.Slot(slCh1).CoveringMask == 0x000000FFu && s.Slot(slGraticule).CoveringMask == 0x3FFFFFFFu);

    TStubLayer grat(s, slGraticule, TColor(0xFF4F6F00));
    TStubLayer ch1(s, slCh1, TColor(0x800000FF));
    TStubLayer f1(s, slF1, TColor(0x38FFFFFF));
    TStubLayer ch1b2(s, slCh1B2, TColor(0xFF00FF00));
    grat.Draw(5, 5);
    ch1.Draw(5, 5);
    ch1.Draw(6, 6);
    EXPECT_EQ(t.Pixel(5, 5), TColor(0x273780)) << "translucent trace over the graticule";
    EXPECT_EQ(t.Pixel(6, 6), TColor(0x0F0F80)) << "over the background";
    grat.Draw(7, 7);
    f1.Draw(7, 7);
    f1.Draw(8, 8);
    EXPECT_EQ(t.Pixel(7, 7), TColor(0x768F38));
    EXPECT_EQ(t.Pixel(8, 8), TColor(0x505038));
    f1.Draw(5, 5);
    EXPECT_EQ(t.Pixel(5, 5), TColor(0x768F38)) << "of two translucent owners the last met is blended";

    s.SetOnTop(slGraticule);
    EXPECT_TRUE(s.Slot(slCh1).CoveringMask == 0x400000FFu && s.Slot(slGraticule).CoveringMask == 0);
    EXPECT_EQ(t.Pixel(5, 5), TColor(0x4F6F00)) << "the current graticule lies above the traces";
    s.SetOnTop(0);

    ch1.Draw(100, 9);
    ch1b2.Draw(100, 10);
    s.SetIntensifiedRanges(500, 2000, 0, 0);  // layer x 275..343
    s.RedrawAll();
    EXPECT_EQ(t.Pixel(100, 9), TColor(0x0F0F80)) << "outside the range";
    ch1.Draw(300, 9);
    ch1b2.Draw(300, 10);
    EXPECT_EQ(t.Pixel(300, 9), TColor(0xFF80FF));
    EXPECT_EQ(t.Pixel(300, 10), TColor(0x00FF00)) << "Ch1B2 is never intensified";

    ch1.Undraw(6, 6);
    EXPECT_EQ(t.Pixel(6, 6), TColor(0x1F1F00)) << "the last owner gone, the background shows";
    EXPECT_TRUE(s.PixelToScreenX(275) == 2000 && s.PixelToScreenY(176) == 512);
    EXPECT_THROW(s.SetLayerPixel(slCh1, 551, 0), EInternalError);
    EXPECT_THROW(s.SetLayerPixel(slCh1, -22, 0), EInternalError);
    t.DumpIfFailed("composition");
}

TEST(SignalScreen, AChangeComposesItsPixelsOnceWhenReadAndCopiesOneRectangle) {
    TTestScreen t(200, 100, clBlack);
    TStubLayer grat(t.Screen, slGraticule, TColor(0xFF808080));
    TStubLayer ch1(t.Screen, slCh1, TColor(0xFF0000FF));
    for (int x = 0; x < 150; ++x) grat.Draw(x, 50);
    t.Sink.Copies.clear();
    const auto before = t.Screen.CompositionCount();
    // Five sweeps over the same 21 pixels before the window reads them, the last one left drawn.
    ch1.BeginUpdate();
    for (int sweep = 0; sweep < 5; ++sweep) {
        if (sweep > 0) {
            for (int x = 10; x < 30; ++x) ch1.Undraw(x, 40 + x % 20);
            ch1.Undraw(12, 50);
        }
        for (int x = 10; x < 30; ++x) ch1.Draw(x, 40 + x % 20);
        ch1.Draw(12, 50);
    }
    ch1.EndUpdate();
    ASSERT_EQ(t.Sink.Copies.size(), 1u);
    EXPECT_EQ(t.Sink.Copies[0], (TPixelRect{31, 40, 50, 59}));
    EXPECT_EQ(t.Pixel(12, 50), TColor(0x0000FF));
    EXPECT_EQ(t.Pixel(13, 53), TColor(0x0000FF));
    EXPECT_EQ(t.Screen.CompositionCount() - before, 21u) << "each changed pixel once";
    EXPECT_EQ(t.Screen.CompositionCount() - before, 21u) << "a second reading composes nothing";

    // Outside a batch each change is copied at once; the pixel cleared last shows the graticule.
    ch1.Draw(100, 50);
    ch1.Undraw(100, 50);
    ASSERT_EQ(t.Sink.Copies.size(), 3u);
    EXPECT_EQ(t.Sink.Copies[2], (TPixelRect{121, 50, 121, 50}));
    EXPECT_EQ(t.Pixel(100, 50), TColor(0x808080));
    EXPECT_EQ(t.Screen.CompositionCount() - before, 22u);
    t.DumpIfFailed("batch");
}

TEST(SignalScreen, LayersLeavingTheScreenAndHitsAtTheEdge) {
    TTestScreen t(100, 60, TColor(0x202020));
    auto ch1 = std::make_unique<TStubLayer>(t.Screen, slCh1, TColor(0xFF0000FF));
    TStubLayer grat(t.Screen, slGraticule, TColor(0xFF00FF00));
    ch1->Draw(0, 10);
    grat.Draw(0, 10);
#ifndef NDEBUG
    // Only the debug build checks a layer's leave (the check walks the screen's pixels).
    EXPECT_THROW(ch1->Unregister(), EInternalError) << "its pixels would outlive it";
#endif
    // Pixels of a slot without a layer are passed over, not asked for a colour.
    t.Screen.RegisterLayer(slCh1, nullptr);
    t.Screen.RedrawAll();
    EXPECT_EQ(t.Pixel(0, 10), TColor(0x00FF00));
    t.Screen.RegisterLayer(slCh1, ch1.get());
    ch1->Erase();
    EXPECT_NO_THROW(ch1->Unregister());
    EXPECT_EQ(t.Screen.SlotLayer(slCh1), nullptr);

    for (int x = 1; x <= 3; ++x) EXPECT_TRUE(grat.HitTest(5, x, 12)) << x;
    EXPECT_FALSE(grat.HitTest(5, 40, 12));
    EXPECT_FALSE(grat.HitTest(5, 0, 10)) << "left of the plot only waveform layers answer";
}

namespace {

// A layer of one colour that says so, so that a redraw may compose its pixels once per owner word.
class TUniformStubLayer : public TStubLayer {
public:
    using TStubLayer::TStubLayer;
    bool UniformColor() const override { return true; }
};

// A layer whose colour changes from cell to cell.
class TCheckeredLayer : public TStubLayer {
public:
    using TStubLayer::TStubLayer;
    TColor CellColor(int x, int y) const override { return (x + y) % 2 ? Color() : TColor(0xFF123456); }
};

}  // namespace

TEST(SignalScreen, RedrawAllGivesThePixelsThatEachChangeGave) {
    // Many overlapping owners of one colour (more owner words than a redraw keeps at once), a layer
    // coloured cell by cell, and traces partly in an intensified range: the whole redraw must give
    // every pixel the colour that composing it alone gave, and copy one rectangle around them.
    TTestScreen t(400, 120, TColor(0x1F1F00));
    TSignalScreen& s = t.Screen;
    std::vector<std::unique_ptr<TStubLayer>> layers;
    const int uniformSlots[] = {slGraticule, slF1, slF1 + 1, slF1 + 2, slF1 + 3, slF1 + 4, slDatabase, slCh1B2, slCh2B2, slCh1, slCh2};
    for (int i = 0; i < 11; ++i) {
        const std::uint32_t alpha = i % 3 == 0 ? 0xFF000000u : 0x50000000u;
        layers.push_back(std::make_unique<TUniformStubLayer>(s, uniformSlots[i], TColor(alpha | (0x102030u * (i + 1) & 0xFFFFFF))));
    }
    layers.push_back(std::make_unique<TCheckeredLayer>(s, slF1 + 6, TColor(0x80C0A000)));
    s.SetIntensifiedRanges(800, 1500, 0, 0);
    for (std::size_t i = 0; i < layers.size(); ++i)
        for (int x = 0; x < 378; ++x) {
            // Each layer on its own band of rows and a diagonal, so that the owner words vary.
            const int y = static_cast<int>((x * (i + 1) / 3 + i * 7) % 120);
            layers[i]->Draw(x, y);
            layers[i]->Draw(x, static_cast<int>(i * 9 + x % 5) % 120);
        }
    std::vector<TColor> composed;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 378; ++x) composed.push_back(t.Pixel(x, y));

    t.Sink.Copies.clear();
    s.RedrawAll();
    ASSERT_EQ(t.Sink.Copies.size(), 1u);
    EXPECT_EQ(t.Sink.Copies[0], (TPixelRect{ScreenMargin, 0, ScreenMargin + 377, 119}));
    int wrong = 0;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 378; ++x)
            if (t.Pixel(x, y) != composed[static_cast<std::size_t>(y * 378 + x)] && ++wrong <= 5)
                ADD_FAILURE() << "pixel (" << x << ", " << y << ")";
    EXPECT_EQ(wrong, 0);
    for (auto& layer : layers) layer->Erase();
    t.DumpIfFailed("redraw-all");
}

TEST(SignalScreen, RedrawAllOfTheProgramsLayersGivesEachPixelItsOwnersColour) {
    // The program's layers as a user has them, composed a row at a time by the redraw: a grid, a
    // vector trace with its channel marker, a translucent persistence trace on top, a colour-graded function
    // over the whole plot below a translucent layer, a dot trace, a layer coloured cell by cell,
    // and two intensified ranges. Every pixel must show what composing it alone gives.
    TTestScreen t(400, 120, TColor(0x1F1F00));
    TSignalScreen& s = t.Screen;
    const int columns = 400 - ScreenMargin;
    std::uint32_t clock = 1;
    TGraticLayer grat("grat", false, slGraticule, 120, columns);
    grat.SetSignalScreenAndRegisterSelfInIt(&s);
    grat.SetLayerColorAndOpacity(TColor(0xFF4F6F00));
    grat.SetStyle(gsGrid);
    TVectorSignalLayer ch1("ch1", false, slCh1, 120, columns);
    TPersistSignalLayer ch2("ch2", false, slCh2, 120, columns);
    TColorGrSignalLayer f1("f1", false, slF1, 120, columns);
    TSimpleSignalLayer dots("dots", false, slCh1B2, 120, columns);
    ch2.SetClockSource(&clock);
    ch2.SetPersistTime(100);
    f1.SetClockSource(&clock);
    const std::pair<TParentSignalLayer*, TColor> traces[] = {
        {&ch1, TColor(0xFF00FFFF)}, {&ch2, TColor(0x9000FF00)}, {&f1, TColor(0xFFFF8000)}, {&dots, TColor(0xFF8080FF)}};
    for (const auto& [layer, colour] : traces) {
        layer->SetSource(layer == &f1 ? 4 : layer == &ch2 ? 2 : 0);
        layer->SetSignalScreenAndRegisterSelfInIt(&s);
        layer->SetLayerColorAndOpacity(colour);
    }
    for (int k = 1; k <= GradeCount; ++k) f1.SetGradeColor(k, TColor(0x203040u * static_cast<std::uint32_t>(k)));
    TStubLayer veil(s, slDatabase - 1, TColor(0x50FFFFFF));
    TCheckeredLayer checkered(s, slF1 + 3, TColor(0xFF0000C0));
    for (int x = 0; x < columns; x += 3) {
        veil.Draw(x, (x * 7) % 120);
        checkered.Draw(x, (x * 5 + 11) % 120);
    }
    for (int sweep = 0; sweep < 260; ++sweep, ++clock) {
        for (const auto& [layer, colour] : traces) {
            layer->SetScales(512, 1, 0.25);
            for (int n = 0; n < 512; ++n) {
                const double wave = 3 * std::sin(n * 0.03 + (layer == &ch2 ? 1.0 : 0.0)) + (sweep % 5) * 0.07;
                // The function visits every row over its odd sweeps and the wave's rows more often:
                // every grade over the whole plot.
                const double value = layer == &f1 && sweep % 2 ? 4.2 - 8.4 * ((n * 13 + sweep) % 119) / 118.0 : wave;
                layer->PutPoint(n, value);
            }
        }
    }
    s.SetIntensifiedRanges(700, 400, 2500, 600);
    s.SetOnTop(slCh2);
    t.Sink.Copies.clear();
    s.RedrawAll();
    ASSERT_EQ(t.Sink.Copies.size(), 1u);
    int wrong = 0, owned = 0;
    for (int y = 0; y < 120; ++y)
        for (int x = -ScreenMargin; x < columns; ++x) {
            const std::uint32_t w = s.OwnerWord(x, y);
            owned += w != 0;
            const TColor expected = w != 0 ? s.ComposePixelColor(w, x, y) : TColor(0x1F1F00);
            if (t.Pixel(x, y) != expected && ++wrong <= 5)
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") owners " << std::hex << w;
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(owned, 110 * columns) << "the graded function covers the plot";
    std::array<int, GradeCount + 1> levels{};
    for (int y = 1; y < 119; ++y)
        for (int x = 1; x < columns - 1; ++x) ++levels[static_cast<std::size_t>(f1.Level(x, y))];
    EXPECT_GT(levels[1], 1000) << "the cells the function visited least";
    EXPECT_GE(std::count_if(levels.begin() + 1, levels.end(), [](int n) { return n > 20; }), 3) << "grades";
    t.DumpIfFailed("redraw-all-layers");
    for (const auto& [layer, colour] : traces) layer->Erase();
    veil.Erase();
    checkered.Erase();
}
