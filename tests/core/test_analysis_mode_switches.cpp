#include <gtest/gtest.h>

#include <string>

#include "core/CommandTree.h"
#include "core/Handlers.h"
#include "core/InternalError.h"
#include "core/Shell.h"

using namespace vt;

// Stand-ins for the mode settings of the analysis features: each switch-off acts on the setting by
// its header, a missing one is skipped, and a feature may put its own switch-off in place.
TEST(AnalysisModes, SwitchOffActsOnTheModeSettingsThatExistButTheMenusOwn) {
    TShell shell;
    shell.SwitchOffOtherModes(mkEye);  // no command tree yet: nothing to do
    shell.SetCommandTree(CreateCommandTree());
    TSpider& root = shell.CommandTree()->Root();
    std::string changed;
    auto log = [&changed](const char* name) { return [&changed, name](THandler&) { changed += name; }; };
    auto& markers = root.AddRadioHandler("Mark:Type", {.Items = "Off,Vert,Horiz", .AfterChange = log("mark ")});
    auto& meas = root.AddRadioHandler("Meas:Display", {.Items = "Off,Single,Statistics", .AfterChange = log("meas ")});
    auto& eye = root.AddRadioHandler("Eye:Measure", {.Items = "Off,NRZ,RZ", .AfterChange = log("eye ")});
    auto& mask = root.AddOnOffHandler("Mask:Test", {.AfterChange = log("mask ")});
    auto& tdrMode = root.AddRadioHandler("TDR:Mode", {.Items = "Off,TDR,TDT", .AfterChange = log("tdrmode ")});
    auto& tdrMeasure = root.AddOnOffHandler("TDR:Measure", {.AfterChange = log("tdr ")});
    auto& jitter = root.AddOnOffHandler("Jitter:JitterOn", {.AfterChange = log("jitter ")});
    // The histogram does not exist yet.
    auto allOn = [&] {
        markers.SetItemIndex(2);
        meas.SetItemIndex(1);
        eye.SetItemIndex(2);
        mask.SetOn(true);
        tdrMode.SetItemIndex(2);
        tdrMeasure.SetOn(true);
        jitter.SetOn(true);
        changed.clear();
    };

    allOn();
    shell.SwitchOffOtherModes(mkEye);
    EXPECT_EQ(changed, "mark meas mask tdr tdrmode jitter ") << "each through its after-change, in the menu kinds' order";
    EXPECT_EQ(eye.GetItemIndex(), 2);
    EXPECT_EQ(markers.GetItemIndex(), 0);
    EXPECT_FALSE(mask.GetOn());
    EXPECT_EQ(tdrMode.GetItemIndex(), 0) << "the TDR mode goes off with its measurements";
    EXPECT_FALSE(tdrMeasure.GetOn());
    EXPECT_FALSE(jitter.GetOn());

    allOn();
    shell.SwitchOffOtherModes(mkMarkers);
    EXPECT_FALSE(tdrMeasure.GetOn());
    EXPECT_EQ(tdrMode.GetItemIndex(), 2) << "the markers read the excess L/C of a TDR record";
    allOn();
    shell.SwitchOffOtherModes(mkTdr);
    EXPECT_TRUE(tdrMeasure.GetOn());
    EXPECT_EQ(tdrMode.GetItemIndex(), 2);
    EXPECT_EQ(changed, "mark meas eye mask jitter ");
    allOn();
    shell.SwitchOffOtherModes(mkChannels);  // a kind without a mode switches every mode off
    EXPECT_EQ(changed, "mark meas eye mask tdr tdrmode jitter ");
    shell.SwitchOffOtherModes(mkChannels);
    EXPECT_EQ(changed, "mark meas eye mask tdr tdrmode jitter ") << "modes already off change nothing";

    // A feature that owns the mask replaces its switch-off; the others keep the default.
    int ownMaskSwitchOffs = 0;
    shell.ModeSwitches().SetSwitchOff(mkMask, [&] { ++ownMaskSwitchOffs; });
    allOn();
    shell.SwitchOffOtherModes(mkMarkers);
    EXPECT_EQ(ownMaskSwitchOffs, 1);
    EXPECT_TRUE(mask.GetOn());
    EXPECT_EQ(changed, "meas eye tdr jitter ");
    shell.SwitchOffOtherModes(mkMask);
    EXPECT_EQ(ownMaskSwitchOffs, 1) << "never its own";
    EXPECT_THROW(shell.ModeSwitches().SetSwitchOff(mkDisplay, [] {}), EInternalError);
}
