// The optical-to-electrical converter against the fake instrument with the optics option: the sorted
// user points and the conversion gain, the channel it feeds, and the calibration runs stepped on
// scripted records of that channel.
#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>

#include "OptionsOnFakeSupport.h"
#include "TimebaseChannelsSupport.h"
#include "acq/Channels.h"
#include "acq/OEConv.h"
#include "acq/OEConvCalibration.h"
#include "acq/Trigger.h"
#include "core/UndoBuffer.h"
#include "link/AdjustmentCommands.h"

using namespace vt;
using namespace vt::test;

namespace {

struct THintLog : TDisplayServices {
    void PushHint(const std::string& text, int) override { Hints.push_back(text); }
    std::vector<std::string> Hints;
};

struct TOEOnFake : TOptionsOnFake {
    TOEOnFake() : TOptionsOnFake(247) {
        Shell.SetDisplayServices(std::unique_ptr<TDisplayServices>(Display = new THintLog));
        Channels.Channels().FedByOEConverter = [this](int ch) { return OE.IsChannelFedByOEConverter(ch); };
        Start({&Channels, &OE, &Trig, &Acq}, {.HasOptOptics = true});
        Shell.SetUndoBuffer(std::make_unique<TUndoBuffer>());
        Shell.UndoBuffer()->SetEnabled(true);
    }
    // Shadow settings take no command: as the calibration read or a control sets them.
    void Own(const std::string& header, double value) { FindSetting<TEditHandler>(Shell.CommandTree(), header)->SetValue(value); }
    // A dark-level run started from a stopped program with the converter on Ch1, the trigger on the
    // external input and the given settings: the run's calibration, in its search.
    TOEConvCalibration& StartDarkSearch(std::initializer_list<const char*> settings) {
        Shell.ExecuteCommandString("OEConv:Dest Ch1");
        Run("Trig:Source ExtHF");
        for (const char* line : settings) Run(line);
        Shell.RunOn = false;
        Run("FLASH:OECalibr:AutoDarkLvl");
        return OE.Calibration();
    }
    // One acquisition of Ch1 with every point at v.
    void Acquire(double v) {
        TSignalObj& record = Shell.Records()->Record(ChannelSignalIndex(2, 0));
        record.SetLength(512);
        for (int i = 0; i < 512; ++i) record.SetPoint(i, v);
        Shell.AcqCycle.Run(Shell);
    }

    THintLog* Display = nullptr;
    TCalibrAdjust Values{Shell};
    TTimebaseChannelsFeature Channels{Shell};
    TOEConv OE{Shell, &Values};
    TTrigger Trig{Shell, &Channels.Timebase()};
    TSignalAcq Acq;
};

}  // namespace

TEST(OEConverter, UserPointsSortByWavelengthAndChooseTheGain) {
    EXPECT_TRUE(IsValidOEWavelength(7.797e-7) && !IsValidOEWavelength(7.796e-7));
    EXPECT_TRUE(IsValidOEGain(9.995e-4) && !IsValidOEGain(9.99e-4));
    TOEOnFake t;
    t.Run("OEConv:WaveLen WLUserDef");
    for (int n = 1; n <= 8; ++n) t.Own("Shadow:OECalibr" + std::to_string(n) + ":Wavelength", 0);
    // No valid point: the user wavelength cannot be chosen.
    EXPECT_EQ(t.Choice("OEConv:WaveLen"), oewWL1);
    EXPECT_TRUE(t.Setting("OEConv:UserWaveLen").IsDisabled());
    t.Own("Shadow:OECalibr1:Gain", 25), t.Own("Shadow:OECalibr1:Wavelength", 1.55e-6);
    t.Own("Shadow:OECalibr2:Gain", 50), t.Own("Shadow:OECalibr2:Wavelength", 1.31e-6);
    const TOESortedPoints& sorted = t.OE.SortedPoints();
    EXPECT_TRUE(sorted.Count == 2 && sorted.Points[0] == 1 && sorted.Points[1] == 0);
    EXPECT_EQ(dynamic_cast<TRadioSwHandler&>(t.Setting("OEConv:UserWaveLen")).GetDisabledMask(), 0xFCu);  // WL3..8
    // The point just made valid is chosen, with its gain.
    EXPECT_EQ(t.Choice("OEConv:WaveLen"), oewUserDef);
    EXPECT_EQ(t.Choice("OEConv:UserWaveLen"), 0);
    EXPECT_DOUBLE_EQ(t.Value("Flash:OE:ConversionGain"), 50);
    EXPECT_DOUBLE_EQ(OEConvGainForWavelength(t.Shell), 50) << "reachable without the converter";
    EXPECT_TRUE(t.Values.FlashChange().CalibrChanged());
    EXPECT_EQ(t.Since("OE:UP2WLEN? 1.31E-6", "OE:UP").size(), 12u);  // each change asks the instrument
    // A command may choose a position beyond the list: it has no gain.
    t.Run("OEConv:UserWaveLen WL5");
    EXPECT_DOUBLE_EQ(t.OE.OEConvGainForWavelength(), OEFallbackGain);
    EXPECT_DOUBLE_EQ(OEConvGainForWavelength(t.Shell), OEFallbackGain);
    TShell bare;
    EXPECT_DOUBLE_EQ(OEConvGainForWavelength(bare), OEFallbackGain);
    EXPECT_EQ(t.OE.SortedPositionText(4), "Empty");
    EXPECT_DOUBLE_EQ(UsableOEGain(5e-5), OEFallbackGain);
}

TEST(OEConverter, DestinationMovesTheWattScaleFromChannelToChannel) {
    TOEOnFake t;
    t.Own("Shadow:Adjust:OEGain1", 0.5);
    t.Run("OEConv:Dest Ch1");
    EXPECT_EQ(t.Display->Hints.size(), 1u);  // a remote change shows the cable instruction and goes on
    EXPECT_TRUE(t.OE.IsChannelFedByOEConverter(2));
    EXPECT_TRUE(t.Choice("Ch1:Atten:Unit") == auRatio && t.Choice("Ch1:Atten:Dimens") == 1);
    EXPECT_DOUBLE_EQ(t.Value("Ch1:Atten:Ratio"), 2);
    EXPECT_NEAR(t.Value("Ch1:Scale"), 1e-4, 1e-12);  // 2e-4 W at the probe's end
    t.Shell.ExecuteCommandString("OEConv:Dest Ch2");  // a settings line
    EXPECT_EQ(t.Display->Hints.size(), 1u);
    EXPECT_EQ(t.Choice("Ch1:Atten:Unit"), auOff);
    EXPECT_DOUBLE_EQ(t.Value("Ch1:Scale"), 0.2);
    EXPECT_DOUBLE_EQ(t.Value("Ch1:Offset"), 0);
    EXPECT_TRUE(t.OE.IsChannelFedByOEConverter(3) && !t.OE.IsChannelFedByOEConverter(2));
    EXPECT_EQ(t.Choice("Ch2:Atten:Unit"), auRatio);
    // A script's disconnection takes its instruction's OK as well: the channel goes back to volts.
    t.Run("OEConv:Dest OEConv");
    ASSERT_EQ(t.Display->Hints.size(), 2u);
    EXPECT_EQ(t.Display->Hints.back().rfind("Disconnect ELECTRICAL OUTPUT", 0), 0u) << t.Display->Hints.back();
    EXPECT_EQ(t.Choice("Ch2:Atten:Unit"), auOff);
    EXPECT_FALSE(t.OE.IsChannelFedByOEConverter(3));
    t.Shell.ExecuteCommandString("OEConv:Dest Ch2");
    // A recall applies the unchanged destination again after the channels' own lines: they stay as loaded.
    t.Shell.ExecuteCommandString("Ch1:Scale 0.1");
    t.Shell.ExecuteCommandString("Ch2:Scale 5e-5");
    t.Shell.ExecuteCommandString("OEConv:Dest Ch2");
    EXPECT_DOUBLE_EQ(t.Value("Ch1:Scale"), 0.1);
    EXPECT_NEAR(t.Value("Ch2:Scale"), 5e-5, 1e-12);
}

TEST(OEConverter, DarkLevelSearchHalvesItsStepAndLeavesTheSetupAsItWas) {
    TOEOnFake t;
    TOEConvCalibration& cal = t.StartDarkSearch({"Ch2:Display On", "Acq:RunUntil NAcq"});
    ASSERT_EQ(cal.Step(), ocsDarkSearch);
    EXPECT_TRUE(t.Shell.RunOn);
    EXPECT_EQ(t.Choice("Acq:RunUntil"), 0);
    EXPECT_EQ(t.Choice("Trig:Source"), tsIntClock);
    EXPECT_FALSE(ReadOnOffSetting(t.Shell.CommandTree(), "Ch2:Display", true));
    // The residual voltage falls as the dark level rises; it crosses zero at 37.3 %.
    std::vector<int> progress;
    std::vector<double> steps;
    for (int n = 0; n < 2000 && cal.Step() != ocsIdle; ++n) {
        const double before = cal.SearchStep();
        t.Acquire((37.3 - t.Value("FLASH:OECalibr:DarkLvl")) * 0.01);
        if (cal.SearchStep() != before) progress.push_back(cal.Progress()), steps.push_back(cal.SearchStep());
    }
    ASSERT_GE(progress.size(), 2u);
    EXPECT_TRUE(progress[0] == 25 && progress[1] == 33);
    EXPECT_LT(steps.back(), 0.002);
    EXPECT_EQ(cal.Step(), ocsIdle);  // closed by itself
    EXPECT_NEAR(t.Value("FLASH:OECalibr:DarkLvl"), 37.3, 0.01);
    EXPECT_TRUE(t.OE.StoredZeroPower() >= 85 && t.OE.StoredZeroPower() <= 114);
    EXPECT_EQ(t.Choice("Trig:Source"), tsExtHF);
    EXPECT_TRUE(ReadOnOffSetting(t.Shell.CommandTree(), "Ch2:Display", false));
    EXPECT_EQ(t.Choice("Acq:RunUntil"), 1);
    EXPECT_FALSE(t.Shell.RunOn);
    EXPECT_TRUE(t.Shell.UndoBuffer()->RedoEmpty());

    // A level that never changes the sign runs out of range: failed, and the old level returns.
    t.Run("FLASH:OECalibr:AutoDarkLvl");
    for (int n = 0; n < 1000 && cal.Step() == ocsDarkSearch; ++n) t.Acquire(0.3);
    EXPECT_EQ(cal.ResultText(), "Calibration failed");
    t.Acquire(0.3);
    EXPECT_EQ(cal.Step(), ocsIdle);
    EXPECT_NEAR(t.Value("FLASH:OECalibr:DarkLvl"), 37.3, 0.01);
}

TEST(OEConverter, GainRunMeasuresThePointsGainOrFailsAndCancelRestores) {
    TOEOnFake t;
    t.Shell.ExecuteCommandString("OEConv:Dest Ch1");
    t.Run("FLASH:OECalibr:PointNum 3");
    TOEConvCalibration& cal = t.OE.Calibration();
    const auto run = [&](double volts) {
        t.Run("FLASH:OECalibr:AutoCalGain");
        int acquisitions = 0;
        while (cal.Step() == ocsGain && acquisitions < 100) t.Acquire(volts), ++acquisitions;
        const std::string result = cal.ResultText();
        t.Acquire(volts);
        EXPECT_EQ(cal.Step(), ocsIdle);
        EXPECT_EQ(acquisitions, 25);  // 499 points each: the count first exceeds 11999 at 12475
        return result;
    };
    EXPECT_EQ(run(0.005), "Calibration failed");  // 16.7 V/W
    EXPECT_DOUBLE_EQ(t.Value("Shadow:OECalibr3:Gain"), 1);
    EXPECT_EQ(run(0.01), "Calibration complete!");
    EXPECT_NEAR(t.Value("Shadow:OECalibr3:Gain"), 33.333, 0.001);

    t.Run("FLASH:OECalibr:DarkLvl 40");
    t.Run("Trig:Holdoff 1e-4");
    t.Run("FLASH:OECalibr:AutoDarkLvl");
    for (int n = 0; n < 5; ++n) t.Acquire(0.5);
    EXPECT_NE(t.Value("FLASH:OECalibr:DarkLvl"), 40);
    cal.Close(false);
    EXPECT_EQ(cal.Step(), ocsIdle);
    EXPECT_TRUE(t.Value("FLASH:OECalibr:DarkLvl") == 40 && t.Value("Trig:Holdoff") == 1e-4);
    EXPECT_TRUE(t.Shell.UndoBuffer()->RedoEmpty());
}

// A step pushed while the run is open (a remote command) is not the run's: the run's end puts back the
// settings it prepared and leaves that step the newest, undoable as it was.
TEST(OEConverter, TheRunsEndPutsBackItsOwnSettingsAndLeavesALaterStep) {
    TOEOnFake t;
    TOEConvCalibration& cal = t.StartDarkSearch({"Ch1:Deskew 1e-9"});
    ASSERT_EQ(cal.Step(), ocsDarkSearch);
    EXPECT_EQ(t.Choice("Trig:Source"), tsIntClock);
    t.Run("Ch1:Deskew 2e-9");
    cal.Close(false);
    ASSERT_EQ(cal.Step(), ocsIdle);
    EXPECT_EQ(t.Choice("Trig:Source"), tsExtHF) << "the prepared setting returns";
    EXPECT_DOUBLE_EQ(t.Value("Ch1:Deskew"), 2e-9) << "the later change stays";
    std::optional<TUndoList> later = t.Shell.UndoBuffer()->Undo();
    ASSERT_TRUE(later.has_value());
    for (const TUndoItem& item : *later) ApplyCommandText(*item.Handler, item.Text);
    EXPECT_DOUBLE_EQ(t.Value("Ch1:Deskew"), 1e-9);
    EXPECT_EQ(t.Choice("Trig:Source"), tsExtHF) << "the later step holds nothing of the run";
}

// A script's run holds its command's reply until the run ends: empty after a success, the result
// after a failure, "ERROR" after a Cancel or for a run asked while one goes on; a run that no
// acquisition steps any more fails after StallSeconds on the link clock. One that cannot start
// replies its failure at once.
TEST(OEConverter, AScriptsRunRepliesAtItsEnd) {
    TOEOnFake t;
    std::vector<std::string> replies;
    t.Shell.DeferRemoteReply = [&replies] {
        return [&replies](const std::string& reply) { replies.push_back(reply); };
    };
    TOEConvCalibration& cal = t.OE.Calibration();
    t.Run("OEConv:Dest OEConv");
    t.Run("FLASH:OECalibr:AutoDarkLvl");
    const std::string notConnected =
        "ELECTRICAL OUTPUT of the O/E CONVERTER is not connected to any of the CHANNEL INPUT.";
    EXPECT_EQ(replies, std::vector<std::string>{notConnected});
    EXPECT_EQ(t.Display->Hints, std::vector<std::string>{notConnected});
    EXPECT_EQ(cal.Step(), ocsIdle);

    t.Shell.ExecuteCommandString("OEConv:Dest Ch1");
    struct TRow {
        const char* Command;
        double Volts;     // every point of each acquisition; negative: none comes
        bool Cancel;      // after three acquisitions
        bool StopAtResult;  // no acquisition comes after the result
        const char* Reply;
    };
    const std::string stalled = "Calibration failed: no acquisition came for 10 s.";
    for (const TRow& row : {TRow{"FLASH:OECalibr:AutoCalGain", 0.005, false, false, "Calibration failed"},  // 16.7 V/W
                            TRow{"FLASH:OECalibr:AutoCalGain", 0.01, false, true, ""},  // 33.3 V/W
                            TRow{"FLASH:OECalibr:AutoDarkLvl", 0.5, true, false, "ERROR"},
                            TRow{"FLASH:OECalibr:AutoDarkLvl", -1, false, false, stalled.c_str()}}) {
        SCOPED_TRACE(row.Command + std::string(" ") + row.Reply);
        replies.clear();
        t.Run(row.Command);
        ASSERT_NE(cal.Step(), ocsIdle);
        // A second run starts nothing and replies at once.
        t.Run("FLASH:OECalibr:AutoDarkLvl");
        EXPECT_EQ(replies, std::vector<std::string>{"ERROR"});
        EXPECT_EQ(t.OE.CheckDeadlines(t.Shell), TOEConvCalibration::StallSeconds * 1000);
        for (int n = 0; row.Volts >= 0 && n < (row.Cancel ? 3 : 100) && cal.Step() != ocsIdle; ++n) {
            if (row.StopAtResult && cal.Step() == ocsFinished) break;
            t.Acquire(row.Volts);
        }
        if (row.Cancel) {
            cal.Close(false);
        } else if (cal.Step() != ocsIdle) {
            t.Clock.Now += TOEConvCalibration::StallSeconds * 1000 - 1;
            EXPECT_EQ(t.OE.CheckDeadlines(t.Shell), 1);
            EXPECT_EQ(replies.size(), 1u);
            t.Clock.Now += 1;
            EXPECT_EQ(t.OE.CheckDeadlines(t.Shell), -1);
        }
        EXPECT_EQ(cal.Step(), ocsIdle);
        EXPECT_EQ(replies, (std::vector<std::string>{"ERROR", row.Reply}));
        EXPECT_EQ(t.OE.CheckDeadlines(t.Shell), -1);
    }
    EXPECT_NEAR(t.Value("Shadow:OECalibr1:Gain"), 33.333, 0.001);
    EXPECT_DOUBLE_EQ(t.Value("FLASH:OECalibr:DarkLvl"), 50);
}
