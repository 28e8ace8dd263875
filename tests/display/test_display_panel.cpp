#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "RecordingSink.h"
#include "acq/SignalSources.h"
#include "core/Shell.h"
#include "display/DisplayPanel.h"
#include "display/ScopeDisplayServices.h"
#include "display/ScreenColors.h"

using namespace vt;

namespace {

struct TPanelRig {
    TPanelRig() {
        TScopeCRT::TProgram p;
        p.AcquisitionRunning = [this] { return Running; };
        p.RedrawSignalLayer = [this](int source, int style) {
            Redrawn.push_back({source, style});
            if (DrawRedrawn) Draw(source, style);
        };
        p.RedrawXYLayer = [this] { ++XYRedraws; };
        p.ClockMs = [this] { return Now; };
        p.BreakAcquisition = [this] { ++Breaks; };
        Panel = std::make_unique<TScopeCRT>(std::move(p));
        Panel->SetSink(&Sink);
    }
    test::TRecordingSink Sink;
    bool Running = false;
    std::int64_t Now = 123456;
    int Breaks = 0;
    std::vector<std::pair<int, int>> Redrawn;
    int XYRedraws = 0;
    std::unique_ptr<TScopeCRT> Panel;
    // Draws what the program draws from a source's record: 512 points rising from -0.5 V (Ch1) or
    // falling from 0.5 V (Ch2) at 0.2 V/div. DrawRedrawn: a redraw the panel asks for draws it too.
    bool DrawRedrawn = false;
    TParentSignalLayer* Draw(int source, int style) {
        TParentSignalLayer* layer = Panel->StyleLayer(source, style);
        if (!layer) return nullptr;
        layer->SetScales(512, 0.2, 0);
        const double sign = source == ssCh1 ? 1 : -1;
        for (int i = 0; i < 512; ++i) layer->PutPoint(i, sign * (-0.5 + i / 511.0));
        return layer;
    }
    // The rows of a source's points on the screen (500 of 512 span its width); empty without a layer.
    std::vector<int> Rows(int source) const {
        std::vector<int> rows;
        if (const TParentSignalLayer* layer = Panel->SignalLayer(source))
            for (int i = 0; i < 500; ++i) rows.push_back(layer->PointRow(i));
        return rows;
    }
};

}  // namespace

TEST(DisplayPanel, ScreensFollowThePanelAndOnlyChangedOnesAreRebuilt) {
    TPanelRig rig;
    TScopeCRT& crt = *rig.Panel;
    crt.PlacePanel(4, 60, 450, 548);
    TSignalScreen* s1 = crt.Screen(1);
    ASSERT_NE(s1, nullptr);
    EXPECT_EQ(s1->Width(), 522);
    EXPECT_EQ(s1->Height(), 321);
    EXPECT_EQ(s1->Left(), 6);
    EXPECT_EQ(s1->Top(), 37);
    ASSERT_NE(crt.GraticuleLayer(1), nullptr);
    EXPECT_EQ(crt.GraticuleLayer(1)->Columns(), 501);

    // A source on the screen, drawn, then a resize that keeps the size and one that does not.
    TParentSignalLayer* dots = crt.DotLayer(ssCh1);
    ASSERT_NE(dots, nullptr);
    dots->SetScales(512, 0.2, 0);
    crt.PlacePanel(124, 60, 450, 548);
    EXPECT_EQ(crt.Screen(1), s1) << "the same size keeps the screen";
    EXPECT_EQ(crt.SignalLayer(ssCh1), dots);
    EXPECT_TRUE(rig.Redrawn.empty());
    crt.PlacePanel(4, 60, 560, 700);
    EXPECT_EQ(crt.SignalLayer(ssCh1), nullptr) << "the layer went with its screen";
    EXPECT_EQ(rig.Redrawn, (std::vector<std::pair<int, int>>{{ssCh1, 0}})) << "stopped: drawn again from its record";

    // While acquiring the next pass draws it; a clear of the display stays clear.
    crt.VectorLayer(ssCh2);
    rig.Redrawn.clear();
    rig.Running = true;
    crt.PlacePanel(4, 60, 450, 548);
    rig.Running = false;
    crt.VectorLayer(ssCh2);
    crt.RecreateScreens();
    EXPECT_TRUE(rig.Redrawn.empty());

    // A panel too small for a screen has none until it grows.
    crt.PlacePanel(4, 60, 450, 60);
    EXPECT_EQ(crt.Screen(1), nullptr);
    EXPECT_EQ(crt.DotLayer(ssCh1), nullptr);
    crt.PlacePanel(4, 60, 30, 548);
    EXPECT_EQ(crt.Screen(1), nullptr);
    crt.PlacePanel(4, 60, 450, 548);
    EXPECT_NE(crt.Screen(1), nullptr);
}

TEST(DisplayPanel, RegistryFormatsFactorsRangesAndClock) {
    TPanelRig rig;
    TScopeCRT& crt = *rig.Panel;
    crt.PlacePanel(0, 0, 604, 804);

    // Another style frees the layer and makes an empty one; the marker shows the source's label.
    TParentSignalLayer* v = crt.VectorLayer(ssCh2);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->Name(), "Vect_Layer_Ch2");
    EXPECT_EQ(v->Color(), TColor(0xFFFFFF80));
    EXPECT_EQ(TraceColor(17), TColor(0x800000FF)) << "50 % gives alpha 128";
    EXPECT_EQ(TraceColor(18), TColor(0x38FFFFFF)) << "22 % gives alpha 56";
    EXPECT_EQ(crt.VectorLayer(ssCh2), v);
    TParentSignalLayer* d = crt.DotLayer(ssCh2);
    EXPECT_EQ(d->Name(), "Dot_Layer_Ch2");
    EXPECT_TRUE(crt.IsSignalOnScreen(ssCh2, 1));
    crt.MoveSignalToScreen(ssCh2, 1);
    EXPECT_EQ(crt.SignalLayer(ssCh2), d) << "moving to the same screen frees nothing";
    crt.FreeLayerOfSource(ssCh2);
    EXPECT_FALSE(crt.HasSignalLayer(ssCh2));

    // Comb2YTXY: the XY screen is the third, square, without ranges; the factors follow the format.
    crt.SetScreenMode(5);
    EXPECT_EQ(rig.Breaks, 1);
    EXPECT_EQ(crt.VerticalCompression(), 4);
    EXPECT_EQ(crt.XYDivisionFactor(), 2);
    ASSERT_NE(crt.Screen(3), nullptr);
    EXPECT_EQ(crt.Screen(3)->Width(), 225);
    TParentSignalLayer* xy = crt.XYDotLayer();
    EXPECT_EQ(xy->Name(), "Dot_XY-Layer");
    xy->SetXYScales(16, 16, 1, 0, 1, 0);
    xy->PutXYPoint(0, 0, 0);
    TParentSignalLayer* ch1 = crt.DotLayer(ssCh1);
    ch1->SetScales(512, 1, 0);
    for (int i = 0; i < 512; ++i) ch1->PutPoint(i, 0);
    crt.SetIntensifiedRanges(4000, 0, 0, 0);
    const TSignalScreen& xyScreen = *crt.Screen(3);
    EXPECT_EQ(xyScreen.Bitmap().Pixel(112, 112), TColor(0xFFFFFF)) << "the XY trace keeps its colour";
    const TSignalScreen& yt = *crt.Screen(1);
    const int row = ch1->PointRow(100);
    EXPECT_EQ(yt.Bitmap().Pixel(ch1->PointColumn(100) + ScreenMargin, row), TColor(IntensifiedColor.Value & 0xFFFFFF));
    crt.SetScreenMode(3);
    EXPECT_EQ(crt.VerticalCompression(), 1);
    EXPECT_EQ(crt.ScreenOfSource(ssCh1), 0) << "no time screen";
    crt.SetScreenMode(0);
    EXPECT_EQ(crt.ScreenOfSource(ssCh1), 1);

    // The clock counts hundredths from the panel's start on the monotonic clock given, rounded (halves
    // to the even neighbour), not truncated.
    rig.Now += 12346;
    crt.AgePersistence();
    EXPECT_EQ(crt.Clock(), 1235u);
    rig.Now -= 1;
    crt.AgePersistence();
    EXPECT_EQ(crt.Clock(), 1234u);

    // Only layers that keep time make the clock tick; the first such layer starts on the time of now,
    // however long the clock stood still before it.
    EXPECT_FALSE(crt.HasHistoryLayers());
    rig.Now += 5000;
    ASSERT_NE(crt.PersistLayer(ssCh2), nullptr);
    EXPECT_TRUE(crt.HasHistoryLayers());
    EXPECT_EQ(crt.Clock(), 1734u);
    ASSERT_NE(crt.DotLayer(ssCh2), nullptr);
    EXPECT_FALSE(crt.HasHistoryLayers()) << "dots in its place keep no time";
    ASSERT_NE(crt.ColorGradeLayer(ssCh2), nullptr);
    EXPECT_TRUE(crt.HasHistoryLayers());
    crt.FreeLayerOfSource(ssCh2);
    EXPECT_FALSE(crt.HasHistoryLayers());
}

// Stopped, the traces the rebuilt screens freed are drawn again from their records only on a time
// screen of the new format: never on the XY screen (the time layers would reach past its edge), and
// a trace left without a screen is drawn once the format or the assignment gives it one again.
TEST(DisplayPanel, StoppedFormatChangesDrawTheTracesAgainOnlyOnTimeScreens) {
    TPanelRig rig;
    TScopeCRT& crt = *rig.Panel;
    crt.PlacePanel(0, 0, 604, 804);
    rig.DrawRedrawn = true;
    rig.Draw(ssCh1, 0);
    rig.Draw(ssCh2, 1);
    const std::vector<int> ch1 = rig.Rows(ssCh1), ch2 = rig.Rows(ssCh2);
    ASSERT_EQ(std::count(ch1.begin(), ch1.end(), 0), 0);

    // XY: its one screen holds the XY trace, drawn from the records, in the slot Ch1 had.
    ASSERT_NO_THROW(crt.SetScreenMode(3));
    EXPECT_EQ(rig.XYRedraws, 1);
    EXPECT_FALSE(crt.HasSignalLayer(ssCh1));
    EXPECT_FALSE(crt.HasSignalLayer(ssCh2));
    TParentSignalLayer* xy = crt.XYDotLayer();
    EXPECT_EQ(crt.Screen(1)->SlotLayer(slCh1), xy);
    EXPECT_FALSE(crt.Screen(1)->SlotOwnsPixels(slCh2));

    // Back to YT: both traces as they were.
    ASSERT_NO_THROW(crt.SetScreenMode(0));
    EXPECT_EQ(rig.Rows(ssCh1), ch1);
    EXPECT_EQ(rig.Rows(ssCh2), ch2);

    // 4YT with Ch2 on the third screen, then 2YT: the assignment gives it the second screen.
    crt.SetScreenMode(2);
    crt.MoveSignalToScreen(ssCh2, 3);
    ASSERT_TRUE(crt.IsSignalOnScreen(ssCh2, 3));
    crt.SetScreenMode(1);
    crt.MoveSignalToScreen(ssCh1, 1);
    crt.MoveSignalToScreen(ssCh2, 2);
    ASSERT_TRUE(crt.IsSignalOnScreen(ssCh2, 2));
    const std::vector<int> moved = rig.Rows(ssCh2);
    EXPECT_EQ(std::count(moved.begin(), moved.end(), 0), 0) << "every point drawn";
    EXPECT_TRUE(crt.IsSignalOnScreen(ssCh1, 1));

    // A clear stays clear, also for a trace waiting for its screen.
    crt.SetScreenMode(3);
    rig.XYRedraws = 0;
    crt.RecreateScreens();
    EXPECT_EQ(rig.XYRedraws, 0);
    crt.SetScreenMode(0);
    EXPECT_FALSE(crt.HasSignalLayer(ssCh1));
    EXPECT_FALSE(crt.HasSignalLayer(ssCh2));
}

TEST(DisplayPanel, ServicesPlotTheAcquisitionAndFreeSwitchedOffSources) {
    TShell shell;
    shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
    TScopeDisplayServices services(shell);
    services.PutAcqPoint(ssCh1, 0, 0);  // no panel yet: nothing
    EXPECT_EQ(services.VerticalCompression(), 1);
    services.CreatePanel();
    services.PlacePanel(4, 60, 450, 548);
    TScopeCRT& crt = *services.Panel();

    // As the engine does: scales, a batch of points, the end of the batch.
    services.SetAcqLayerScales(ssCh1, 1, 512, 0.2, 0);
    services.SetAcqLayerScales(ssCh2, 0, 512, 0.2, 0);
    services.BeginSignalLayersUpdate();
    for (int i = 0; i < 512; ++i) {
        services.PutAcqPoint(ssCh1, i, 0.1);
        services.PutAcqPoint(ssCh2, i, -0.1);
    }
    EXPECT_GT(crt.Screen(1)->BatchDepth(), 0);
    services.EndSignalLayersUpdate();
    EXPECT_EQ(crt.Screen(1)->BatchDepth(), 0);
    ASSERT_TRUE(crt.HasSignalLayer(ssCh1));
    EXPECT_NE(dynamic_cast<TVectorSignalLayer*>(crt.SignalLayer(ssCh1)), nullptr);
    EXPECT_EQ(crt.SignalLayer(ssCh1)->PointRow(10), 160 - 20);  // 200 rows per volt
    EXPECT_TRUE(services.SignalLayerDrawn(ssCh2));

    // Switching a source off frees its layer; freeing by source number takes the XY slot too.
    shell.Records()->SignalsOn().SetOn(ssCh2, true);
    shell.Records()->SignalsOn().SetOn(ssCh2, false);
    EXPECT_FALSE(crt.HasSignalLayer(ssCh2));
    services.FreeSignalLayer(ssCh1);
    EXPECT_FALSE(crt.HasSignalLayer(ssCh1));
    services.FreeSignalLayer(ssNone);
}
