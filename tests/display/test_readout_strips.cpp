// The readout strips' cell grids, the bottom strip's delayed texts on a fake timer and its presses on
// listed readouts through a stub provider.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "RecordingSink.h"
#include "core/InternalError.h"
#include "display/BottomReadoutStrip.h"
#include "display/Histicon.h"
#include "display/TopStatusStrip.h"

using namespace vt;

namespace {

struct TText {
    TPixelRect Rect;
    std::string Text;
    TColor Colour;
};

// One-shot timers the test runs out by hand.
struct TFakeTimers {
    struct TTimer : THintTimer {
        explicit TTimer(int* stops = nullptr) : Stops(stops) {}
        void Start(int ms) override { Interval = ms; }
        void Stop() override {
            if (Stops) ++*Stops;
        }
        int* Stops;
        std::function<void()> Fired;
        int Interval = 0;
    };
    TTimerFactory Factory() {
        return [this](std::function<void()> fired) {
            auto timer = std::make_unique<TTimer>(&Stops);
            timer->Fired = std::move(fired);
            Made.push_back(timer.get());
            return timer;
        };
    }
    std::vector<TTimer*> Made;  // owned by the strip
    int Stops = 0;
};

struct TStripRig {
    TStripRig() : Strip(nullptr, Timers.Factory()) {
        Strip.Resize(7, 35, 528, 81);
        Strip.TextWatch = [this](const TPixelRect& r, const std::string& t, TColor c) { Texts.push_back({r, t, c}); };
    }
    TFakeTimers Timers;
    TNizText Strip;
    std::vector<TText> Texts;
};

struct TStubProvider : TReadoutProvider {
    std::vector<TListedCell> ListedCells() const override {
        std::vector<TListedCell> cells;
        for (int i = 0; i < 6; ++i) cells.push_back({ParamCellRect(i, false), i});
        return cells;
    }
    void LeftClick(int number) override { Left.push_back(number); }
    TStripMenu BuildPopupMenu(int number) override {
        Built.push_back(number);
        return {{"Remove", "pumpRemove"}, {"", "", false, true, false, true}, {"Annotate", "pumpAnnotate", true}};
    }
    void HandlePopupCommand(const std::string& command, int selected) override {
        Handled.push_back(command + " " + std::to_string(selected));
    }
    std::vector<int> Left, Built;
    std::vector<std::string> Handled;
};

TPixelRect R(int l, int t, int r, int b) { return {l, t, r, b}; }

}  // namespace

TEST(ReadoutStrips, CellGridsAndTheirRanges) {
    EXPECT_EQ(ParamCellRect(2, false), R(3, 32, 112, 48));
    EXPECT_EQ(ParamCellRect(7, true), R(365, 32, 518, 48));
    EXPECT_EQ(NizCellRect(0, 45), R(238, 16, 375, 32));
    EXPECT_EQ(NizCellRect(-1, 3), R(170, 0, 234, 16));
    EXPECT_EQ(NizCellRect(3, 3), R(176, 64, 238, 80));
    EXPECT_EQ(MarkerCellRect(2, 3, true), R(267, 16, 347, 31));
    EXPECT_EQ(JitterCellRect(9, true), R(435, 64, 528, 80));
    EXPECT_EQ(HistCellRect(5, 3, false), R(333, 64, 422, 79));
    EXPECT_EQ(MaskCellRect(1, 2, true), R(248, 0, 342, 15));
    EXPECT_EQ(TopCellRect(2, 1), R(260, 0, 385, 16));
    EXPECT_EQ(TopCellRect(10, 2), R(10, 16, 260, 32));
    for (const auto& outside : std::vector<std::function<void()>>{
             [] { ParamCellRect(10, false); }, [] { NizCellRect(-1, 45); }, [] { NizCellRect(4, 1); },
             [] { MarkerCellRect(0, 1, false); }, [] { HistCellRect(1, 4, true); }, [] { TopCellRect(4, 1); },
             [] { JitterCellRect(-1, true); }, [] { MaskCellRect(6, 1, true); }})
        EXPECT_THROW(outside(), EInternalError);
}

TEST(ReadoutStrips, DelayedTextsShowTheLastTextOfEachHalfSecond) {
    TStripRig rig;
    const TPixelRect cell = ParamCellRect(2, true);
    rig.Strip.DelayedTextOut("1 ns", cell, 2, 0xFFFFFF);
    rig.Strip.DelayedTextOut("2 ns", cell, 2, 0xFFFFFF);
    rig.Strip.DelayedTextOut("3 ns", cell, 2, 0x00FFFF);
    // Another slot is not held back by slot 2; slot -1 draws every time.
    rig.Strip.DelayedTextOut("a", cell, 3, 0xFFFFFF);
    rig.Strip.DelayedTextOut("b", cell, -1, 0xFFFFFF);
    rig.Strip.DelayedTextOut("c", cell, -1, 0xFFFFFF);
    ASSERT_EQ(rig.Texts.size(), 4u);
    EXPECT_EQ(rig.Texts[0].Text, "1 ns");
    EXPECT_EQ(rig.Texts[0].Rect, cell);
    EXPECT_EQ(rig.Texts[1].Text + rig.Texts[2].Text + rig.Texts[3].Text, "abc");
    ASSERT_EQ(rig.Timers.Made.size(), 2u);
    EXPECT_EQ(rig.Timers.Made[0]->Interval, 500);
    rig.Timers.Made[0]->Fired();  // 0.5 s later
    ASSERT_EQ(rig.Texts.size(), 5u);
    EXPECT_EQ(rig.Texts[4].Text, "3 ns");
    EXPECT_EQ(rig.Texts[4].Colour, TColor(0x00FFFF));
    EXPECT_EQ(rig.Strip.Slot(2).Timer, nullptr);
    // Idle again: the next text shows at once.
    rig.Strip.DelayedTextOut("4 ns", cell, 2, 0xFFFFFF);
    EXPECT_EQ(rig.Texts.back().Text, "4 ns");
    EXPECT_THROW(rig.Strip.DelayedTextOut("x", cell, 2, -1), EInternalError);

    // A clear while slot 11 waits: that text never comes.
    rig.Strip.DelayedTextOut("first", cell, 11, 0xFFFFFF);
    rig.Strip.DelayedTextOut("waits", cell, 11, 0xFFFFFF);
    rig.Strip.Delay = 1.0;
    rig.Strip.SetLabelDrawn(2, true);
    rig.Strip.SetDeltaLabelsDrawn(true);
    rig.Strip.EyeLabelsDrawn = true;
    rig.Strip.Clear();
    EXPECT_EQ(rig.Timers.Stops, 3) << "slots 2, 3 and 11 were running";
    EXPECT_EQ(rig.Strip.Slot(11).Timer, nullptr);
    EXPECT_EQ(rig.Strip.Delay, 0.5);
    EXPECT_FALSE(rig.Strip.LabelDrawn(2) || rig.Strip.DeltaLabelsDrawn() || rig.Strip.EyeLabelsDrawn);
    for (const TText& t : rig.Texts) EXPECT_NE(t.Text, "waits");
    // A timer of no slot is refused.
    TFakeTimers::TTimer stranger;
    EXPECT_THROW(rig.Strip.FlushDelayedText(&stranger), EInternalError);
}

TEST(ReadoutStrips, APressOnAListedReadoutActsOnThatReadoutOnly) {
    TStripRig rig;
    TStubProvider meas;
    TReadoutProviders providers{};
    providers[static_cast<std::size_t>(TReadoutKind::Measurements)] = &meas;
    rig.Strip.SetProviders(&providers);

    // The label of the third row in Param display: measurement 2.
    EXPECT_TRUE(rig.Strip.MousePress(TNizText::RightButton, 50, 40));
    EXPECT_EQ(rig.Strip.SelectedCell(), 2);
    ASSERT_NE(rig.Strip.PopupMenu(), nullptr);
    EXPECT_EQ(rig.Strip.PopupMenu()->size(), 3u);
    rig.Strip.ChoosePopupCommand("pumpRemove");
    EXPECT_EQ(rig.Strip.PopupMenu(), nullptr);
    ASSERT_EQ(meas.Handled.size(), 1u);
    EXPECT_EQ(meas.Handled[0], "pumpRemove 2");

    // On the value of measurement 0: no readout is hit (not the second column's measurement 5).
    EXPECT_FALSE(rig.Strip.MousePress(TNizText::RightButton, 200, 8));
    EXPECT_EQ(rig.Strip.PopupMenu(), nullptr);
    EXPECT_EQ(meas.Built, std::vector<int>{2});

    // A left press goes to the provider; a new press frees an open menu; closing it chooses nothing.
    EXPECT_TRUE(rig.Strip.MousePress(TNizText::LeftButton, 300, 10));
    EXPECT_EQ(meas.Left, std::vector<int>{5});
    rig.Strip.MousePress(TNizText::RightButton, 10, 2);
    ASSERT_NE(rig.Strip.PopupMenu(), nullptr);
    rig.Strip.MousePress(TNizText::RightButton, 600, 2);
    EXPECT_EQ(rig.Strip.PopupMenu(), nullptr);
    rig.Strip.MousePress(TNizText::RightButton, 10, 2);
    rig.Strip.ChoosePopupCommand("");
    EXPECT_EQ(meas.Handled.size(), 1u);
}

TEST(ReadoutStrips, StatisticHeadersKeepAGapBeforeTheNextCell) {
    test::TRecordingSink sink;
    TNizText strip(&sink);
    strip.Resize(7, 35, 528, 81);
    strip.Clear();
    std::vector<TText> drawn;
    strip.TextWatch = [&drawn](const TPixelRect& r, const std::string& t, TColor c) { drawn.push_back({r, t, c}); };
    // The eye statistics' header row: "Cycles/Wfms" is wider than its cell from 170 to "Minimum" at 234
    // less the gap; narrowed, it leaves the gap's columns 230..233 empty.
    strip.DelayedTextOut("Cycles/Wfms", NizCellRect(-1, 3), -1, 0xFFFFFF);
    strip.DelayedTextOut("Minimum", NizCellRect(-1, 4), -1, 0xFFFFFF);
    EXPECT_GT(strip.Bitmap().TextWidth("Cycles/Wfms"), 234 - 170 - 4) << "the header needs narrowing";
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[0].Rect, R(170, 0, 234, 16));
    EXPECT_EQ(drawn[0].Text, "Cycles/Wfms");
    EXPECT_EQ(drawn[0].Colour, clWhite);
    EXPECT_EQ(drawn[1].Rect, R(234, 0, 306, 16));
    EXPECT_EQ(drawn[1].Text, "Minimum");
    for (int y = 0; y < 16; ++y)
        for (int x = 230; x < 234; ++x) EXPECT_NE(strip.Bitmap().Pixel(x, y), clWhite) << x << "," << y;
}

TEST(ReadoutStrips, AWideTopStripSpreadsItsCellsOverItsWidth) {
    test::TRecordingSink sink;
    TVerhText top(&sink);
    // 1050 wide: the 520 pixels from the strip's left margin at 10 become 1040, every edge twice as far.
    top.Resize(10, 2, 1050, 31);
    std::vector<TPixelRect> watched;
    top.TextWatch = [&watched](const TPixelRect& r, const std::string&, TColor) { watched.push_back(r); };
    top.ShowText(TopCellRect(3, 1), "External", clWhite);
    EXPECT_EQ(watched, std::vector<TPixelRect>{TopCellRect(3, 1)}) << "callers keep naming the cell";
    // Column 3 runs from 10 + 2 x 375 = 760 to 10 + 2 x 455 = 920: the text goes there.
    ASSERT_FALSE(sink.Copies.empty());
    EXPECT_EQ(sink.Copies.back(), R(760, 0, 920, 16));
    top.DrawSampleModeIcon(1);
    EXPECT_EQ(sink.Copies.back(), R(926, 1, 941, 16));  // 10 + 2 x 458
    // At its narrowest the strip keeps its own places.
    top.Resize(10, 2, 530, 31);
    EXPECT_EQ(top.SpreadRect(TopCellRect(3, 1)), TopCellRect(3, 1));
    EXPECT_EQ(top.SpreadX(468), 468);
}

// The strip of a 641-pixel window (381 wide): each column still holds its widest usual texts whole, in
// order, and the icon stays inside the strip; the columns give up the room they had beyond those.
TEST(ReadoutStrips, ANarrowTopStripSqueezesItsColumnsWithoutCuttingATextOrTheIcon) {
    test::TRecordingSink sink;
    TVerhText top(&sink);
    top.Resize(10, 2, 381, 31);
    const std::vector<std::vector<const char*>> widest = {
        {"12 GHz  888.8 MSa/s", "Acquisitions: 12345", "Peak Detect: 1.6 ns", "Database: Ch1"},
        {"12 GHz  888.8 MSa/s", "Averages: 1000", "Stopped 12345", "Continuously", "Wfm: 12345"},
        {"Color Grade", "Gray Scale", "Persist", "888.8 mV/div"},
        {"Clock Recovery", "External HF", "Not Trig'd", "Free Run"}};
    int right = TopStripLeft;
    for (int column = 0; column < 4; ++column) {
        const TPixelRect cell = top.SpreadRect(TopCellRect(column, 1));
        EXPECT_EQ(cell.Left, right) << "column " << column << " follows the one before";
        right = cell.Right;
        for (const char* text : widest[static_cast<std::size_t>(column)])
            EXPECT_GE(cell.Right - cell.Left, top.Bitmap().TextWidth(QString::fromLatin1(text)))
                << "column " << column << ": " << text;
    }
    const int icon = top.SpreadX(SampleModeIconX);
    EXPECT_GE(icon, right);
    EXPECT_LE(icon + SampleModeIconSize, 381);
    top.DrawSampleModeIcon(1);
    EXPECT_EQ(sink.Copies.back(), R(icon, 1, icon + 15, 16));
}

TEST(ReadoutStrips, ATopStripBelowItsWidestTextsNarrowsTheirLettersInsteadOfCuttingThem) {
    // 300 wide (a window of about 440 pixels): the columns shrink below their widest texts. "Clock
    // Recovery" must end inside its column, short of the next one, and still reach its last third.
    test::TRecordingSink sink;
    TVerhText top(&sink);
    top.Resize(10, 2, 300, 31);
    top.Clear();
    const TPixelRect cell = top.SpreadRect(TopCellRect(3, 1));
    ASSERT_GT(top.Bitmap().TextWidth(QStringLiteral("Clock Recovery")), cell.Right - cell.Left) << "needs narrowing";
    const int ownStretch = top.Bitmap().Font().stretch();
    top.ShowText(TopCellRect(3, 1), "Clock Recovery", clWhite);
    int lastLit = -1;
    for (int y = cell.Top; y < cell.Bottom; ++y)
        for (int x = cell.Left; x < cell.Right; ++x)
            if (top.Bitmap().Pixel(x, y) == clWhite) lastLit = std::max(lastLit, x);
    EXPECT_LT(lastLit, cell.Right - 1) << "the text runs to its column's end: cut";
    EXPECT_GT(lastLit, cell.Left + (cell.Right - cell.Left) * 2 / 3) << "the text is all there";
    // The strip's font is its own again for the next text.
    EXPECT_EQ(top.Bitmap().Font().stretch(), ownStretch);
}

TEST(ReadoutStrips, TheSampleModeIconReachesTheWindowWhereItIsDrawn) {
    test::TRecordingSink sink;
    TVerhText top(&sink);
    top.Resize(10, 2, 530, 31);
    top.DrawSampleModeIcon(1);
    ASSERT_FALSE(sink.Copies.empty());
    EXPECT_EQ(sink.Copies.back(), R(468, 1, 483, 16));
    int lit = 0;
    for (int y = 1; y <= 16; ++y)
        for (int x = 468; x <= 483; ++x) lit += top.Bitmap().Pixel(x, y) == clWhite;
    EXPECT_GT(lit, 16);
    for (int x = 460; x < 530; ++x) EXPECT_NE(top.Bitmap().Pixel(x, 0), clWhite) << "nothing above the icon";
    // Hidden, the icon still reaches the bitmap but nothing is copied.
    const std::size_t copies = sink.Copies.size();
    top.SetVisible(false);
    top.DrawSampleModeIcon(0);
    EXPECT_EQ(sink.Copies.size(), copies);
    top.IconState = 0;
    top.TrigStateShown = 2;
    top.CachedAcqState[1] = "Sample";
    top.ResetShown();
    EXPECT_EQ(top.IconState, IconStateReset);
    EXPECT_EQ(top.TrigStateShown, 0);
    EXPECT_TRUE(top.CachedAcqState[1].empty());
}

TEST(ReadoutStrips, ATopCellIsDrawnOnlyWhenWhatItShowsChanges) {
    test::TRecordingSink sink;
    TVerhText top(&sink);
    top.Resize(10, 2, 530, 31);
    std::vector<TText> given;
    top.TextWatch = [&given](const TPixelRect& r, const std::string& t, TColor c) { given.push_back({r, t, c}); };
    // Every text drawn reaches the window as one copy.
    const auto drawn = [&sink, copies = sink.Copies.size()] { return sink.Copies.size() - copies; };
    // The acquisition shows both channels' states after every pass, alternating the colour.
    for (int pass = 0; pass < 5; ++pass) {
        top.ShowText(TopCellRect(0, 2), "Sample", TColor(0x00FFFF));
        top.ShowText(TopCellRect(1, 2), "Sample", TColor(0x00FF00));
    }
    EXPECT_EQ(drawn(), 2u);
    EXPECT_EQ(given.size(), 10u) << "the watch hears every text given";
    top.ShowText(TopCellRect(0, 2), "Sample", TColor(0x00FF00));
    top.ShowText(TopCellRect(0, 2), "Stopped", TColor(0x00FF00));
    EXPECT_EQ(drawn(), 4u) << "a new colour or text is drawn";
    // The two channel cells together cover both: each is drawn again afterwards.
    top.ShowText(TopCellRect(10, 2), "Database", clWhite);
    top.ShowText(TopCellRect(0, 2), "Stopped", TColor(0x00FF00));
    top.ShowText(TopCellRect(1, 2), "Sample", TColor(0x00FF00));
    EXPECT_EQ(drawn(), 7u);
    // A cleared strip shows nothing: every text is drawn again.
    top.Clear();
    const std::size_t cleared = drawn();
    top.ShowText(TopCellRect(1, 2), "Sample", TColor(0x00FF00));
    EXPECT_EQ(drawn(), cleared + 1);
    top.ResetShown();
    top.ShowText(TopCellRect(1, 2), "Sample", TColor(0x00FF00));
    EXPECT_EQ(drawn(), cleared + 2);
}

// The eye's rows are written whole on every acquisition: only a cell whose text or colour changed is
// drawn (one copy each), yet the picture is the one drawing every text every time gives: a fresh strip
// given the icon and the last acquisition alone. A clear, a resize or a new width draws it all again.
TEST(ReadoutStrips, ABottomCellIsDrawnOnlyWhenWhatItShowsChanges) {
    TFakeTimers timers;
    test::TRecordingSink sink;
    TNizText strip(&sink, timers.Factory());
    strip.Resize(7, 35, NizGridWidth, NizHeight);
    strip.Clear();
    std::size_t watched = 0;
    strip.TextWatch = [&watched](const TPixelRect&, const std::string&, TColor) { ++watched; };
    std::size_t copies = sink.Copies.size();
    const auto drawn = [&sink, &copies] {
        const std::size_t n = sink.Copies.size() - copies;
        copies = sink.Copies.size();
        return n;
    };
    // Row 3 shows an icon in its wide cell, its bracket on the count cell's right edge.
    THisticon icon(strip);
    icon.SetRect(NizCellRect(3, 45));
    icon.SetShown(true);
    icon.SetColor(TColor(0x00FF00));
    icon.DrawText("");
    // pass: the acquisition; the count changes every time, the rest on passes 3 (a value), 4 (a colour;
    // an empty cell shows none) and 6.
    const auto cells = [](int pass) {
        std::vector<std::tuple<TPixelRect, std::string, std::int32_t>> c;
        for (int row = 0; row < 4; ++row) {
            const std::int32_t colour = pass >= 4 && row == 1 ? 0x00FF00 : 0xFFFF00;
            c.emplace_back(NizCellRect(row, 1), "Eye Height (Ch1)", colour);
            c.emplace_back(NizCellRect(row, 2), pass >= 3 && row == 0 ? "26 mV" : "25 mV", colour);
            c.emplace_back(NizCellRect(row, 3), std::to_string(pass + 10) + " / 75", colour);
            if (row < 3) {
                c.emplace_back(NizCellRect(row, 4), "24.96 mV", colour);
                c.emplace_back(NizCellRect(row, 5), "", colour);
            }
            // A "W" touches its cell's left edge, which the cell before shares: both are drawn again.
            c.emplace_back(NizCellRect(row, 6), pass >= 6 ? "Wait..." : "Undefined", colour);
            c.emplace_back(NizCellRect(row, 7), "Undefined", colour);
        }
        return c;
    };
    const auto give = [&cells](TNizText& to, int pass) {
        for (const auto& [cell, text, colour] : cells(pass)) to.DelayedTextOut(text, cell, -1, colour);
    };
    const std::size_t cellCount = cells(0).size();
    // pass, cells drawn: all, then the counts, with the changed value, with row 1's new colour.
    const std::vector<std::pair<int, std::size_t>> passes = {{1, cellCount}, {2, 4}, {3, 5}, {4, 4 + 5}, {5, 4}};
    drawn();
    watched = 0;
    for (const auto& [pass, expected] : passes) {
        give(strip, pass);
        EXPECT_EQ(drawn(), expected) << "pass " << pass;
    }
    EXPECT_EQ(watched, passes.size() * cellCount) << "the watch hears every text given";
    give(strip, 6);
    give(strip, 7);
    const auto picture = [](const TNizText& s) {
        std::vector<std::uint32_t> p;
        for (int y = 0; y < s.Height(); ++y) p.insert(p.end(), s.Bitmap().Row(y), s.Bitmap().Row(y) + s.Width());
        return p;
    };
    {
        TNizText fresh(nullptr, timers.Factory());
        fresh.Resize(7, 35, NizGridWidth, NizHeight);
        fresh.Clear();
        THisticon freshIcon(fresh);
        freshIcon.SetRect(NizCellRect(3, 45));
        freshIcon.SetShown(true);
        freshIcon.SetColor(TColor(0x00FF00));
        freshIcon.DrawText("");
        give(fresh, 7);
        EXPECT_TRUE(picture(strip) == picture(fresh));
    }
    // What may wipe the cells behind the rows' back: each makes the next acquisition draw it all.
    const std::vector<std::pair<const char*, std::function<void()>>> wipes = {
        {"clear", [&strip] { strip.Clear(); }},
        {"resize", [&strip] { strip.Resize(7, 35, NizGridWidth, NizHeight); }},
        {"new width", [&strip] {
             strip.FitWidth(300);
             strip.FitWidth(NizGridWidth);
         }},
    };
    for (const auto& [what, wipe] : wipes) {
        wipe();
        drawn();
        give(strip, 5);
        EXPECT_EQ(drawn(), cellCount) << what;
        give(strip, 5);
        EXPECT_EQ(drawn(), 0u) << what;
    }
}

// A panel narrower than the grids (a window of about 430 pixels): the strip takes 300 pixels, draws what
// it showed again in the squeezed cells without its features, keeps every text short of the next cell,
// squeezes the histicon with its cell, maps presses to the squeezed cells, and never goes below its
// least width. Back at full width its picture is the one it had.
TEST(ReadoutStrips, ASqueezedStripDrawsItsReadoutsAgainInTheirNewPlaces) {
    TStripRig rig;
    TStubProvider meas;
    TReadoutProviders providers{};
    providers[static_cast<std::size_t>(TReadoutKind::Measurements)] = &meas;
    TNizText& strip = rig.Strip;
    strip.SetProviders(&providers);
    strip.Clear();
    const std::vector<std::pair<TPixelRect, const char*>> shown = {
        {ParamCellRect(0, false), "Crossing, percent (Ch1)"}, {ParamCellRect(0, true), "49.87 %"},
        {ParamCellRect(1, false), "Eye Height (Ch1)"},       {ParamCellRect(1, true), "469.8 mV"},
        {ParamCellRect(5, false), "Rise Time (Ch1)"},        {ParamCellRect(5, true), "69.68 ps"}};
    for (const auto& [cell, text] : shown) strip.DelayedTextOut(text, cell, -1, 0xFFFF00);
    // The icon of the fourth row: a column of 5 at k = -1 and one of 9 at k = 0.
    auto icon = std::make_unique<THisticon>(strip);
    icon->SetRect(NizCellRect(3, 45));
    icon->SetShown(true);
    icon->SetColor(TColor(0x00FF00));
    icon->DrawText("");
    icon->DrawColumn(-1, 5);
    icon->DrawColumn(0, 9);
    const auto picture = [&strip] {
        std::vector<std::uint32_t> p;
        for (int y = 0; y < strip.Height(); ++y)
            p.insert(p.end(), strip.Bitmap().Row(y), strip.Bitmap().Row(y) + strip.Width());
        return p;
    };
    const std::vector<std::uint32_t> full = picture();
    const std::size_t watched = rig.Texts.size();

    strip.FitWidth(300);
    ASSERT_EQ(strip.Width(), 300);
    EXPECT_EQ(rig.Texts.size(), watched) << "nothing was asked of the features";
    // Every cell edge at x x 300 / 528: the value cell of row 0 runs 113..254 -> 64..144.
    EXPECT_EQ(strip.SqueezeRect(ParamCellRect(0, true)), R(64, 0, 144, 16));
    for (const auto& [cell, text] : shown) {
        const TPixelRect s = strip.SqueezeRect(cell);
        int first = INT_MAX, last = -1;
        for (int y = s.Top; y <= s.Bottom; ++y)
            for (int x = 0; x < strip.Width(); ++x) {
                const TColor p = strip.Bitmap().Pixel(x, y);
                if (p == strip.Color() || p.Value == 0x00FF00) continue;  // background, icon
                // The next cell may start on this one's last pixel.
                if (x < s.Left || x >= s.Right) continue;
                first = std::min(first, x);
                last = std::max(last, x);
            }
        EXPECT_LT(first, s.Left + 4) << text << ": drawn again at its cell's new place";
        EXPECT_LE(last, s.Right - 2) << text << ": no empty column before the next cell";
        if (std::string(text) != "Crossing, percent (Ch1)") {
            EXPECT_GT(last, s.Left + (s.Right - s.Left) / 3) << text << " is all there";
        }
    }
    // The icon's origin 299 + k falls on pixel (299 + k) x 300 / 528: k = -1 and k = 0 share pixel 169,
    // which shows the higher of the two; the bracket's ends sit at 238 -> 135 and 360 -> 204.
    const int base = icon->BaseY();
    const auto heightAt = [&](int x) {
        int h = 0;
        while (h < 16 && strip.Bitmap().Pixel(x, base - h - 1).Value == 0x00FF00) ++h;
        return h;
    };
    EXPECT_EQ(heightAt(169), 9);
    EXPECT_EQ(heightAt(168), 0);
    EXPECT_EQ(heightAt(170), 0);
    EXPECT_NE(strip.Bitmap().Pixel(135, base), strip.Color());
    EXPECT_NE(strip.Bitmap().Pixel(204, base - 5), strip.Color());
    EXPECT_EQ(strip.Bitmap().Pixel(205, base), strip.Color());
    // A new value at k = 0 falling to 2: pixel 169 now shows k = -1's 5.
    icon->DrawColumn(0, 2);
    EXPECT_EQ(heightAt(169), 5);

    // The press goes by the squeezed cells: x = 100 is measurement 0's label at full width, the value
    // beside it now (the label ends at 112 x 300 / 528 = 63); x = 200 is measurement 5's label (255..364
    // becomes 144..206).
    EXPECT_FALSE(strip.MousePress(TNizText::LeftButton, 100, 8));
    EXPECT_TRUE(strip.MousePress(TNizText::LeftButton, 200, 8));
    EXPECT_EQ(meas.Left, std::vector<int>{5});

    strip.FitWidth(120);
    EXPECT_EQ(strip.Width(), NizLeastWidth) << "below its least width a panel cuts the strip";
    icon->DrawColumn(0, 9);
    strip.FitWidth(2000);
    ASSERT_EQ(strip.Width(), NizGridWidth);
    EXPECT_TRUE(picture() == full) << "at full width the strip shows what it showed";

    // A clear wipes what was shown for good; an icon outlives the strip it was drawn on.
    strip.Clear();
    const std::vector<std::uint32_t> blank = picture();
    strip.FitWidth(300);
    strip.FitWidth(528);
    EXPECT_TRUE(picture() == blank);
    {
        auto gone = std::make_unique<TNizText>(nullptr, rig.Timers.Factory());
        THisticon orphan(*gone);
        gone.reset();
        orphan.SetShown(true);
        orphan.DrawText("Wait...");
        orphan.DrawColumn(0, 3);
        EXPECT_TRUE(orphan.Drawn());
    }
}
