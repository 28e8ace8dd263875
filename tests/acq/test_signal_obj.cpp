#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "acq/SignalObj.h"
#include "core/InternalError.h"

using namespace vt;

namespace {

TSignalObj Spectrum(std::initializer_list<std::pair<double, double>> points) {
    TSignalObj s;
    s.SetSpectrum(true);
    s.SetLength(static_cast<int>(points.size()));
    int i = 0;
    for (auto [re, im] : points) {
        s.SetPoint(i, re);
        s.SetSecondPoint(i++, im);
    }
    return s;
}

}  // namespace

TEST(SignalObj, FreshRecordMapsOffsetToCentreRowAndFourDivisionsToTheTop) {
    TSignalObj r;
    EXPECT_EQ(r.Length(), 512);
    EXPECT_EQ(r.Decimation(), 1);
    r.SetVertOffset(0.3);
    EXPECT_DOUBLE_EQ(r.ValueToPixel(0.3), 512);
    EXPECT_DOUBLE_EQ(r.ValueToPixel(0.3 + 4 * 0.5), 1024);
    EXPECT_DOUBLE_EQ(r.PixelToValue(0), 0.3 - 2.0);
    // View position and factor move and stretch the picture.
    r.SetViewPosition(0.1);
    r.SetViewScaleFactor(2);
    EXPECT_DOUBLE_EQ(r.GetCentre(), 0.4);
    EXPECT_DOUBLE_EQ(r.GetScale(), 1.0);
    EXPECT_DOUBLE_EQ(r.ValueToPixel(1e300), 2147483647.0);
    EXPECT_DOUBLE_EQ(r.ValueToPixel(-1e300), -2147483647.0);
}

TEST(SignalObj, ColumnsAndTimesFollowLengthViewStartAndDecimation) {
    TSignalObj r;
    r.SetLength(1024);
    r.SetOrigin(-5e-9);
    r.SetSampleInterval(1e-11);
    r.SetViewStart(100);
    r.SetDecimation(2);
    EXPECT_DOUBLE_EQ(r.IndexToTime(10), -5e-9 + 10e-11);
    EXPECT_DOUBLE_EQ(r.ViewIndexToTime(10), -5e-9 + 110e-11);
    EXPECT_DOUBLE_EQ(r.TimeToViewIndex(r.IndexToTime(300)), 200);
    EXPECT_DOUBLE_EQ(r.IndexToColumn(100 + 256), 2048);
    EXPECT_DOUBLE_EQ(r.ViewIndexToColumn(256), 2048);
    EXPECT_DOUBLE_EQ(r.ColumnToViewIndex(2048), 256);
    EXPECT_DOUBLE_EQ(r.ColumnToIndex(2048), 356);
    EXPECT_DOUBLE_EQ(r.ColumnToTime(0), r.GetViewStartTime());
    EXPECT_EQ(r.TimeToColumn(r.IndexToTime(356)), 2048);
    EXPECT_EQ(r.TimeToColumn(1e10), 2147483647);
    EXPECT_DOUBLE_EQ(r.TimePerDivision(), 2 * 50 * 1e-11);
    EXPECT_EQ(r.GetDecimatedLength(), 512);
}

TEST(SignalObj, DecimationIsAlwaysAPowerOfTwoKeepingEightPoints) {
    TSignalObj r;
    r.SetDecimation(3);
    EXPECT_EQ(r.Decimation(), 4);
    r.SetDecimation(100);
    EXPECT_EQ(r.Decimation(), 64);  // 512 div 128 would leave fewer than 8 points
    r.SetDecimation(0);
    EXPECT_EQ(r.Decimation(), 1);
    r.SetDecimation(1 << 30);
    EXPECT_EQ(r.Decimation(), 64);
    // A length that is not a power of two, and one below 8 points.
    r.SetLength(100);
    r.SetDecimation(100);
    EXPECT_EQ(r.Decimation(), 8);
    r.SetLength(5);
    r.SetDecimation(16);
    EXPECT_EQ(r.Decimation(), 1);
    EXPECT_EQ(r.GetDecimatedLength(), 5);
}

TEST(SignalObj, TdrConversionAppliesUnlessRaw) {
    TSignalObj r;
    r.SetPoint(0, 0.35);
    r.SetVertUnit("V");
    r.SetTdrOffset(0.25);
    r.SetTdrScale(0.5);
    EXPECT_DOUBLE_EQ(r.GetPoint(0), 0.35);
    r.SetTdrUnit(tdrRho);
    EXPECT_DOUBLE_EQ(r.GetPoint(0), 0.2);
    EXPECT_EQ(r.GetVertUnit(), "Rho");
    r.SetTdrUnit(tdrOhm);
    EXPECT_DOUBLE_EQ(r.GetPoint(0), 50 * 1.2 / 0.8);
    EXPECT_EQ(r.GetVertUnit(), "\u2126");
    EXPECT_EQ(r.GetVertUnitRaw(), "V");
    r.SetRaw(true);
    EXPECT_DOUBLE_EQ(r.GetPoint(0), 0.35);
    EXPECT_EQ(r.GetVertUnit(), "V");
    r.SetRaw(false);
    r.SetTdrUnit(tdrNoUnit);
    EXPECT_EQ(r.GetVertUnit(), "");
    r.SetTdrUnit(7);
    EXPECT_EQ(r.GetVertUnit(), "?");
}

TEST(SignalObj, PhaseKeepsTheQuadrant) {
    // Rows: real part, imaginary part, degrees.
    const std::array<double, 3> rows[] = {{0, 1, 90}, {0, -1, -90},  {-1, 0, 180},   {-1, -0.0, 180},
                                          {1, 0, 0},  {0, 0, 0},     {-0.0, 0, 0},   {1e-70, 1, 90},
                                          {-1, 1, 135}, {-1, -1, -135}, {1, -1, -45}};
    for (const auto& [re, im, degrees] : rows) EXPECT_DOUBLE_EQ(PhaseDegrees(re, im), degrees) << re << ' ' << im;
}

TEST(SignalObj, DisplayValueOfEverySpectrumView) {
    TSignalObj s = Spectrum({{3, 4}, {0, 2}, {-1, 0}, {6, 8}});
    s.SetVertUnit("V");
    EXPECT_DOUBLE_EQ(s.GetDisplayValue(0), 5);
    s.SetSkipDC(true);
    EXPECT_DOUBLE_EQ(s.GetDisplayValue(0), 0);
    EXPECT_DOUBLE_EQ(s.GetDisplayValue(3), 10);
    s.SetDbOn(true);
    EXPECT_DOUBLE_EQ(s.GetDisplayValue(3), 20);
    EXPECT_EQ(s.GetDisplayUnit(), "dBV");
    s.SetVertUnit("W");
    EXPECT_DOUBLE_EQ(s.GetDisplayValue(3), 10);  // power: 10 log10
    EXPECT_EQ(s.GetDisplayUnit(), "dBW");
    s.SetVertUnit("Watt");
    EXPECT_DOUBLE_EQ(s.GetDisplayValue(3), 20);

    s.SetComplexScale(csPhase);
    EXPECT_EQ(s.GetDisplayUnit(), "\u00B0");
    EXPECT_FALSE(s.IsDbMagnitude());
    EXPECT_DOUBLE_EQ(s.GetDisplayValue(1), 90);
    EXPECT_DOUBLE_EQ(s.GetDisplayValue(2), 180);
    s.SetComplexScale(csReal);
    EXPECT_DOUBLE_EQ(s.GetDisplayValue(3), 6);
    s.SetComplexScale(csImaginary);
    EXPECT_DOUBLE_EQ(s.GetDisplayValue(3), 8);
    s.SetComplexScale(9);
    EXPECT_DOUBLE_EQ(s.GetDisplayValue(3), 55555);

    // The display index counts from the view start.
    s.SetComplexScale(csReal);
    s.SetViewStart(2);
    EXPECT_DOUBLE_EQ(s.GetDisplayValue(1), 6);
}

TEST(SignalObj, PhaseGateUsesTheLargestMagnitudeWithoutDc) {
    TSignalObj s = Spectrum({{100, 0}, {0, 10}, {0, 0.5}, {0, 2}});
    s.UpdateMagnitudeMax();
    EXPECT_DOUBLE_EQ(s.MagnitudeMax(), 10);
    s.SetPhaseGateLevel(-20);  // a tenth of the maximum
    EXPECT_NEAR(s.PhaseGateLevelAbs(), 1.0, 1e-6);
    s.SetComplexScale(csPhase);
    EXPECT_DOUBLE_EQ(s.GetDisplayValue(2), 90);
    s.SetPhaseGate(true);
    EXPECT_DOUBLE_EQ(s.GetDisplayValue(2), 0);
    EXPECT_DOUBLE_EQ(s.GetDisplayValue(3), 90);
}

TEST(SignalObj, SpectrumViewChoosesCentreAndScale) {
    TSignalObj s;
    s.SetSpectrum(true);
    s.SetVertOffset(1);
    s.SetPhaseOffset(30);
    s.SetPhaseScaleFactor(2);
    s.SetDbOffset(-40);
    s.SetDbScale(10);
    EXPECT_DOUBLE_EQ(s.GetCentre(), 1);
    EXPECT_DOUBLE_EQ(s.GetScale(), 0.5);
    s.SetDbOn(true);
    EXPECT_DOUBLE_EQ(s.GetCentre(), -40);
    EXPECT_DOUBLE_EQ(s.GetScale(), 10);
    s.SetComplexScale(csPhase);
    EXPECT_DOUBLE_EQ(s.GetCentre(), 30);
    EXPECT_DOUBLE_EQ(s.GetScale(), 90);
}

TEST(SignalObj, AssignCopiesTheHeaderAndAssignWithDataThePoints) {
    TSignalObj a = Spectrum({{1, 2}, {3, 4}});
    a.SetName("A");
    a.SetHorUnit("Hz");
    a.SetVertUnit("V");
    a.SetOrigin(1);
    a.SetSampleInterval(2);
    a.SetVertOffset(3);
    a.SetVertScale(4);
    a.SetWindow(3);
    a.SetDielectric(2.2);
    a.SetTdrUnit(tdrRho);
    a.SetTdrScale(0.5);
    a.SetTdrOffset(0.1);
    a.SetRaw(true);
    a.SetViewStart(1);
    TSignalObj b;
    b.SetName("B");
    b.Assign(a);
    EXPECT_EQ(b.Name(), "B");
    EXPECT_EQ(b.ViewStart(), 0);
    EXPECT_EQ(b.Length(), 2);
    EXPECT_TRUE(b.IsSpectrum());
    EXPECT_EQ(b.HorUnit(), "Hz");
    EXPECT_EQ(b.VertUnit(), "V");
    EXPECT_EQ(b.Window(), 3);
    EXPECT_EQ(b.TdrUnit(), tdrRho);
    EXPECT_DOUBLE_EQ(b.Dielectric(), 2.2);
    EXPECT_DOUBLE_EQ(b.TdrOffset(), 0.1);
    EXPECT_TRUE(b.Raw());
    EXPECT_DOUBLE_EQ(b.GetPoint(1), 0);
    b.AssignWithData(a);
    EXPECT_DOUBLE_EQ(b.GetPoint(1), 3);
    EXPECT_DOUBLE_EQ(b.GetSecondPoint(1), 4);
}

TEST(SignalObj, ConsumersClearTheirOwnNewDataFlag) {
    TSignalObj r;
    EXPECT_FALSE(r.ChangedFlag(0));
    r.SetChangedFlags();
    r.ClearChangedFlag(0);
    EXPECT_FALSE(r.ChangedFlag(0));
    EXPECT_TRUE(r.ChangedFlag(1));
    EXPECT_TRUE(r.ChangedFlag(2));
    EXPECT_THROW(r.ChangedFlag(3), EInternalError);
}

TEST(SignalObj, OutOfRangeAccessIsAnInternalError) {
    TSignalObj r;
    EXPECT_THROW(r.GetPoint(4096), EInternalError);
    EXPECT_THROW(r.SetPoint(-1, 0), EInternalError);
    EXPECT_THROW(r.GetSecondPoint(4096), EInternalError);
    EXPECT_THROW(r.SetLength(4097), EInternalError);
    r.SetViewStart(4095);
    EXPECT_THROW(r.GetDisplayValue(1), EInternalError);
    try {
        r.GetMagnitude(0);
        FAIL();
    } catch (const EInternalError& e) {
        EXPECT_EQ(e.Message(), "??????  Non-Spectr   !!!");
        EXPECT_EQ(e.Unit(), "SignalObj_Unit");
    }
}
