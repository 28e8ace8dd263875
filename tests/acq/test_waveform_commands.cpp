#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "acq/SignalSources.h"
#include "acq/WaveformCommands.h"
#include "core/CommandTree.h"
#include "core/Shell.h"

using namespace vt;

namespace {

struct WfmCommands : ::testing::Test {
    WfmCommands() : Recs(std::make_unique<TSignalRecords>()), Tree(CreateCommandTree()) {
        Recs->ResetSignalObjects();
        ConnectSignalEnablity(Recs->SignalsOn(), Tree->SignalEnablity());
        Wfm = RegisterWaveformCommands(*Tree, *Recs);
    }
    std::string Run(std::string_view text) { return Tree->ExecuteCommandString(text, false); }

    // The records outlive the tree whose replies read them.
    std::unique_ptr<TSignalRecords> Recs;
    std::unique_ptr<TCommandTree> Tree;
    TWaveformCommands Wfm;
};

}  // namespace

TEST_F(WfmCommands, PreambleUnderHeaderOnAndOff) {
    EXPECT_EQ(Run("Wfm:Preamb?"), "WFM:PREAMB: Points = 512, XInc = 1E-10, XOrig = 0, XU = s, YU = V");
    EXPECT_EQ(Run("Wfm:Preamb? xinc "), "WFM:PREAMB:XINC XInc = 1E-10");
    EXPECT_EQ(Run("Wfm:Preamb:XInc?"), "WFM:PREAMB:XINC XInc = 1E-10");
    EXPECT_EQ(Run("Wfm:Preamb? Bogus"), "WFM:PREAMB:BOGUS ERROR");
    EXPECT_EQ(Run("Header Off"), "");
    EXPECT_EQ(Run("Wfm:Preamb?"), "512, 1E-10, 0, s, V");
    EXPECT_EQ(Run("Wfm:Preamb? YU"), "V");
    EXPECT_EQ(Run("Wfm:Preamb? Bogus"), "ERROR");
}

TEST_F(WfmCommands, DataFollowsTheChosenSourceAndComplexView) {
    TSignalObj& ch2 = Recs->Record(ssCh2);
    ch2.SetLength(3);
    ch2.SetPoint(0, 0.5);
    ch2.SetPoint(1, -1e-3);
    ch2.SetPoint(2, 123456);
    EXPECT_EQ(Run("Wfm:Source Ch2;Data?"), "WFM:DATA 0.5, -0.001, 1.2346E5");
    EXPECT_EQ(Run("Wfm:Source?"), "WFM:SOURCE CH2");
    EXPECT_EQ(Run("Header Off;Wfm:Data?"), "0.5, -0.001, 1.2346E5");

    TSignalObj& s1 = Recs->Record(ssS1);
    s1.SetLength(2);
    s1.SetPoint(0, -1);
    s1.SetSecondPoint(1, 2);
    EXPECT_EQ(Run("Wfm:Source S1;Data?"), "SIGNAL IS ABSENT");  // S1 is off
    Recs->SignalsOn().SetOn(ssS1, true);
    EXPECT_EQ(Run("Wfm:Complex Ph;:Wfm:Data?"), "180, 90");
    EXPECT_EQ(Run("Wfm:Complex Im;:Wfm:Data?"), "0, 2");
    EXPECT_EQ(Run("Header On;Wfm:Complex?"), "WFM:COMPLEX IM");
}

TEST_F(WfmCommands, SourcesWithoutARecordAreRefusedAndAnOffSourceIsAbsent) {
    // Histogram and constant are on, yet hold no record: they are refused and the source is kept.
    EXPECT_EQ(Run("Wfm:Source M1;Data?"), "WFM:DATA SIGNAL IS ABSENT");
    for (const char* source : {"XY", "DB", "Hist", "Const", "None"})
        EXPECT_EQ(Run(std::string("Wfm:Source ") + source), "ERROR") << source;
    EXPECT_EQ(Run("Wfm:Source?"), "WFM:SOURCE M1");
    EXPECT_EQ(Run("Header Off;Wfm:Data?"), "SIGNAL IS ABSENT");
}

TEST_F(WfmCommands, OnlySourcesThatAreOnAndHoldARecordAreOffered) {
    EXPECT_EQ(Run("Wfm:Source? Enabled"), "WFM:SOURCE:ENABLED CH1,CH2");
    Recs->SignalsOn().SetOn(ssM3, true);
    EXPECT_EQ(Run("Header Off;Wfm:Source? Enabled"), "CH1,CH2,M3");
}

TEST_F(WfmCommands, NothingIsSavedInSetups) {
    std::vector<std::string> lines;
    Tree->Root().SaveAllSettings(lines);
    for (const auto& l : lines) EXPECT_EQ(l.find("WFM"), std::string::npos) << l;
    EXPECT_TRUE(Wfm.Source->NoSave() && Wfm.Data->NoSave() && Wfm.Preamb->NoSave() && Wfm.Complex->NoSave());
}

// Installed as the program installs it: the source choice offers the sources that are on from the start
// (Ch1, Ch2; the histogram and the constant are not waveforms it serves), and a query that names a source
// selects it first.
TEST(WfmCommandsFeature, TheProgramsSourceChoiceOffersTheChannelsAndAQuerySelectsFirst) {
    TShell shell;
    shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
    TWaveformCommandsFeature feature;
    feature.FillRows(shell);
    RegisterAllCommandHandlers(shell);
    EXPECT_EQ(shell.CommandTree()->ExecuteCommandString("WFM:SOURCE? ENABLED", false), "WFM:SOURCE:ENABLED CH1,CH2");
    EXPECT_EQ(shell.CommandTree()->ExecuteCommandString("WFM:SOURCE? CH2", false), "WFM:SOURCE CH2");
    EXPECT_EQ(shell.CommandTree()->ExecuteCommandString("WFM:COMPLEX? RE", false), "WFM:COMPLEX RE");
    EXPECT_EQ(shell.CommandTree()->ExecuteCommandString("WFM:COMPLEX?", false), "WFM:COMPLEX RE") << "and RE stays";
    shell.Records()->SignalsOn().SetOn(ssF1, true);  // a function switched on joins the choice
    EXPECT_EQ(shell.CommandTree()->ExecuteCommandString("WFM:SOURCE? ENABLED", false),
              "WFM:SOURCE:ENABLED CH1,CH2,F1");
}
