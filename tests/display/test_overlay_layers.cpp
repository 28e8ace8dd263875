// The panel's overlay layers over stub classes: what a getter keeps, what it frees and what goes with
// a source's layer or a screen.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "RecordingSink.h"
#include "acq/SignalSources.h"
#include "core/InternalError.h"
#include "display/DisplayPanel.h"
#include "display/PersistenceLayers.h"

using namespace vt;

namespace {

std::string Failure(const std::function<void()>& f) {
    try {
        f();
    } catch (const EInternalError& e) {
        return e.Message();
    }
    return {};
}

struct TOverlayRig {
    TOverlayRig() {
        TScopeCRT::TProgram p;
        p.ClockMs = [] { return std::int64_t{0}; };
        Panel = std::make_unique<TScopeCRT>(std::move(p));
        Panel->SetSink(&Sink);
        Panel->PlacePanel(0, 0, 604, 804);
        // Every class but the TDR margins, whose feature is not there.
        for (int k = 0; k < static_cast<int>(TOverlayClass::Count); ++k)
            if (k != static_cast<int>(TOverlayClass::TdrMargins))
                Panel->OverlayClasses().Register(
                    static_cast<TOverlayClass>(k), [](std::string name, bool xy, int slot, int rows, int columns) {
                        return std::make_unique<TMarkerLayer>(name, xy, slot, rows, columns);
                    });
        Panel->OverlayClasses().Register(TOverlayClass::TdrMargins, {});
    }
    test::TRecordingSink Sink;
    std::unique_ptr<TScopeCRT> Panel;
};

}  // namespace

TEST(OverlayLayers, GettersKeepWhatIsBoundAndFreeWhatFollowsAGoneLayer) {
    TOverlayRig rig;
    TScopeCRT& crt = *rig.Panel;

    // Markers follow the vector layer; the dot layer of the source frees both with it.
    crt.VectorLayer(ssCh1);
    TMarkerLayer* x1 = crt.XMarkerLayer(1, ssCh1);
    EXPECT_EQ(x1->Name(), "X_Mrk1 Layer");
    EXPECT_EQ(crt.XMarkerLayer(1, ssCh1), x1);
    ASSERT_NE(crt.YMarkerLayer(2, ssCh1), nullptr);
    EXPECT_EQ(crt.DotLayer(ssCh1)->Name(), "Dot_Layer_Ch1");
    EXPECT_FALSE(crt.MarkerLayer(1) || crt.MarkerLayer(2));

    // Marker 1 holds one overlay at a time; the histogram window needs the histogram layer.
    ASSERT_NE(crt.MeasParamsLayer(ssCh1), nullptr);
    ASSERT_NE(crt.XMarkerLayer(2, ssCh1), nullptr);
    EXPECT_EQ(crt.HistWindowLayer(ssCh1), nullptr);
    EXPECT_FALSE(crt.MarkerLayer(1) || crt.MarkerLayer(2));
    ASSERT_NE(crt.HistLayer(), nullptr);
    EXPECT_EQ(crt.HistWindowLayer(ssCh1)->Name(), "HistWind Layer");
    EXPECT_EQ(crt.OverlayLayerOfKind(16), crt.EyeParamsLayer(ssCh1));

    // An annotation and the mask layers stay with their screen when the source's layer goes, but no
    // longer count as bound to a new one.
    crt.DotLayer(ssF1);
    EXPECT_EQ(crt.AnnotationLayer(1, ssF1)->Name(), "Ann.Lyr1_F1");
    ASSERT_NE(crt.MaskLayer(ssCh1), nullptr);
    ASSERT_NE(crt.MaskErrorLayer(ssCh1), nullptr);
    EXPECT_EQ(crt.OverlayLayerOfKind(19), crt.MaskErrorLayer(ssCh1));
    crt.MoveSignalToScreen(ssCh1, 1);
    EXPECT_NE(crt.MarkerLayer(1), nullptr) << "a move to the same screen frees nothing";
    // Switched off: the layer and the overlay following it go.
    crt.FreeLayerOfSource(ssCh1);
    EXPECT_FALSE(crt.HasSignalLayer(ssCh1) || crt.MarkerLayer(1));
    EXPECT_TRUE(crt.HasMaskLayer());
    crt.FreeMaskLayer();
    EXPECT_EQ(crt.OverlayLayerOfKind(19), nullptr) << "the mask error layer goes first";
    ASSERT_NE(crt.MeasParamsLayer(ssF1), nullptr);
    EXPECT_EQ(crt.TdrMarginsLayer(ssF1), nullptr) << "a class not registered gives none";
    EXPECT_EQ(crt.MarkerLayer(1), nullptr);
    // A history layer in place of another class frees the marker following the old one.
    crt.VectorLayer(ssCh2);
    ASSERT_NE(crt.XMarkerLayer(1, ssCh2), nullptr);
    EXPECT_EQ(crt.PersistLayer(ssCh2)->Name(), "Pers.Layer_Ch2");
    EXPECT_EQ(crt.MarkerLayer(1), nullptr);

    // The frame: on a time screen only, with the screen's frame mode.
    EXPECT_EQ(Failure([&] { crt.FrameLayer(nullptr); }), "Scr not found");
    ASSERT_NE(crt.FrameLayer(crt.Screen(1)), nullptr);
    EXPECT_TRUE(crt.Screen(1)->FrameMode());

    // Four screens: every overlay on a freed screen goes with it.
    crt.SetScreenMode(2);
    EXPECT_EQ(crt.GraticuleLayer(3)->Name(), "Grig_Scr3");
    EXPECT_FALSE(crt.ExistingFrameLayer() || crt.ExistingAnnotationLayer(1) || crt.ExistingHistLayer());
    crt.SetScreenMode(3);
    EXPECT_EQ(crt.XYColorGradeLayer()->Name(), "ColorGrad_XY-Layer");
    EXPECT_EQ(Failure([&] { crt.FrameLayer(crt.Screen(crt.XYScreenNumber())); }), "For XY - nizzja!");
    EXPECT_EQ(Failure([&] { crt.XMarkerLayer(3, ssCh1); }), "??? Bad marker Number !!!");
    EXPECT_EQ(Failure([&] { crt.AnnotationLayer(0, ssCh1); }), "??? Bad Annotation Number !!!");
    EXPECT_EQ(Failure([&] { crt.FreeAnnotationLayer(3); }), "??? Bad Annot. Number !!!");
}
