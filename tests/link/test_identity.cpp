// Instrument identity: versions, models, options, caption texts and the command-line switches.
#include <gtest/gtest.h>

#include "core/InternalError.h"
#include "core/LanguageTable.h"
#include "link/InstrumentIdentity.h"

using namespace vt;

namespace {

// The built-in English texts.
std::string English(std::string_view key) {
    for (const TLangTableRow& row : BuiltInLanguageTable())
        if (row.Key == key) return std::string(row.Text);
    return "<" + std::string(key) + ">";
}
const TLangLookup Lang = English;

TSHW_Ver Parsed(std::string text) {
    TSHW_Ver v;
    v.Text = std::move(text);
    ParseVersionString(v);
    return v;
}

using TParts = std::array<std::int16_t, 4>;
using TNumbers = std::array<std::int16_t, 3>;

TInstrumentIdentity Unit(int type, int options, int year = 2012, int serial = 5) {
    TInstrumentIdentity id;
    id.ModelType = static_cast<std::uint8_t>(type);
    id.Options = static_cast<std::uint8_t>(options);
    id.Year = static_cast<std::uint16_t>(year);
    id.SerialNo = static_cast<std::uint16_t>(serial);
    return id;
}

}  // namespace

TEST(Versions, ParseReadsPartsAndTheNumbersAfterTheParenthesis) {
    TSHW_Ver v = Parsed("Version 2_4_4 (2011-03-01)");
    EXPECT_EQ(v.Parts, (TParts{2, 4, 4, -1}));
    EXPECT_EQ(v.Numbers, (TNumbers{2011, 3, 1}));

    v = Parsed("3.10");
    EXPECT_EQ(v.Parts, (TParts{3, 10, -1, -1}));
    EXPECT_EQ(v.Numbers, (TNumbers{-1, -1, -1}));

    // Separators may repeat; a fifth part is not read; a short tail after "(" is not a date.
    v = Parsed("v1., 2 -3_4.5 (9)");
    EXPECT_EQ(v.Parts, (TParts{1, 2, 3, 4}));
    EXPECT_EQ(v.Numbers, (TNumbers{-1, -1, -1}));
    v = Parsed("1.2 (2011/12/31)");
    EXPECT_EQ(v.Numbers, (TNumbers{2011, 12, 31}));

    // A month name ends the date: only the day is read.
    v = Parsed("1.1.1 (20 Jan 2008)");
    EXPECT_EQ(v.Parts, (TParts{1, 1, 1, -1}));
    EXPECT_EQ(v.Numbers, (TNumbers{20, -1, -1}));

    v = Parsed("Timeout");
    EXPECT_EQ(v.Parts, (TParts{-1, -1, -1, -1}));
    EXPECT_EQ(v.Numbers, (TNumbers{-1, -1, -1}));

    // Parsing again replaces what an earlier text gave.
    v.Text = "7";
    ParseVersionString(v);
    EXPECT_EQ(v.Parts, (TParts{7, -1, -1, -1}));
}

TEST(Versions, APartBeyondItsRangeIsRefusedNotWrapped) {
    // 70000 would wrap to 4464 in 16 bits and pass every "at least" test.
    TSHW_Ver v = Parsed("0.70000");
    EXPECT_EQ(v.Parts, (TParts{0, -1, -1, -1}));
    EXPECT_FALSE(IsVersionAtLeast(v, {0, 3}));
    v = Parsed("3.32768.1 (2011-65536-1)");
    EXPECT_EQ(v.Parts, (TParts{3, -1, -1, -1}));
    EXPECT_EQ(v.Numbers, (TNumbers{2011, -1, -1}));
    v = Parsed("32767.0");
    EXPECT_EQ(v.Parts, (TParts{32767, 0, -1, -1}));
}

TEST(Versions, AtLeastComparesPartByPartAndAnAbsentPartIsBelowAnyValue) {
    EXPECT_FALSE(IsVersionAtLeast(Parsed("3.9.15"), {3, 10, 2}));
    EXPECT_FALSE(IsVersionAtLeast(Parsed("3.10"), {3, 10, 2}));
    EXPECT_TRUE(IsVersionAtLeast(Parsed("3.10.2"), {3, 10, 2}));
    EXPECT_TRUE(IsVersionAtLeast(Parsed("3.10.2.1"), {3, 10, 2}));
    EXPECT_TRUE(IsVersionAtLeast(Parsed("3.11"), {3, 10, 2}));
    EXPECT_TRUE(IsVersionAtLeast(Parsed("4"), {3, 10, 2}));
    EXPECT_FALSE(IsVersionAtLeast(Parsed("2.99.99"), {3, 10, 2}));
    EXPECT_TRUE(IsVersionAtLeast(Parsed("3.10"), {3, 10}));
    EXPECT_FALSE(IsVersionAtLeast(UnknownVersion(), {0}));
    EXPECT_FALSE(IsVersionAtLeast(UnknownVersion(), {0, 0, 0, 0}));

    // Only highIndex + 1 values count.
    const int values[] = {3, 7, 99, 99};
    EXPECT_TRUE(IsVersionAtLeast(Parsed("3.7.10"), values, 1));
    EXPECT_FALSE(IsVersionAtLeast(Parsed("3.7.10"), values, 2));
    EXPECT_THROW(IsVersionAtLeast(Parsed("3"), values, 4), EInternalError);
    EXPECT_THROW(IsVersionAtLeast(Parsed("3"), std::span<const int>(values, 1), 1), EInternalError);

    // A demo instrument fails every firmware gate.
    const TSHW_Ver demo = DefaultVersion();
    EXPECT_EQ(demo.Parts, (TParts{1, 1, 1, -1}));
    EXPECT_EQ(demo.Numbers, (TNumbers{2008, 1, 20}));
    for (std::initializer_list<int> gate : {std::initializer_list<int>{3, 7, 10}, {3, 7, 4}, {3, 8, 5}, {3, 9, 4},
                                            {3, 10}, {3, 10, 2}, {3, 10, 6}})
        EXPECT_FALSE(IsVersionAtLeast(demo, gate));
}

TEST(Models, FlashCodesMapBothWays) {
    EXPECT_EQ(FlashCodeToType(1), 1);
    EXPECT_EQ(FlashCodeToType(3), 3);
    EXPECT_EQ(FlashCodeToType(255), 4);
    EXPECT_EQ(FlashCodeToType(251), 8);
    EXPECT_EQ(FlashCodeToType(0), 3);
    for (int t = 1; t <= 8; ++t) EXPECT_EQ(FlashCodeToType(GetModelFlashCode(static_cast<std::uint8_t>(t))), t);
    EXPECT_EQ(GetModelFlashCode(8), 251);
    EXPECT_THROW(GetModelFlashCode(0), EInternalError);
}

TEST(Models, NamesCodesAndTheSerialRule) {
    EXPECT_EQ(GetModelName(1, 5, false), "Veltrane L410");
    EXPECT_EQ(GetModelName(7, 5, false), "Veltrane L445");
    EXPECT_EQ(GetModelName(8, 5, true), "Veltrane L300  (251)");
    EXPECT_EQ(GetModelName(2, 5, true), "Veltrane L420  (2)");
    EXPECT_EQ(GetModelName(0, 5, false), "Unknown Model");
    EXPECT_EQ(GetModelName(9, 5, true), "Unknown Model");
    // Serial 42 names the second revision of types 1 to 3 only.
    EXPECT_EQ(GetModelName(1, 42, false), "Veltrane L415");
    EXPECT_EQ(GetModelName(3, 42, true), "Veltrane L435  (253)");
    EXPECT_EQ(GetModelName(4, 42, false), "Veltrane L415");
    EXPECT_EQ(GetModelName(5, 42, false), "Veltrane L425");
    EXPECT_EQ(GetModelName(8, 42, false), "Veltrane L300");
    EXPECT_EQ(GetBandwidthGHz(true), 12.0);
    EXPECT_EQ(GetBandwidthGHz(false), 8.0);
}

TEST(Options, NamesCodesAndTexts) {
    EXPECT_EQ(GetOptionName(1, 1, false, Lang), "Clock Recovery Trigger");
    EXPECT_EQ(GetOptionName(4, 128, true, Lang), "LAN  (~80)");
    EXPECT_EQ(GetOptionName(7, 8, true, Lang), "O/E Converter  (~08)");
    EXPECT_EQ(GetOptionName(1, 64, false, Lang), "");
    EXPECT_EQ(GetOptionName(8, 1, true, Lang), "");
    EXPECT_EQ(GetOptionName(0, 1, false, Lang), "");
    EXPECT_EQ(GetOptionName(1, 255, true, Lang), " Basic  (255)");
    EXPECT_THROW(GetOptionName(1, 3, false, Lang), EInternalError);
    EXPECT_THROW(GetOptionName(1, 0, false, Lang), EInternalError);
    EXPECT_THROW(GetOptionName(1, 256, false, Lang), EInternalError);

    // The nameless bit 64 leaves no empty " + " behind.
    EXPECT_EQ(GetOptionsText(4, 0xFF, false, Lang),
              " + Clock Recovery Trigger + Pattern Sync Trigger + Generators + O/E Converter + TDT + Jitter + LAN");
    EXPECT_EQ(GetOptionsText(4, 64 | 4, true, Lang), " + Generators  (~04)");
    EXPECT_EQ(GetOptionsText(4, 64, false, Lang), "");
    EXPECT_EQ(GetOptionsText(8, 0xFF, false, Lang), "");
    EXPECT_EQ(Unit(2, 16 | 1).GetOptionsText(false, Lang), " + Clock Recovery Trigger + TDT");
    // Without a language table the keys stand in.
    EXPECT_EQ(GetOptionName(1, 2, false, {}), "optPatSyncTrig");
}

TEST(Options, QuestionsNeedAKnownModelAndTheBit) {
    const TInstrumentIdentity all = Unit(8, 0xFF);
    EXPECT_TRUE(all.HasOptClockRecoveryTrig());
    EXPECT_TRUE(all.HasOptPatSyncTrig());
    EXPECT_TRUE(all.HasOptGenerators());
    EXPECT_TRUE(all.HasGenerators());
    EXPECT_TRUE(all.HasOptOptics());
    EXPECT_TRUE(all.HasOptLAN());
    EXPECT_TRUE(all.IsModelFamilyB());
    EXPECT_FALSE(all.IsModelFamilyA());

    const TInstrumentIdentity some = Unit(1, optGenerators | optLAN);
    EXPECT_TRUE(some.HasOptGenerators());
    EXPECT_TRUE(some.HasOptLAN());
    EXPECT_FALSE(some.HasOptOptics());
    EXPECT_FALSE(some.HasOptClockRecoveryTrig());
    EXPECT_FALSE(some.HasOptPatSyncTrig());
    EXPECT_TRUE(some.IsModelFamilyA());

    for (int type : {0, 9, 255}) {
        const TInstrumentIdentity unknown = Unit(type, 0xFF);
        EXPECT_FALSE(unknown.HasOptOptics() || unknown.HasOptGenerators() || unknown.HasOptPatSyncTrig() ||
                     unknown.HasOptClockRecoveryTrig() || unknown.HasOptLAN())
            << type;
        EXPECT_FALSE(unknown.IsModelFamilyA() || unknown.IsModelFamilyB());
    }
    EXPECT_FALSE(TInstrumentIdentity::IsJitterModeAvailable());
    EXPECT_FALSE(TInstrumentIdentity::IsLowJitterAvailable());
    EXPECT_FALSE(TInstrumentIdentity::IsBandSwitchLocked());
}

TEST(Captions, KindNamesAndTheMainCaption) {
    EXPECT_EQ(Unit(2, 0).GetInstrumentKindName(Lang), "Digital Signals Analyzer");
    EXPECT_EQ(Unit(6, 0).GetInstrumentKindName(Lang), "Optical Analyzer");
    EXPECT_EQ(Unit(7, 0).GetInstrumentKindName(Lang), "TDR and Optical Analyzer");
    for (int type : {0, 1, 4, 8}) EXPECT_EQ(Unit(type, 0).GetInstrumentKindName(Lang), "Sampling Oscilloscope");
    // The units of 2008 are all sampling oscilloscopes without a model name.
    EXPECT_EQ(Unit(3, 0, 2008).GetInstrumentKindName(Lang), "Sampling Oscilloscope");
    EXPECT_EQ(Unit(3, 0, 2008).GetInstrumentName(), "Veltrane");
    EXPECT_EQ(Unit(1, 0, 2010, 42).GetInstrumentName(), "Veltrane L415");

    EXPECT_EQ(Unit(6, 0).BuildMainCaption(true, Lang), "Morvex    Veltrane L435    Optical Analyzer 12 GHz");
    EXPECT_EQ(Unit(6, 0).BuildMainCaption(false, Lang), "Morvex.    Instrument not connected");
    EXPECT_EQ(TInstrumentIdentity{}.BuildMainCaption(true, Lang),
              "Morvex    Unknown Model    Sampling Oscilloscope 12 GHz");
}

TEST(Identity, MacOfAUnitWithoutTheQueryFollowsTheSerial) {
    EXPECT_EQ(FillInstrumentIdentity(Unit(4, 0, 2012, 0x1234)), (TMacAddress{0x0A, 0x55, 0x01, 0x7E, 0x08, 0x34}));
}

TEST(Identity, CommandLineSwitchesCompareWithoutCase) {
    const std::vector<std::string> params = {"Absent", "div4", "HelpContext"};
    EXPECT_TRUE(HasCommandLineParam(params, "HELPCONTEXT"));
    EXPECT_TRUE(HasCommandLineParam(params, "Div4"));
    EXPECT_FALSE(HasCommandLineParam(params, "Div"));
    EXPECT_FALSE(HasCommandLineParam(params, "Div44"));
    EXPECT_FALSE(HasCommandLineParam({}, "Absent"));
}
