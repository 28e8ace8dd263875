#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "acq/EngineTestSupport.h"
#include "acq/MainCommands.h"
#include "acq/SaveRecall.h"
#include "acq/ReplyNumbers.h"
#include "acq/SignalSources.h"
#include "acq/WaveformTransfer.h"
#include "core/DisplayServices.h"
#include "core/temp_folder.h"

using namespace vt;

namespace {

struct WfmTransfer : ::testing::Test {
    WfmTransfer() { Recs.ResetSignalObjects(); }
    TSignalObj& Ch1() { return Recs.Record(ssCh1); }
    TSignalRecords Recs;
};

std::vector<double> ReferenceSmooth(const std::vector<double>& v, int last, int width) {
    const int h = width / 2;
    std::vector<double> out(v);
    for (int g = 0; g <= last; ++g) {
        double s = 0;
        for (int j = g - h; j <= g + h; ++j) s += v[std::clamp(j, 0, last)];
        out[g] = s / width;
    }
    return out;
}

}  // namespace

TEST_F(WfmTransfer, DataOfAWaveformUnderHeaderOnAndOff) {
    Ch1().SetLength(4);
    for (int i = 0; i < 4; ++i) Ch1().SetPoint(i, 0.25 * i - 0.5);
    Ch1().SetPoint(3, 1.234567e-10);
    EXPECT_EQ(WfmDataReply(Recs, ssCh1, wfmMod, true), " -0.5, -0.25, 0, 1.2346E-10");
    EXPECT_EQ(WfmDataReply(Recs, ssCh1, wfmMod, false), "-0.5, -0.25, 0, 1.2346E-10");
    // The values are those shown: TDR records send rho or ohms.
    Ch1().SetTdrUnit(tdrRho);
    Ch1().SetTdrScale(0.5);
    Ch1().SetTdrOffset(-0.5);
    EXPECT_EQ(WfmDataReply(Recs, ssCh1, wfmMod, false).substr(0, 8), "0, 0.5, ");
}

TEST_F(WfmTransfer, DataOfASourceThatIsOffOrHoldsNoRecordIsAbsent) {
    EXPECT_EQ(WfmDataReply(Recs, ssF1, wfmMod, true), " SIGNAL IS ABSENT");
    EXPECT_EQ(WfmDataReply(Recs, ssF1, wfmMod, false), "SIGNAL IS ABSENT");
    // Histogram and constant are on from the start but hold no record.
    for (int s : {14, 15, 16, 17, 18, 19, -1}) {
        if (s >= 0 && s < SourceIndexCount) Recs.SignalsOn().SetOn(s, true);
        EXPECT_EQ(WfmDataReply(Recs, s, wfmMod, false), "SIGNAL IS ABSENT") << s;
    }
}

TEST_F(WfmTransfer, DataOfASpectrumByComplexView) {
    Recs.SignalsOn().SetOn(ssS1, true);
    TSignalObj& s = Recs.Record(ssS1);
    s.SetLength(5);
    const double re[] = {3, 0, -2, 1, 0};
    const double im[] = {4, -1, 0, 0, 0};
    for (int i = 0; i < 5; ++i) {
        s.SetPoint(i, re[i]);
        s.SetSecondPoint(i, im[i]);
    }
    EXPECT_EQ(WfmDataReply(Recs, ssS1, wfmMod, false), "5, 1, 2, 1, 0");
    EXPECT_EQ(WfmDataReply(Recs, ssS1, wfmPh, false), "53.13, -90, 180, 0, 0");
    EXPECT_EQ(WfmDataReply(Recs, ssS1, wfmRe, false), "3, 0, -2, 1, 0");
    EXPECT_EQ(WfmDataReply(Recs, ssS1, wfmIm, true), " 4, -1, 0, 0, 0");
}

TEST_F(WfmTransfer, PreambleOfADefaultChannel) {
    // Rows: the item asked for, header on, the reply.
    const std::tuple<const char*, bool, const char*> rows[] = {
        {"", false, "512, 1E-10, 0, s, V"}, {"", true, ": Points = 512, XInc = 1E-10, XOrig = 0, XU = s, YU = V"},
        {"  xinc ", true, ":XINC XInc = 1E-10"}, {"XINC", false, "1E-10"}, {"POIN", true, ":POIN Points = 512"},
        {"XORG", true, ":XORG XOrig = 0"}, {"XU", false, "s"}, {"yu", true, ":YU YU = V"},
        {"points", true, ":POINTS ERROR"}, {"X", false, "ERROR"},
    };
    for (const auto& [item, header, reply] : rows) EXPECT_EQ(WfmPreambReply(Recs, ssCh1, item, header), reply) << item;
}

TEST_F(WfmTransfer, PreambleShowsTheDisplayedUnitAndNeedsARecord) {
    TSignalObj& s = Recs.Record(ssS2);
    s.SetVertUnit("V");
    s.SetHorUnit("Hz");
    s.SetSampleInterval(12345678);
    s.SetOrigin(-0.000123456);
    s.SetDbOn(true);
    EXPECT_EQ(WfmPreambReply(Recs, ssS2, "", false), "512, 1.2346E7, -0.00012346, Hz, dBV");
    s.SetComplexScale(csPhase);
    EXPECT_EQ(WfmPreambReply(Recs, ssS2, "YU", false), "\u00B0");
    EXPECT_EQ(WfmPreambReply(Recs, ssXY, "", true), ": SIGNAL IS ABSENT");
    EXPECT_EQ(WfmPreambReply(Recs, ssNone, "XU", false), "SIGNAL IS ABSENT");
    EXPECT_EQ(WfmPreambReply(Recs, ssNone, "Q", false), "ERROR");
}

using test::ReplyNumbers;

// The engine on scripted words: a pass sets the record's length and interval when it begins and brings
// its points later. Until a pass ends, the preamble and the data still tell the record the last ended
// pass left, through a pass broken off, and never the new length over old points.
TEST(WfmTransferDuringPasses, PreambleAndDataTellTheLastEndedPassUntilTheNextEnds) {
    test::TEngineRig c;
    const TSignalRecords& recs = *c.Shell.Records();
    auto burst = [](int n, std::uint16_t first, std::uint16_t step) {
        std::vector<std::uint16_t> w;
        for (int i = 0; i < n; ++i) w.push_back(static_cast<std::uint16_t>(first + step * i));
        return w;
    };
    auto preamble = [&] { return WfmPreambReply(recs, ssCh1, "", false); };
    auto data = [&] { return ReplyNumbers(WfmDataReply(recs, ssCh1, wfmMod, false)); };
    // A volt is 16000 words; point i of the first record is (i + 1) * 100 words.
    std::vector<double> first;
    for (int i = 0; i < 32; ++i) first.push_back((i + 1) * 100 / 16000.0);
    const std::string firstPreamble = "32, 3.2E-9, 0, s, V";  // 10 ns/div over 512/32 points

    c.Cmd("ACQ:CH1:RECLEN 32");
    auto whole = burst(32, 100, 100);
    whole.push_back(0x8000);
    c.Script.Blocks = {whole};
    c.RunSingle();
    EXPECT_EQ(preamble(), firstPreamble);
    EXPECT_EQ(data(), first);

    // A longer record: half of its points are in, the pass is still reading.
    c.Cmd("ACQ:CH1:RECLEN 64");
    c.Script.Blocks = {burst(32, 2000, 0)};
    c.Shell.SingleOn = true;
    const TSignalObj& live = c.Shell.Records()->Record(ssCh1);
    ASSERT_TRUE(c.StepUntil([&] { return live.Length() == 64 && c.Acq.PointsReceived() == 32; }));
    EXPECT_EQ(preamble(), firstPreamble);
    EXPECT_EQ(data(), first);

    // That pass is broken off, as the link breaks it before it sends new settings; the next pass, of
    // 128 points, is under way too.
    c.Shell.Link()->BreakAcquisition(true);
    c.Cmd("ACQ:CH1:RECLEN 128");
    c.Script.Blocks = {burst(8, 4000, 0)};
    ASSERT_TRUE(c.StepUntil([&] { return live.Length() == 128 && c.Acq.PointsReceived() == 8; }));
    EXPECT_EQ(preamble(), firstPreamble);
    EXPECT_EQ(data(), first);

    // Its end stores it: 128 points at 10 ns/div over 512/128 points, all of them its own.
    auto rest = burst(120, 4000, 0);
    rest.push_back(0x8000);
    c.Script.Blocks = {rest};
    ASSERT_TRUE(c.StepUntil([&] { return !c.Shell.SingleOn; }));
    EXPECT_EQ(preamble(), "128, 8E-10, 0, s, V");
    EXPECT_EQ(data(), std::vector<double>(128, 0.25));
}

namespace {

// The display as the engine plots into it: the value shown at each point of Ch1's trace.
struct TPlottedTrace : TDisplayServices {
    bool SignalLayerDrawn(int source) const override { return source == ssCh1; }
    void SetAcqLayerScales(int source, int, int points, double, double) override {
        if (source == ssCh1) Shown.resize(static_cast<std::size_t>(points));
    }
    void PutAcqPoint(int source, int index, double value) override {
        if (source == ssCh1) Shown.at(static_cast<std::size_t>(index)) = value;
    }
    void DrawSignalLayer(int source, int, const TSignalLayerPoints& points) override {
        if (source == ssCh1) Shown.assign(points.Values.begin(), points.Values.begin() + points.Length);
    }
    std::vector<double> Shown;
};

// The points of a record, as far as a double carries the scaling of the words.
auto Same(const std::vector<double>& expected) { return ::testing::Pointwise(::testing::DoubleNear(1e-12), expected); }

}  // namespace

// A stop that breaks a pass off after part of its points: the record, the trace on the screen, the
// data query, a waveform file and a memory all hold the last whole acquisition point for point, and
// so do a file and a memory saved while that pass was still reading.
TEST(WfmTransferDuringPasses, AStopMidPassLeavesNoTraceInTheRecordTheScreenOrTheSaves) {
    test::TempFolder root;
    test::TEngineRig c;
    c.Shell.Folders = InitInstallFolders(root.Path());
    TSaveRecallFeature saves;
    saves.FillRows(c.Shell);
    saves.AttachToProgram(c.Shell);
    c.Shell.Registration.RunRow(c.Shell, TRegistrationRow::RegisterSaveCommands);
    TMainCommandWindow window;
    TMainCommandSteps steps;
    RegisterMainCommands(c.Shell, window, steps);
    auto display = std::make_unique<TPlottedTrace>();
    const TPlottedTrace& screen = *display;
    c.Shell.SetDisplayServices(std::move(display));
    TSignalRecords& recs = *c.Shell.Records();
    auto fileValues = [](const std::filesystem::path& path) {
        TSignalObj file;
        std::vector<double> v;
        if (file.LoadBinary(path))
            for (int i = 0; i < file.Length(); ++i) v.push_back(file.GetPoint(i));
        return v;
    };
    auto recordValues = [&](int source) {
        std::vector<double> v;
        for (int i = 0; i < recs.Record(source).Length(); ++i) v.push_back(recs.Record(source).GetPoint(i));
        return v;
    };
    // A volt is 16000 words: point i of the whole record is (i + 1) * 100 words, (i + 1) / 160 V.
    std::vector<double> whole;
    for (int i = 0; i < 64; ++i) whole.push_back((i + 1) / 160.0);
    c.Cmd("HEADER OFF");
    c.Cmd("ACQ:CH1:RECLEN 64");
    std::vector<std::uint16_t> words;
    for (int i = 0; i < 64; ++i) words.push_back(static_cast<std::uint16_t>((i + 1) * 100));
    words.push_back(0x8000);
    c.Script.Blocks = {words};
    c.RunSingle();
    ASSERT_THAT(recordValues(ssCh1), Same(whole));
    ASSERT_THAT(screen.Shown, Same(whole));

    // Run: the next pass brings 24 points of -0.5 V (0xE0C0 words) and is still reading.
    c.Script.Blocks = {std::vector<std::uint16_t>(24, 0xE0C0)};
    c.Shell.RunOn = true;
    ASSERT_TRUE(c.StepUntil([&] { return c.Acq.PointsReceived() == 24; }));
    ASSERT_EQ(recs.Record(ssCh1).GetPoint(0), -0.5) << "the pass writes into the record as points come";
    const std::filesystem::path during = root.Path() / "during";
    c.Cmd("Save:Disk:Source Ch1;:Save:Disk:FileFormat Binary;:Save:Disk:FileName " + during.string());
    EXPECT_EQ(c.Cmd("Save:Disk:Save"), "");
    EXPECT_THAT(fileValues(during.string() + ".wfm"), Same(whole)) << "saved while the pass reads";
    EXPECT_EQ(c.Cmd("Save:Memo:Source Ch1;:Save:Memo:ToMemo M2;:Save:Memo:Save"), "");
    EXPECT_THAT(recordValues(ssM2), Same(whole)) << "copied while the pass reads";

    // The stop breaks it off.
    EXPECT_EQ(c.Cmd("*StopSingle Stop"), "");
    EXPECT_FALSE(c.Shell.Link()->AcquisitionRunning());
    EXPECT_THAT(recordValues(ssCh1), Same(whole));
    EXPECT_THAT(screen.Shown, Same(whole));
    EXPECT_THAT(ReplyNumbers(WfmDataReply(recs, ssCh1, wfmMod, false)), Same(whole));
    const std::filesystem::path after = root.Path() / "after";
    c.Cmd("Save:Disk:FileName " + after.string());
    EXPECT_EQ(c.Cmd("Save:Disk:Save"), "");
    EXPECT_THAT(fileValues(after.string() + ".wfm"), Same(whole));
    EXPECT_EQ(c.Cmd("Save:Memo:ToMemo M1;:Save:Memo:Save"), "");
    EXPECT_THAT(recordValues(ssM1), Same(whole));
    EXPECT_THAT(fileValues(c.Shell.SaveRecall()->MemoryFileName(0)), Same(whole));
}

TEST(SmoothMovingAverage, WidthsAreOddAndAtLeastThree) {
    std::vector<double> a = {0, 0, 3, 0, 0};
    SmoothMovingAverage(a, 4, 4, 0);  // width 3
    EXPECT_EQ(a, (std::vector<double>{0, 1, 1, 1, 0}));
    std::vector<double> b = {0, 0, 3, 0, 0};
    SmoothMovingAverage(b, 4, 1, 0);  // width 3
    EXPECT_EQ(b, (std::vector<double>{0, 1, 1, 1, 0}));
    std::vector<double> c = {3, 0, 0, 0, 6};
    SmoothMovingAverage(c, 4, 3, 0);  // ends padded with their own value
    EXPECT_EQ(c, (std::vector<double>{2, 1, 0, 2, 4}));
}

TEST(SmoothMovingAverage, MatchesTheMeanOfThePaddedWindowForAnyWidth) {
    std::vector<double> v(37);
    for (std::size_t i = 0; i < v.size(); ++i) v[i] = std::sin(0.7 * i) * 10 + i;
    for (int width : {3, 5, 9, 35, 73, 75, 255, 301}) {
        std::vector<double> a = v;  // exactly as long as the points, so a read past the end is caught
        SmoothMovingAverage(a, 36, width, 0);
        const int w = width % 2 == 0 ? width - 1 : width;
        const std::vector<double> ref = ReferenceSmooth(v, 36, w);
        for (std::size_t i = 0; i < v.size(); ++i) EXPECT_NEAR(a[i], ref[i], 1e-9) << width << " " << i;
    }
}

TEST(SmoothMovingAverage, LimitAndShortArraysBoundTheLastPoint) {
    std::vector<double> v = {1, 2, 3, 4, 5, 6, 7, 8};
    std::vector<double> a = v;
    SmoothMovingAverage(a, 7, 3, 4);  // points 0..3 only
    const std::vector<double> ref = ReferenceSmooth(v, 3, 3);
    for (int i = 0; i < 8; ++i) EXPECT_DOUBLE_EQ(a[i], ref[i]) << i;
    EXPECT_EQ(a[4], 5);

    std::vector<double> one = {2};
    SmoothMovingAverage(one, 0, 9, 0);
    EXPECT_DOUBLE_EQ(one[0], 2);
    std::vector<double> shortArray = {1, 2, 3};
    SmoothMovingAverage(shortArray, 100, 3, 0);  // the array ends first
    EXPECT_DOUBLE_EQ(shortArray[2], 8.0 / 3);
    std::vector<double> none;
    SmoothMovingAverage(none, 5, 3, 0);
    SmoothMovingAverage(v, -1, 3, 0);
    EXPECT_EQ(v[0], 1);
}
