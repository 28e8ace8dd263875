// The mask test on the demo instrument: an automask around Ch1, a passing run counted to its limit, a
// moved trace failing every waveform with its failed waveforms saved, the run stopped by the limit
// with the menu's page shown, the results table on the strip, and a stored mask's scales applied to
// the instrument. The picture goes to screenshots/mask_test_demo.png (automask and failing samples).
#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "display/BottomReadoutStrip.h"
#include "display/DisplayPanel.h"
#include "display/ScopeDisplayServices.h"
#include "serial/ScopeSerialServices.h"
#include "ui/MainBlock.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/VeltraneApplication.h"

namespace vt {
namespace {

struct TPageOneShown : TMaskTestView {
    bool IsMenuPageOnSide0(int kind, int page) const override { return Shown && kind == 15 && page == 1; }
    bool Shown = false;
};

std::uint64_t Res(TShell& shell, const char* what) {
    shell.ExecuteCommandString("Header OFF");
    return std::stoull(shell.ExecuteCommandString(std::string("Mask:Res? ") + what));
}

TEST(MaskTestDemo, AutomaskRunFailuresSavesAndScales) {
    test::TProgramRig rig;
    TShell& shell = rig.Shell;
    TPageOneShown view;
    std::uint64_t passed = 0, passedSamples = 0, passedFailed = 1, decimated = 0;
    std::uint64_t failedWfms = 0, allWfms = 0, failSmpl = 0, poly1 = 0, poly2 = 0;
    bool labelDrawn = false, stoppedRun = false, testOffAfterOne = false;
    std::string nextName, polyLines;
    std::vector<std::string> saved;
    std::map<std::string, double> scales;
    rig.RunSteps(200000, [&] {
        TMorda_fr* m = test::ShownMainWindow();
        const TNizText& strip = dynamic_cast<TScopeDisplayServices&>(shell.Display()).Panel()->BottomStrip();
        TMaskTest& mask = dynamic_cast<TScopeSerialServices&>(shell.Serial()).MaskTest();
        const auto run = [&shell](const char* c) { shell.ExecuteCommandString(c); };
        const auto testEnded = [&] { return !ReadOnOffSetting(shell.CommandTree(), "Mask:Test", true); };
        mask.SetView(&view);
        for (const char* c : {"Ch2:Display OFF", "Displ:Ch1:Style Dots"}) run(c);
        ASSERT_TRUE(rig.CountOn(3));
        ASSERT_TRUE(rig.Until([&] {
            run("Automask:BuildAMask");
            return mask.MaskObject() != nullptr;
        }));
        polyLines = mask.Mask().StateText();
        decimated = static_cast<std::uint64_t>(shell.Records()->Record(ssCh1).GetDecimatedLength());
        for (const char* c : {"*ClrDispl", "Mask:RunUntil Wfms", "Mask:NWfms 5", "Mask:Test ON"}) run(c);
        ASSERT_TRUE(rig.Until(testEnded));
        passed = Res(shell, "AllWfm");
        passedSamples = Res(shell, "AllSmpl");
        passedFailed = Res(shell, "FailWfm");
        // Half a division up: every sample leaves the band a quarter division wide.
        shell.ExecuteCommandString("Ch1:Offset " + std::to_string(ReadRealSetting(shell.CommandTree(), "Ch1:Offset", 0) -
                                                              0.5 * ReadRealSetting(shell.CommandTree(), "Ch1:Scale", 0.1)));
        ASSERT_TRUE(rig.CountOn(3));
        for (const char* c : {"Mask:RunUntil FailedWfms", "Mask:FailWfms 3", "Mask:Action Save", "Mask:FileFormat Binary",
                              "*ClrDispl", "Mask:Test ON"})
            run(c);
        ASSERT_TRUE(rig.Until(testEnded));
        failedWfms = Res(shell, "FailWfm");
        allWfms = Res(shell, "AllWfm");
        failSmpl = Res(shell, "FailSmpl");
        poly1 = Res(shell, "Poly1");
        poly2 = Res(shell, "Poly2");
        for (const auto& e : std::filesystem::directory_iterator(shell.Folders.MaskTestFolder))
            saved.push_back(e.path().filename().string());
        std::sort(saved.begin(), saved.end());
        shell.ExecuteCommandString("Header OFF");
        nextName = shell.ExecuteCommandString("Mask:FileName?");
        const TPixelRect r = ParamCellRect(3, false);
        const TColor back = strip.Bitmap().Pixel(r.Right, r.Bottom);
        for (int x = r.Left; x <= r.Right && !labelDrawn; ++x)
            for (int y = r.Top; y <= r.Bottom && !labelDrawn; ++y) labelDrawn = strip.Bitmap().Pixel(x, y) != back;
        // The strip's throttled readouts show their last counts.
        ASSERT_TRUE(rig.Until([&] { return test::StripTextsDrawn(shell); }));
        test::SaveScreenshot(*m, "mask_test_demo.png");
        run("Mask:Action ClearALL");
        view.Shown = true;
        for (const char* c : {"Mask:RunUntil Wfms", "Mask:NWfms 1", "Mask:Test ON"}) run(c);
        ASSERT_TRUE(rig.Until(testEnded));
        testOffAfterOne = true;
        stoppedRun = !shell.RunOn;
        // A stored mask of one polygon, aligned to.
        const auto align = [&](const std::string& head) {
            shell.CommandTree()->ExecuteCommandString(
                "NOGPIB:Mask #Poly=1," + head + ",\"Poly1=1000,400_2000,600_3000,400_\"", true);
            run("StdMask:Align ON");
        };
        // An eye mask of 2.48832 Gbit/s: one bit over 6 divisions.
        shell.ExecuteCommandString("TB:Delay 0.1");
        align("BitP=4.01878E-10,TB=6.69797E-11,X0=0,VDiv=0.1,V0=0,StdI=1,MskI=1,MskNm=OC48,Marg=0,Kind=1");
        scales["ScaleA"] = ReadRealSetting(shell.CommandTree(), "TB:ScaleA", 0);
        scales["ScaleB"] = ReadRealSetting(shell.CommandTree(), "TB:ScaleB", 0);
        scales["Mode"] = ReadChoiceSetting(shell.CommandTree(), "TB:Mode", 0);
        scales["DualDel"] = ReadOnOffSetting(shell.CommandTree(), "TB:DualDel", true);
        scales["Delay"] = ReadRealSetting(shell.CommandTree(), "TB:Delay", 0);
        run("StdMask:Align OFF");
        align("BitP=6.43004E-09,TB=1.07167E-09,X0=0,VDiv=0.1,V0=0,StdI=1,MskI=1,MskNm=OC3,Marg=0,Kind=1");
        scales["ScaleA155"] = ReadRealSetting(shell.CommandTree(), "TB:ScaleA", 0);
        run("StdMask:Align OFF");
        align("BitP=6.43004E-09,TB=1.07167E-09,X0=100,VDiv=0.5,V0=2,StdI=1,MskI=1,MskNm=DS3,Marg=0,Kind=2");
        for (const char* ch : {"Ch1:", "Ch2:"}) {
            scales[std::string(ch) + "Scale"] = ReadRealSetting(shell.CommandTree(), std::string(ch) + "Scale", 0);
            scales[std::string(ch) + "Offset"] = ReadRealSetting(shell.CommandTree(), std::string(ch) + "Offset", 0);
        }
    });
    EXPECT_NE(polyLines.find("\"Poly1="), std::string::npos);
    // The passing run: five waveforms, each its decimated record, none failing.
    EXPECT_EQ(passed, 5u);
    EXPECT_EQ(passedSamples, 5 * decimated);
    EXPECT_EQ(passedFailed, 0u);
    // The moved trace: every waveform fails until the third, no sample lies in both bands.
    EXPECT_EQ(failedWfms, 3u);
    EXPECT_EQ(allWfms, failedWfms);
    EXPECT_GT(failSmpl, 0u);
    EXPECT_EQ(poly1 + poly2, failSmpl);
    EXPECT_EQ(saved, (std::vector<std::string>{"Noname-00001.wfm", "Noname-00002.wfm", "Noname.wfm"}));
    EXPECT_TRUE(nextName.ends_with("Noname-00003.wfm")) << nextName;
    // Polygon 2's label: parameter cell 3, the third row of the first column.
    const TPixelRect cell = ParamCellRect(3, false);
    EXPECT_EQ(std::make_pair(cell.Left, cell.Right), std::make_pair(3, 112));
    EXPECT_EQ(std::make_pair(cell.Top, cell.Bottom), std::make_pair(48, 64));
    EXPECT_TRUE(labelDrawn);
    EXPECT_TRUE(testOffAfterOne);
    EXPECT_TRUE(stoppedRun);
    // Timebase B at the mask's 6.698e-11 s a division, A at the 1-2-5 step below four times it.
    EXPECT_NEAR(scales["ScaleB"], 1 / (2.48832e9 * 6), 1e-14);
    EXPECT_DOUBLE_EQ(scales["ScaleA"], 2e-10);
    EXPECT_EQ(scales["Mode"], 2);
    EXPECT_EQ(scales["DualDel"], 0);
    EXPECT_EQ(scales["Delay"], 2);
    EXPECT_DOUBLE_EQ(scales["ScaleA155"], 5e-9);
    // The pulse mask's 0.5 V a division and 2 V centre are limited to 0.255 and 1.
    for (const char* ch : {"Ch1:", "Ch2:"}) {
        EXPECT_DOUBLE_EQ(scales[std::string(ch) + "Scale"], 0.255) << ch;
        EXPECT_DOUBLE_EQ(scales[std::string(ch) + "Offset"], -1) << ch;
    }
}

}  // namespace
}  // namespace vt
