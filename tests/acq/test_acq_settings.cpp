// The acquisition settings: limits, availability by mode and sharing, the getters, the file name and
// the save dialog of the reaction.
#include <gtest/gtest.h>

#include <algorithm>

#include "acq/AcqSettings.h"
#include "acq/AcqTestSupport.h"
#include "core/SettingReaders.h"

using namespace vt;
using namespace vt::test;

namespace {

struct AcqSettings : ::testing::Test, TAcqContext {
    AcqSettings() { Register(); }
};

}  // namespace

TEST_F(AcqSettings, LimitsAndAvailabilityFollowTheMode) {
    EXPECT_EQ(Cmd("ACQ:CH1:NAVG 1;NAVG?"), "ACQ:CH1:NAVG 2 ");
    EXPECT_EQ(Cmd("ACQ:CH1:NAVG 99999;NAVG?"), "ACQ:CH1:NAVG 4096 ");
    EXPECT_EQ(Cmd("ACQ:CH1:RECLEN 2;RECLEN?"), "ACQ:CH1:RECLEN 32 ");
    EXPECT_EQ(Cmd("ACQ:CH1:PKINTERVAL 1;PKINTERVAL?"), "ACQ:CH1:PKINTERVAL 10 µs");
    EXPECT_EQ(Cmd("ACQ:NACQ 0;NACQ?"), "ACQ:NACQ 1 ");
    EXPECT_EQ(Cmd("ACQ:CH1:RECLEN 1024;NAVG 4"), "");

    EXPECT_EQ(Cmd("ACQ:CH1?"), "ACQ:CH1:MODE SAMPLE;RECLEN 1024 ");
    Cmd("ACQ:CH1:MODE PEAK");
    EXPECT_EQ(Cmd("ACQ:CH1?"), "ACQ:CH1:MODE PEAK;PKINTERVAL 10 µs");
    EXPECT_EQ(GetAcqCount(Shell, ChannelIndex1), 512);
    Cmd("ACQ:CH1:MODE AVGMULT");
    EXPECT_EQ(Cmd("ACQ:CH1:NAVG?"), "ACQ:CH1:NAVG 4 ");
    Cmd("ACQ:CH1:MODE AVGMEDIAN");
    EXPECT_EQ(Cmd("ACQ:CH1:NAVG?"), "ACQ:CH1:NAVG 8 ");
    Cmd("ACQ:CH1:MODE AVGSTAB");
    EXPECT_EQ(GetAcqAccumulationCount(Shell, ChannelIndex1), 8);

    Cmd("ACQ:CH1:MODE ENVMAX;NENV 6000");
    EXPECT_EQ(Cmd("ACQ:CH1:NENV?"), "ACQ:CH1:NENV 6000 ");
    EXPECT_EQ(GetAcqAccumulationCount(Shell, ChannelIndex1), 6000);
    Cmd("ACQ:CH1:NENV 6001");
    EXPECT_EQ(Cmd("ACQ:CH1:NENV?"), "ACQ:CH1:NENV Continuously");
    EXPECT_EQ(GetAcqAccumulationCount(Shell, ChannelIndex1), 1000000);
    Cmd("ACQ:CH1:MODE SAMPLE");
    EXPECT_EQ(GetAcqAccumulationCount(Shell, ChannelIndex1), 1);

    // Run-until gates its count and its reaction.
    EXPECT_EQ(Cmd("ACQ?").find("NACQ"), std::string::npos);
    Cmd("ACQ:RUNUNTIL NACQ");
    EXPECT_NE(Cmd("ACQ?").find("NACQ 1 "), std::string::npos) << Cmd("ACQ?");
}

TEST_F(AcqSettings, SharingDecidesTheEffectiveChannel) {
    // Shared at start: Ch2's settings have no effect and cannot be reached.
    EXPECT_TRUE(AcqSettingsShared(Shell));
    Cmd("ACQ:CH1:MODE PEAK");
    Cmd("ACQ:CH2:MODE AVGSTAB");
    EXPECT_EQ(GetAcqMode(Shell, ChannelIndex2), amPeak);
    EXPECT_EQ(GetAcqCount(Shell, ChannelIndex2), 512);
    EXPECT_EQ(Cmd("ACQ:CH2?"), "");
    EXPECT_TRUE(Tree().Root().FindHandler("SHADOW:Acq:MenuSel")->IsDisabled());

    Cmd("ACQ:SAMPL ALTERN");
    EXPECT_FALSE(AcqSettingsShared(Shell));
    EXPECT_EQ(GetAcqMode(Shell, ChannelIndex2), amAvgStab);
    EXPECT_EQ(Cmd("ACQ:CH2?"), "ACQ:CH2:MODE AVGSTAB;NAVG 2 ;RECLEN\r\n 512 ");
    EXPECT_FALSE(Tree().Root().FindHandler("SHADOW:Acq:MenuSel")->IsDisabled());
    FindSetting<TRadioSwHandler>(&Tree(), "SHADOW:Acq:MenuSel")->SetItemIndex(1);
    EXPECT_EQ(AcqMenuChannel(Shell), ChannelIndex2);

    // Back to simultaneous, but only Ch2 is on: the menu shows Ch2.
    Cmd("ACQ:SAMPL SIMULT");
    EXPECT_TRUE(AcqSettingsShared(Shell));
    Shell.Records()->SignalsOn().SetOn(ssCh1, false);
    Cmd("ACQ:SAMPL ALTERN;SAMPL SIMULT");
    EXPECT_FALSE(AcqSettingsShared(Shell));
    EXPECT_EQ(AcqMenuChannel(Shell), ChannelIndex2);
}

TEST(AcqSettingsStandIns, UnequalDeskewsAndSourcesSeparateTheChannels) {
    TAcqContext c;
    auto& root = [&]() -> TSpider& {
        c.Register(false);
        return c.Tree().Root();
    }();
    auto& d1 = root.AddDoubleEditHandler("Ch1:Deskew", {.Config = {.Minimum = -1, .Maximum = 1, .Resolution = 1e-12}});
    root.AddDoubleEditHandler("Ch2:Deskew", {.Config = {.Minimum = -1, .Maximum = 1, .Resolution = 1e-12}});
    auto& g1 = root.AddRadioHandler("GSS:Ch1", {.Items = "Off,On"});
    root.AddRadioHandler("GSS:Ch2", {.Items = "Off,On"});
    EXPECT_TRUE(AcqSettingsShared(c.Shell));
    d1.SetValue(1e-9);
    EXPECT_FALSE(AcqSettingsShared(c.Shell));
    d1.SetValue(0);
    g1.SetItemIndex(1);
    EXPECT_FALSE(AcqSettingsShared(c.Shell));
    // The sampling choice is only offered while the channels agree.
    c.Cmd("ACQ:SAMPL ALTERN;SAMPL SIMULT");
    EXPECT_TRUE(root.FindHandler("Acq:Sampl")->IsDisabled());
}

TEST_F(AcqSettings, PeakIntervalFollowsTheTimebase) {
    EXPECT_DOUBLE_EQ(GetPeakDetectInterval(Shell, ChannelIndex1), 4.0);
    Cmd("ACQ:CH1:PKINTERVAL 1E-9");
    EXPECT_DOUBLE_EQ(GetPeakDetectInterval(Shell, ChannelIndex1), 0.4);
    auto& mode = Tree().Root().AddRadioHandler("TB:Mode", {.Items = "A,AB,B"});
    Tree().Root().AddDoubleEditHandler("TB:ScaleB", {.Initial = 2e-9, .Config = {.Minimum = 1e-12, .Maximum = 1}});
    mode.SetItemIndex(2);
    EXPECT_DOUBLE_EQ(GetPeakDetectInterval(Shell, ChannelIndex1), 0.08);
}

TEST_F(AcqSettings, FitToSetsTheHoldoffAndDecidesPlainSampling) {
    auto& holdoff = Tree().Root().AddDoubleEditHandler("Trig:Holdoff", {.Initial = 3e-5, .Config = {.Minimum = 0, .Maximum = 1}});
    EXPECT_TRUE(AcqIsPlainSampling(Shell, false));
    Cmd("ACQ:FITTO SINGLE");
    EXPECT_DOUBLE_EQ(holdoff.GetValue(), 1e-5);
    EXPECT_FALSE(AcqIsPlainSampling(Shell, false));
    EXPECT_TRUE(AcqIsPlainSampling(Shell, true));
    EXPECT_TRUE(Acq.RedrawFlag(ChannelIndex1) && Acq.RedrawFlag(ChannelIndex2));
}

TEST_F(AcqSettings, FileNameKeepsFolderAndPrefix) {
    Cmd("ACQ:FILEFORMAT VERBOSE");
    EXPECT_EQ(Cmd("ACQ:FILENAME /w/Run.wfm;FILENAME?"), "ACQ:FILENAME /w/Run*.txt");
    EXPECT_EQ(AcqFilePrefix(Shell), "/w/Run");
    EXPECT_EQ(Cmd("ACQ:FILENAME next;FILENAME?"), "ACQ:FILENAME /data/Waveforms/next*.txt")
        << "a relative name goes below the setting's own folder, not the last name's";
    Cmd("ACQ:FILEFORMAT YONLY");
    EXPECT_EQ(Cmd("ACQ:FILENAME? /a.b/c"), "ACQ:FILENAME /a.b/c*.txty");
    // A setting of the setups: its line, the shown value, gives the same prefix back in any format.
    std::vector<std::string> lines;
    Tree().Root().SaveAllSettings(lines);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "ACQ:FILENAME /a.b/c*.txty"), lines.end());
    Cmd("ACQ:FILENAME other;FILEFORMAT BINARY");
    Tree().Root().LoadAllSettings(lines);
    EXPECT_EQ(AcqFilePrefix(Shell), "/a.b/c");
    EXPECT_EQ(Cmd("ACQ:FILEFORMAT BINARY;FILENAME /x/y*.txt;FILENAME?"), "ACQ:FILENAME /x/y*.wfm");
}

TEST_F(AcqSettings, SaveByCommandNeverLeavesThePrefixEmpty) {
    Cmd("ACQ:RUNUNTIL NACQ;REACT SAVE");
    EXPECT_TRUE(User->Dialogs.empty());
    EXPECT_EQ(AcqFilePrefix(Shell), "/data/Waveforms/Noname");
    EXPECT_TRUE(AcqEndSaveOn(Shell));
    Cmd("ACQ:REACT BEEP,SAVE");
    EXPECT_EQ(User->Beeps, 1);
    EXPECT_TRUE(AcqEndBeepOn(Shell));
}

TEST_F(AcqSettings, SaveFromTheMenuAsksForTheFile) {
    auto& react = *FindSetting<TCheckSwHandler>(&Tree(), "Acq:React");
    Cmd("ACQ:FILEFORMAT VERBOSE");
    // Cancel clears Save again.
    react.SetBitFromSwitcher(1, true);
    ASSERT_EQ(User->Dialogs.size(), 1u);
    EXPECT_EQ(User->Dialogs[0].Title, "Save Waveform As");
    EXPECT_EQ(User->Dialogs[0].Filter, AcqFileFilter);
    EXPECT_EQ(User->Dialogs[0].FilterIndex, 1);
    EXPECT_EQ(User->Dialogs[0].Folder, "/data/Waveforms/");
    EXPECT_FALSE(AcqEndSaveOn(Shell));
    // OK takes the chosen format and name.
    User->Accept = true;
    User->Answer = {.Title = {}, .Filter = {}, .FilterIndex = 2, .Name = "/home/u/shots", .Folder = "/home/u/"};
    react.SetBitFromSwitcher(1, true);
    EXPECT_TRUE(AcqEndSaveOn(Shell));
    EXPECT_EQ(Cmd("ACQ:FILENAME?"), "ACQ:FILENAME /home/u/shots*.txty");
    // Already on: no second dialog.
    react.SetBitFromSwitcher(0, true);
    EXPECT_EQ(User->Dialogs.size(), 2u);
}
