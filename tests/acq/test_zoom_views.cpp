// The zoom view settings of the derived sources: window and position limits (short records
// included), the enabling of a spectrum's views, copies, and values typed in the record's units.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "acq/SignalSources.h"
#include "acq/ZoomViews.h"
#include "core/CommandTree.h"
#include "core/Shell.h"

using namespace vt;

namespace {

struct TZoomShell {
    TZoomShell() {
        Shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
        Shell.Records()->ResetSignalObjects();
        Zoom.FillRows(Shell);
        RegisterAllCommandHandlers(Shell);
    }
    std::string Run(std::string_view text) { return Shell.CommandTree()->ExecuteCommandString(text, false); }
    TSignalObj& Record(int s) { return Shell.Records()->Record(s); }
    const TZoomViews::TZoomHandlers& Z(int s) { return Zoom.Handlers(s); }

    TShell Shell;
    TZoomViews Zoom{Shell};
};

}  // namespace

TEST(ZoomViews, WindowAndPositionLimitsFollowTheRecord) {
    TZoomShell t;
    t.Record(ssF1).SetLength(4096);
    UpdateUiForInstrument(t.Shell, {});
    const TIntEditHandler& position = *t.Z(ssF1).HorPosition;
    EXPECT_EQ(t.Zoom.ZoomWindowColumns(ssF1), 4001);
    EXPECT_EQ((std::vector<double>{position.MaxValue(), position.DefaultValue(), position.CoarseStep()}),
              (std::vector<double>{95, 47, 200}));
    EXPECT_EQ(ZoomWindowColumns(32, 1.0 / 128), 9);
    // Fewer than 8 points: the factor stays 1 instead of dividing by 0.
    EXPECT_EQ(ZoomedPointCount(4, 1.0 / 128), 4);
    // A 16-point record has a window of 17 columns: the position's maximum stays 0.
    t.Record(ssF2).SetLength(16);
    t.Z(ssF2).HorScale->SetValue(0.5);  // the limits follow each change
    t.Z(ssF2).HorScale->SetValue(1);
    EXPECT_DOUBLE_EQ(t.Z(ssF2).HorPosition->MaxValue(), 0);
    t.Z(ssF2).HorPosition->SetValue(5);
    EXPECT_EQ(t.Z(ssF2).HorPosition->GetValue(), 0);
    t.Z(ssS1).HorScale->SetValue(1);
    EXPECT_DOUBLE_EQ(t.Z(ssS1).HorScale->GetValue(), 0.5);

    // A spectrum's view stays within the lower half of the record.
    const auto& m1 = t.Z(ssM1);
    t.Record(ssM1).SetLength(4096);
    m1.HorScale->SetValue(0.125);
    m1.HorPosition->SetValue(3000);
    t.Record(ssM1).SetSpectrum(true);
    t.Zoom.LimitDerivedSignalZoom(ssM1);
    // 512 points in view from at most point 1,536: none beyond half the sampling rate.
    EXPECT_EQ(m1.HorPosition->GetValue(), 2048 - 512);
    m1.HorScale->SetValue(1);
    m1.HorPosition->SetValue(100);
    t.Zoom.LimitDerivedSignalZoom(ssM1);
    EXPECT_DOUBLE_EQ(m1.HorScale->GetValue(), 0.5);
    EXPECT_EQ(m1.HorPosition->GetValue(), 0);
}

TEST(ZoomViews, APhaseViewOfASpectrumEnablesOnlyThePhaseControls) {
    TZoomShell t;
    t.Shell.Records()->SignalsOn().SetOn(ssS1, true);
    UpdateUiForInstrument(t.Shell, {});
    t.Run("Zoom:S1:ComplexScale Phase");
    const auto& z = t.Z(ssS1);
    for (THandler* h : {static_cast<THandler*>(z.VertScale), static_cast<THandler*>(z.Offset),
                        static_cast<THandler*>(z.VertDBScale), static_cast<THandler*>(z.OffsInDB)})
        EXPECT_TRUE(h->IsDisabled());
    EXPECT_FALSE(z.OffsPhase->IsDisabled());
    EXPECT_FALSE(z.PhaseScale->IsDisabled());
    t.Run("Zoom:S1:ComplexScale Magnitude");
    t.Run("Zoom:S1:VScaleType Logaritm");
    EXPECT_FALSE(z.VertDBScale->IsDisabled());
    EXPECT_TRUE(z.VertScale->IsDisabled());
    EXPECT_TRUE(z.OffsPhase->IsDisabled());
    // F1 is no spectrum: its view is linear whatever its scale type says.
    t.Shell.Records()->SignalsOn().SetOn(ssF1, true);
    t.Run("Zoom:F1:VScaleType Logaritm");
    EXPECT_FALSE(t.Z(ssF1).VertScale->IsDisabled());
}

TEST(ZoomViews, CopiesAndTypedValuesInTheRecordsUnits) {
    TZoomShell t;
    t.Z(ssF1).VertScale->SetValue(5);
    t.Z(ssF1).Offset->SetValue(2);
    t.Z(ssF1).HorScale->SetValue(0.25);
    t.Run("Zoom:F1:ComplexScale Real");
    t.Zoom.CopyZoomSettings(ssF2, ssF1);
    const auto& f2 = t.Z(ssF2);
    const auto values = [&f2] {
        return std::vector<double>{f2.VertScale->GetValue(), f2.Offset->GetValue(), f2.HorScale->GetValue(),
                                   static_cast<double>(f2.ComplexScale->GetItemIndex())};
    };
    EXPECT_EQ(values(), (std::vector<double>{5, 2, 0.25, 2}));
    t.Zoom.CopyZoomSettings(ssF2, ssCh1);
    EXPECT_EQ(values(), (std::vector<double>{1, 0, 1, 2}));

    TSignalObj& f1 = t.Record(ssF1);
    f1.SetVertOffset(0.1);
    f1.SetVertScale(0.05);
    f1.SetVertUnit("V");  // the offset shows at the record's level
    t.Run("ZOOM:F1:OFFSET 0.2");
    EXPECT_DOUBLE_EQ(t.Z(ssF1).Offset->GetValue(), -2);
    EXPECT_EQ(t.Z(ssF1).Offset->FormatValue(false), "200 mV");
    f1.SetVertScale(0);  // a record read from a file may hold no scale
    t.Run("ZOOM:F1:OFFSET 0.5");
    EXPECT_DOUBLE_EQ(t.Z(ssF1).Offset->GetValue(), -2);
}

// A spectrum of 4096 points 10 GHz / 4096 = 2.44140625 MHz apart spans 4096 / 512 x 50 points a
// division at its whole width: 976.5625 MHz/div; its widest view (half the record) 488.28125 MHz/div.
// A typed 244.140625 MHz/div is a quarter of the record, whatever the view was before. Mega is typed
// "MEG": a lone "M" is milli in a command, so "244.14MHz" asks for the narrowest view.
TEST(ZoomViews, ATypedSpectrumScaleIsTakenAsTyped) {
    TZoomShell t;
    TSignalObj& s1 = t.Record(ssS1);
    s1.SetLength(4096);
    s1.SetSpectrum(true);
    s1.SetHorUnit("Hz");
    s1.SetSampleInterval(1e10 / 4096);
    t.Shell.Records()->SignalsOn().SetOn(ssS1, true);
    UpdateUiForInstrument(t.Shell, {});
    const auto& z = t.Z(ssS1);
    t.Run("Zoom:S1:HorScale MAX");
    EXPECT_DOUBLE_EQ(z.HorScale->GetValue(), 0.5);
    t.Run("Zoom:S1:HorScale 244.140625MEGHz");
    EXPECT_DOUBLE_EQ(z.HorScale->GetValue(), 0.25);
    EXPECT_EQ(t.Run("Zoom:S1:HorScale?"), "ZOOM:S1:HORSCALE 244.1 MHz/div");
    t.Run("Zoom:S1:HorScale 30.517578125MEG");
    EXPECT_DOUBLE_EQ(z.HorScale->GetValue(), 1.0 / 32);
    t.Run("Zoom:S1:HorScale 488.28125 MEG(Hz)");
    EXPECT_DOUBLE_EQ(z.HorScale->GetValue(), 0.5);
    t.Run("Zoom:S1:HorScale 244.14MHz");
    EXPECT_DOUBLE_EQ(z.HorScale->GetValue(), 1.0 / 128);
}
