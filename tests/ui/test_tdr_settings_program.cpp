// The TDR/TDT settings through the command tree of the demo program with the generators option: the
// channel roles, the velocity factor and dielectric constant, the mode's after-change, the channel
// states the engine asks for, the channel choice, a recalled setup that carried a running
// normalization, and the engine's reading of the demo's open in rho with an inverted generator step.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <cstdlib>

#include "UiTestSupport.h"
#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/EditHandlers.h"
#include "core/Handlers.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "link/InstrumentIdentity.h"
#include "link/InstrumentList.h"
#include "ui/MainBlock.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/VeltraneApplication.h"

namespace vt {
namespace {

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

TEST(TdrSettingsProgram, RolesUnitsModeAndARecalledNormalizationFollowTheirRules) {
    test::TProgramRig rig({.DemoOptions = 0xFF & ~(optGenerators | optTDT)});
    TShell& shell = rig.Shell;
    const auto run = [&](std::string_view text) { return shell.CommandTree()->ExecuteCommandString(text, false); };
    const auto query = [&](const std::string& header) {
        std::string reply = run(header + "?");
        while (!reply.empty() && (reply.back() == '\n' || reply.back() == '\r')) reply.pop_back();
        const std::size_t blank = reply.rfind(' ');
        return blank == std::string::npos ? reply : reply.substr(blank + 1);
    };
    rig.RunSteps(120000, [&] {
        TCommandTree* tree = shell.CommandTree();
        TSerialServices& serial = shell.Serial();
        run("*StopSingle Stop");
        EXPECT_EQ(serial.TdrChannelState(2), 0);  // mode off
        run("GSS:A:Waweform TDT");
        run("TDR:Mode TDR");
        EXPECT_EQ(Upper(query("Acq:FitTo")), "SINGLE");
        EXPECT_EQ(Upper(query("GSS:A:Waweform")), "TDR");
        run("TDR:Ch1:Destination G1");
        run("TDR:Ch2:Destination G1");
        EXPECT_EQ(Upper(query("TDR:Ch1:Destination")), "OFF");
        EXPECT_EQ(Upper(query("TDR:Ch2:Polar")), "NEG");
        EXPECT_EQ(Upper(query("Gen:Mode")), "STEP");
        run("TDR:Ch2:Destination Off");
        run("TDR:Ch1:Destination G1");
        run("TDR:Ch1:VertScale Ohm");
        EXPECT_EQ(serial.TdrChannelState(2), 2);
        run("TDR:Mode TDT");
        run("TDR:Ch1:VertTDTScale Gain");
        EXPECT_EQ(serial.TdrChannelState(2), 3);
        run("TDR:HorScale Meter");
        run("TDR:Unit DielConst");
        run("TDR:DielConst 4");
        EXPECT_NEAR(ReadRealSetting(tree, "TDR:Velos", -1), 0.5, 1e-9);
        run("TDR:Unit Velocity");
        run("TDR:Velos 0.25");
        EXPECT_NEAR(ReadRealSetting(tree, "TDR:DielConst", -1), 16, 1e-6);
        run("TDR:HorScale Time");

        // Both channels off: the channel page flips and neither page can be chosen.
        FindSetting<TRadioSwHandler>(tree, "Shadow:TDRChSelect")->SetItemIndex(0);
        run("Ch1:Display OFF");
        EXPECT_EQ(ReadChoiceSetting(tree, "Shadow:TDRChSelect", -1), 1) << "Ch2's page";
        run("Ch2:Display OFF");
        EXPECT_EQ(FindSetting<TRadioSwHandler>(tree, "Shadow:TDRChSelect")->GetDisabledMask(), 3u);
        run("Ch1:Display ON");
        run("Ch2:Display ON");

        // A setup saved with the normalization on and F1 showing it recalls with both off.
        run("TDR:Mode TDR");
        std::vector<std::string> setup;
        tree->Root().SaveAllSettings(setup);
        for (std::string& line : setup) {
            const std::string u = Upper(line);
            if (u.rfind("TDR:CH1:NORMALIZE ", 0) == 0) line = "TDR:CH1:NORMALIZE ON";
            if (u.rfind("F1:DISPLAY ", 0) == 0) line = "F1:DISPLAY ON";
        }
        tree->Root().LoadAllSettings(setup);
        EXPECT_EQ(Upper(query("TDR:Ch1:Normalize")), "OFF");
        EXPECT_EQ(Upper(query("F1:Display")), "OFF");

        // The demo's open in rho: the generator's step is inverted, so the open reads +1.
        for (const char* line : {"GSS:Ch1 A", "GSS:A:Waweform TDR", "GSS:A:TDRCircuit Open", "TDR:Ch1:RefAmpl 0.105",
                                 "TDR:Ch1:BaseLine -0.233", "TDR:Ch1:VertScale Rho", "Acq:Ch1:RecLen 512",
                                 "TB:Mode A", "TB:ScaleA 2e-9", "TDR:Measure ON", "TDR:ViewMargins ON"})
            run(line);
        FindSetting<TIntEditHandler>(tree, "TDR:Ch1:LeftMargins")->SetValue(800);
        FindSetting<TIntEditHandler>(tree, "TDR:Ch1:RightMargins")->SetValue(3200);
        rig.Acquire(3);
        const TSignalObj& r = shell.Records()->Record(ssCh1);
        const int n = r.Length();
        double openRho = 0, beforeRho = 0;
        for (int i = n - n / 10; i < n; ++i) openRho += r.GetPoint(i) / (n / 10);
        for (int i = 0; i < n / 20; ++i) beforeRho += r.GetPoint(i) / (n / 20);
        // Hand values: the open reflects the whole step back, rho +1 (with the step taken positive it
        // read -1); before the incident edge the line sits at the offset, -368 codes = -0.023 V, so
        // (-0.023 + 0.233) / -0.105 = -2.
        EXPECT_NEAR(beforeRho, -2, 0.08);
        EXPECT_NEAR(openRho, 1, 0.06);
        test::SaveScreenshot(*test::ShownMainWindow(), "tdr_rho_demo.png");
    });
}

}  // namespace
}  // namespace vt
