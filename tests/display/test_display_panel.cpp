#include <gtest/gtest.h>

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
        p.RedrawSignalLayer = [this](int source, int style) { Redrawn.push_back({source, style}); };
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
    std::unique_ptr<TScopeCRT> Panel;
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
