#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "acq/SignalSources.h"
#include "core/InternalError.h"
#include "core/LanguageTable.h"

using namespace vt;

namespace {

std::string FakeLang(std::string_view key) {
    if (key == "Fn") return "Func%d";
    if (key == "Mn") return "Mem%d";
    if (key == "Sn") return "Spectrum%d";
    return "<" + std::string(key) + ">";
}

}  // namespace

TEST(SignalSources, ShortNamesAndCaptions) {
    const char* expected[] = {"Ch1", "Ch1B2", "Ch2", "Ch2B2", "F1", "F2", "F3", "F4", "M1", "M2",
                              "M3",  "M4",    "S1",  "S2",    "???", "DB", "Hist", "Const", "None"};
    for (int s = 0; s < SourceIndexCount; ++s) EXPECT_EQ(SourceShortName(s), expected[s]);
    EXPECT_EQ(SourceShortName(-1), "???");
    EXPECT_EQ(SourceShortName(19), "???");

    for (const auto& [source, caption] : std::initializer_list<std::pair<int, const char*>>{
             {ssCh1B2, "<Ch>1 B2"}, {ssF3, "Func3"}, {ssM4, "Mem4"}, {ssS2, "Spectrum2"}, {ssXY, "X/Y"}, {ssDB, "DB"},
             {ssHist, "<Histogram>"}, {ssConst, "<Constant>"}, {ssNone, ""}})
        EXPECT_EQ(SourceCaption(source, FakeLang), caption) << source;
}

TEST(SignalSources, IndexHelpers) {
    EXPECT_EQ(ChannelNumber(ChannelIndex1), 1);
    EXPECT_EQ(ChannelNumber(ChannelIndex2), 2);
    EXPECT_EQ(OtherChannelIndex(2), 3);
    EXPECT_EQ(OtherChannelIndex(3), 2);
    EXPECT_EQ(OtherChannelIndex(7), 2);
    EXPECT_EQ(ChannelSignalIndex(2, 0), ssCh1);
    EXPECT_EQ(ChannelSignalIndex(2, 1), ssCh1B2);
    EXPECT_EQ(ChannelSignalIndex(3, 0), ssCh2);
    EXPECT_EQ(ChannelSignalIndex(3, 1), ssCh2B2);
    EXPECT_EQ(FuncSignalIndex(3), ssF4);
    EXPECT_EQ(MemorySignalIndex(0), ssM1);
    EXPECT_EQ(SpectrSignalIndex(1), ssS2);
}

TEST(SignalSources, SwitchingOffNotifiesBeforeTheChangeCallback) {
    TSignalsOn on;
    for (int s = 0; s < SourceIndexCount; ++s)
        EXPECT_EQ(on.IsOn(s), s == ssCh1 || s == ssCh2 || s == ssHist || s == ssConst) << s;
    std::vector<std::string> calls;
    on.OnEnablityChange = [&] { calls.push_back("enablity"); };
    on.OnSwitchOff = [&](int s) { calls.push_back("off " + std::to_string(s)); };
    on.OnChange = [&](int s) { calls.push_back("change " + std::to_string(s)); };
    on.SetOn(ssF2, true);
    EXPECT_TRUE(on.IsOn(ssF2));
    EXPECT_EQ(calls, (std::vector<std::string>{"enablity", "change 5"}));
    calls.clear();
    on.SetOn(ssF2, false);
    EXPECT_FALSE(on.IsOn(ssF2));
    EXPECT_EQ(calls, (std::vector<std::string>{"enablity", "off 5", "change 5"}));
    EXPECT_THROW(on.SetOn(19, true), EInternalError);
    EXPECT_THROW(on.IsOn(-1), EInternalError);
}

TEST(SignalSources, CallbacksAreOptional) {
    TSignalsOn on;
    on.SetOn(ssM1, true);
    on.SetOn(ssM1, false);
    EXPECT_FALSE(on.IsOn(ssM1));
}

TEST(SignalSources, ResetSetsChannelDefaultsAndClearsFromPointZero) {
    TSignalRecords recs;
    for (int s = 0; s < SignalRecordCount; ++s) {
        recs.Record(s).SetSpectrum(s == 0);
        recs.Record(s).SetPoint(0, 7);
        recs.Record(s).SetPoint(512, 7);
        recs.Record(s).SetPoint(513, 7);
    }
    recs.Record(ssCh2).SetTdrUnit(tdrOhm);
    recs.ResetSignalObjects();
    for (int s = 0; s < SignalRecordCount; ++s) EXPECT_EQ(recs.Record(s).IsSpectrum(), s >= ssS1) << s;
    for (int s = ssCh1; s <= ssCh2B2; ++s) {
        const TSignalObj& r = recs.Record(s);
        EXPECT_EQ(r.VertUnit(), "V");
        EXPECT_EQ(r.HorUnit(), "s");
        EXPECT_EQ(r.TdrUnit(), tdrNone);
        EXPECT_DOUBLE_EQ(r.VertScale(), 0.2);
        EXPECT_DOUBLE_EQ(r.SampleInterval(), 1e-10);
        EXPECT_EQ(r.GetPoint(0), 0);
        EXPECT_EQ(r.GetPoint(512), 0);
        EXPECT_EQ(r.GetPoint(513), 7);
    }
    // Functions keep their points and units.
    EXPECT_EQ(recs.Record(ssF1).GetPoint(0), 7);
    EXPECT_EQ(recs.Record(ssF1).VertUnit(), "");
}

TEST(SignalSources, RecordsExistOnlyForTheFirstFourteenSources) {
    TSignalRecords recs;
    EXPECT_NE(recs.FindRecord(ssS2), nullptr);
    for (int s : {-1, 14, 15, 16, 17, 18, 19}) {
        EXPECT_EQ(recs.FindRecord(s), nullptr);
        EXPECT_THROW(recs.Record(s), EInternalError);
    }
    EXPECT_NE(&recs.Record(ssF1), &recs.Record(ssF2));
    EXPECT_EQ(recs.State(ssM3), srcOff);
    recs.SetState(ssM3, srcFresh);
    EXPECT_EQ(recs.State(ssM3), srcFresh);
}

TEST(SignalSources, CaptionsNameTheRecords) {
    TSignalRecords recs;
    recs.BuildSourceCaptions(FakeLang);
    EXPECT_EQ(recs.Record(ssCh1).Name(), "<Channel> 1");
    EXPECT_EQ(recs.Record(ssCh2B2).Name(), "<Channel> 2 B2");
    EXPECT_EQ(recs.Record(ssF4).Name(), "<Function> 4");
    EXPECT_EQ(recs.Record(ssM2).Name(), "<MemoryZona> 2");
    EXPECT_EQ(recs.Record(ssS1).Name(), "<Spectrum> 1");
    EXPECT_EQ(recs.Caption(ssXY), "X/Y");
    EXPECT_EQ(recs.Caption(ssF1), "Func1");
}

TEST(SignalSources, ScaleChangesAreTrackedPerRecordThatIsOn) {
    TSignalRecords recs;
    TFlagOfScalesChange& f = recs.FlagOfScalesChange();
    recs.Record(ssCh1).SetSampleInterval(1e-10);
    f.Update(0, recs);
    EXPECT_FALSE(f.FormatChanged());
    EXPECT_TRUE(f.AnyChanged());  // the span moved from 0
    EXPECT_TRUE(f.IsChanged(ssCh1));
    EXPECT_FALSE(f.Entry(ssCh1).PointsChanged);
    EXPECT_FALSE(f.IsChanged(ssF1));  // off: not looked at

    f.Update(0, recs);
    EXPECT_FALSE(f.AnyChanged());
    EXPECT_FALSE(f.IsChanged(ssCh1));

    recs.Record(ssCh1).SetDecimation(2);
    f.Update(0, recs);
    EXPECT_TRUE(f.IsChanged(ssCh1));
    EXPECT_TRUE(f.Entry(ssCh1).PointsChanged);
    EXPECT_EQ(f.Entry(ssCh1).DisplayedPoints, 256);
    EXPECT_EQ(f.Entry(ssCh1).PrevDisplayedPoints, 512);
    f.Update(0, recs);
    EXPECT_FALSE(f.Entry(ssCh1).PointsChanged);

    recs.Record(ssCh2).SetVertUnit("A");
    f.Update(0, recs);
    EXPECT_TRUE(f.IsChanged(ssCh2));
    EXPECT_EQ(f.Entry(ssCh2).DisplayUnit, "A");

    // A new display format marks every record that is on.
    f.Update(2, recs);
    EXPECT_TRUE(f.FormatChanged());
    EXPECT_EQ(f.LastFormat(), 2);
    EXPECT_TRUE(f.IsChanged(ssCh1));
    EXPECT_TRUE(f.IsChanged(ssCh2));
    EXPECT_FALSE(f.Entry(ssCh1).PointsChanged);
    EXPECT_THROW(f.IsChanged(14), EInternalError);
}

TEST(SignalSources, EnglishCaptionsFromTheBuiltInTable) {
    const auto english = [](std::string_view key) {
        for (const TLangTableRow& row : BuiltInLanguageTable())
            if (row.Key == key) return std::string(row.Text);
        ADD_FAILURE() << "no text for " << key;
        return std::string();
    };
    TSignalRecords recs;
    recs.BuildSourceCaptions(english);
    EXPECT_EQ(recs.Caption(ssCh2B2), "Ch2 B2");
    EXPECT_EQ(recs.Caption(ssF2), "F2");
    EXPECT_EQ(recs.Caption(ssM1), "M1");
    EXPECT_EQ(recs.Caption(ssS2), "S2");
    EXPECT_EQ(recs.Caption(ssHist), "Histogram");
    EXPECT_EQ(recs.Record(ssCh1B2).Name(), "Channel 1 B2");
    EXPECT_EQ(recs.Record(ssM4).Name(), "Memory 4");
    EXPECT_EQ(recs.Record(ssS2).Name(), "Spectrum 2");
}

TEST(SignalSources, ColourElementsAndVerticalCompression) {
    for (int s = 0; s <= 13; ++s) EXPECT_EQ(SourceToColorIndex(s), s);
    EXPECT_EQ(SourceToColorIndex(14), 15);
    EXPECT_EQ(SourceToColorIndex(15), 14);
    EXPECT_EQ(SourceToColorIndex(16), 17);
    EXPECT_EQ(SourceToColorIndex(17), 23);
    EXPECT_EQ(SourceToColorIndex(18), 22);
    EXPECT_EQ(SourceToColorIndex(-1), 22);

    const int expected[] = {1, 2, 4, 1, 2, 4};  // YT, 2YT, 4YT, XY, CombYTXY, Comb2YTXY
    for (int f = 0; f < 6; ++f) EXPECT_EQ(VerticalCompressionOfFormat(f), expected[f]) << f;
}
