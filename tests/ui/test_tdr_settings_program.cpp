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
#include <map>

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
    bool done = false;
    std::map<std::string, std::string> got;
    std::vector<int> states;
    double openRho = 0, beforeRho = 0;
    const auto run = [&](std::string_view text) { return shell.CommandTree()->ExecuteCommandString(text, false); };
    const auto query = [&](const std::string& header) {
        std::string reply = run(header + "?");
        while (!reply.empty() && (reply.back() == '\n' || reply.back() == '\r')) reply.pop_back();
        const std::size_t blank = reply.rfind(' ');
        return blank == std::string::npos ? reply : reply.substr(blank + 1);
    };
    rig.Run(120000, 20, [&] {
        if (!rig.Acquiring()) return;
        TCommandTree* tree = shell.CommandTree();
        TSerialServices& serial = shell.Serial();
        run("*StopSingle Stop");
        states.push_back(serial.TdrChannelState(2));  // mode off
        run("GSS:A:Waweform TDT");
        run("TDR:Mode TDR");
        got["fit"] = query("Acq:FitTo");
        got["gss"] = query("GSS:A:Waweform");
        run("TDR:Ch1:Destination G1");
        run("TDR:Ch2:Destination G1");
        got["ch1"] = query("TDR:Ch1:Destination");
        got["polar"] = query("TDR:Ch2:Polar");
        got["gen"] = query("Gen:Mode");
        run("TDR:Ch2:Destination Off");
        run("TDR:Ch1:Destination G1");
        run("TDR:Ch1:VertScale Ohm");
        states.push_back(serial.TdrChannelState(2));
        run("TDR:Mode TDT");
        run("TDR:Ch1:VertTDTScale Gain");
        states.push_back(serial.TdrChannelState(2));
        run("TDR:HorScale Meter");
        run("TDR:Unit DielConst");
        run("TDR:DielConst 4");
        got["velos"] = std::to_string(ReadRealSetting(tree, "TDR:Velos", -1));
        run("TDR:Unit Velocity");
        run("TDR:Velos 0.25");
        got["diel"] = std::to_string(ReadRealSetting(tree, "TDR:DielConst", -1));
        run("TDR:HorScale Time");

        // Both channels off: the channel page flips and neither page can be chosen.
        FindSetting<TRadioSwHandler>(tree, "Shadow:TDRChSelect")->SetItemIndex(0);
        run("Ch1:Display OFF");
        got["select1"] = ReadChoiceSetting(tree, "Shadow:TDRChSelect", -1) == 1 ? "Ch2" : "Ch1";
        run("Ch2:Display OFF");
        const auto* select = FindSetting<TRadioSwHandler>(tree, "Shadow:TDRChSelect");
        got["mask"] = std::to_string(select ? select->GetDisabledMask() : 99);
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
        got["normalize"] = query("TDR:Ch1:Normalize");
        got["f1"] = query("F1:Display");

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
        for (int i = n - n / 10; i < n; ++i) openRho += r.GetPoint(i) / (n / 10);
        for (int i = 0; i < n / 20; ++i) beforeRho += r.GetPoint(i) / (n / 20);
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* m = dynamic_cast<TMorda_fr*>(w)) {
                test::SaveScreenshot(*m, "tdr_rho_demo.png");
                m->close();
            }
        done = true;
    });
    ASSERT_TRUE(done);
    EXPECT_EQ(Upper(got["fit"]), "SINGLE");
    EXPECT_EQ(Upper(got["gss"]), "TDR");
    EXPECT_EQ(Upper(got["ch1"]), "OFF");
    EXPECT_EQ(Upper(got["polar"]), "NEG");
    EXPECT_EQ(Upper(got["gen"]), "STEP");
    EXPECT_EQ(states, (std::vector<int>{0, 2, 3}));
    EXPECT_NEAR(std::atof(got["velos"].c_str()), 0.5, 1e-9);
    EXPECT_NEAR(std::atof(got["diel"].c_str()), 16, 1e-6);
    EXPECT_EQ(Upper(got["select1"]), "CH2");
    EXPECT_EQ(got["mask"], "3");
    EXPECT_EQ(Upper(got["normalize"]), "OFF");
    EXPECT_EQ(Upper(got["f1"]), "OFF");
    // Hand values: the open reflects the whole step back, rho +1 (with the step taken positive it read
    // -1); before the incident edge the line sits at the offset, -368 codes = -0.023 V, so
    // (-0.023 + 0.233) / -0.105 = -2.
    EXPECT_NEAR(beforeRho, -2, 0.08);
    EXPECT_NEAR(openRho, 1, 0.06);
}

}  // namespace
}  // namespace vt
