// The demo program driven as the automation drives it: every source setting of the analysis features
// refuses the sources it can never use (an error reply, the setting kept) and takes the others; an eye
// measurement asked right after a refused source, an eye on a source without a colour of its own and
// a spectrum measurement (added, undone, redone) all reply without an internal error, while the
// acquisition goes on. The picture of the spectrum measurement goes to
// screenshots/spectrum_measurement_mark.png.
#include <gtest/gtest.h>

#include <QApplication>
#include <exception>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "acq/SignalSources.h"
#include "analysis/ScopeAnalysisServices.h"
#include "core/CommandTree.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/SourceHandlers.h"
#include "display/ScopeDisplayServices.h"
#include "ui/Automation.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"

namespace vt {
namespace {

// A source setting, a source it takes (set first, so that a refusal shows by keeping it), the sources
// it refuses and one more it takes.
struct TSourceSettingCase {
    std::string Header;
    const char* Kept;
    std::vector<const char*> Refused;
    const char* AlsoTaken;
};

const std::vector<const char*> NoRecord = {"XY", "DB", "HIST", "CONST", "NONE"};

std::vector<TSourceSettingCase> SourceSettings() {
    std::vector<TSourceSettingCase> cases = {
        {"HIST:SOURCE", "CH2", NoRecord, "S2"},
        {"SPECTR1:SOURCE", "CH2", {"S1", "S2", "XY", "DB", "HIST", "CONST", "NONE"}, "M4"},
        {"SPECTR2:SOURCE", "CH1", {"S1", "S2", "XY", "DB", "HIST", "CONST", "NONE"}, "F1"},
        {"MARK:M1:SOURCE", "CH2", NoRecord, "S1"},
        {"MARK:M2:SOURCE", "CH1", NoRecord, "F2"},
        {"MEAS:DISPLSRC", "CH2", NoRecord, "S2"},
        {"MEAS:CH1:SOURCE2", "CH2", NoRecord, "M1"},
        {"MEAS:M4:SOURCE2", "CH1", NoRecord, "S1"},
        {"EYE:SOURCE", "CH2", NoRecord, "F1"},
        {"AUTOMASK:SOURCE", "CH2", NoRecord, "S2"},
        {"WFM:SOURCE", "CH2", NoRecord, "M1"},
        {"SAVE:MEMO:SOURCE", "CH2", NoRecord, "S1"},
        {"SAVE:DISK:SOURCE", "CH2", NoRecord, "F4"},
        {"SAVE:DISK:DBSOURCE", "CH2", NoRecord, "CH1B2"},
        {"DISPL:TRACESEL", "CH2", {"DB", "HIST", "CONST", "NONE"}, "XY"},
        {"DISPL:XAXIS", "CH2", NoRecord, "F1"},
        {"DISPL:YAXIS", "CH1", NoRecord, "F1"},
        // Sources whose records have no layer on the screen (no normalization runs).
        {"TDR:SOURCE", "CH2", {"NORMCH1", "NORMCH2"}, "CH1"},
    };
    for (int f = 1; f <= 4; ++f) {
        const std::string node = "F" + std::to_string(f) + ":";
        cases.push_back({node + "SOURCE1", "CH2", NoRecord, "S1"});
        cases.push_back({node + "SOURCE2", "CH1", {"XY", "DB", "HIST", "NONE"}, "CONST"});
    }
    return cases;
}

TEST(SourceRefusalsDemo, EverySourceSettingRefusesTheSourcesItCannotUseAndNothingRepliesAnInternalError) {
    test::TProgramRig rig;
    TShell& shell = rig.Shell;
    std::vector<std::string> faults;
    // Every step waits for three acquisitions after its commands: the acquisition goes on.
    rig.RunSteps(120000, [&] {
        ASSERT_TRUE(rig.Until([&] { return rig.Features().Automation().Automation() != nullptr; }));
        TAutomation* automation = rig.Features().Automation().Automation();
        // As the automation server runs a line: an exception's text becomes the reply.
        auto run = [&](const std::string& line) {
            std::string reply;
            try {
                automation->Service.ExecCommand(line, reply);
            } catch (const std::exception& e) {
                reply = e.what();
            }
            return reply;
        };
        auto& measurements = dynamic_cast<TScopeAnalysisServices&>(shell.Analysis()).Measurements();
        run("HEADER OFF");
        for (const TSourceSettingCase& c : SourceSettings()) {
            const std::string& header = c.Header;
            if (const std::string r = run(header + " " + c.Kept); !r.empty())
                faults.push_back(header + " " + c.Kept + " replied '" + r + "'");
            for (const char* refused : c.Refused) {
                const std::string r = run(header + " " + refused);
                if (r != "ERROR") faults.push_back(header + " " + refused + " replied '" + r + "'");
                const std::string back = run(header + "?");
                if (back != c.Kept) faults.push_back(header + " " + refused + " left '" + back + "'");
            }
            if (const std::string r = run(header + " " + c.AlsoTaken); !r.empty())
                faults.push_back(header + " " + c.AlsoTaken + " replied '" + r + "'");
            if (const std::string back = run(header + "?"); back != c.AlsoTaken)
                faults.push_back(header + " " + c.AlsoTaken + " read back '" + back + "'");
        }
        for (const char* line : {"SPECTR1:SOURCE CH1", "SPECTR1:DISPLAY ON", "SPECTR2:SOURCE CH2", "SPECTR2:DISPLAY ON"})
            run(line);
        EXPECT_EQ(run("SPECTR2:SOURCE S1"), "ERROR") << "a spectrum of a spectrum is refused";
        ASSERT_TRUE(rig.CountOn(3));
        EXPECT_EQ(run("EYE:SOURCE CONST"), "ERROR");
        EXPECT_EQ(run("EYE:MEASURE NRZ"), "");
        ASSERT_TRUE(rig.CountOn(3));
        // A source without a colour of its own, given by the program itself, draws its rows too.
        FindSetting<TSignalSourceSwHandler>(shell.CommandTree(), "Eye:Source")->SetSource(ssConst);
        run("EYE:MEASURE OFF");
        EXPECT_EQ(run("EYE:MEASURE NRZ"), "");
        ASSERT_TRUE(rig.CountOn(3));
        run("EYE:MEASURE OFF");
        run("EYE:SOURCE CH1");
        EXPECT_EQ(run("MEAS:F1:YFFTPAR MAGN"), "");
        EXPECT_EQ(run("*UNDO"), "");
        EXPECT_EQ(run("*UNDO REDO"), "");
        // The fundamental's mark reads "F1", highlighted.
        const TParameterOfMeas* fft = measurements.List().Slot(0);
        ASSERT_NE(fft, nullptr);
        EXPECT_EQ(fft->Annotation[3].Text, "F1");
        EXPECT_TRUE(fft->Annotation[3].LabelHighlight);
        EXPECT_EQ(shell.LangStr("F1"), "F1");
        // The eye diagram switched the spectra off.
        run("SPECTR1:DISPLAY ON");
        ASSERT_TRUE(rig.Until([&] { return shell.Display().SignalLayerDrawn(ssS1); }));
        // On the spectrum of Ch1 the mark sits on the fundamental.
        run("MEAS:DISPLAY PARAM");
        EXPECT_EQ(run("MEAS:S1:YFFTPAR MAGN"), "");
        ASSERT_TRUE(rig.CountOn(3));
        const TParameterOfMeas* spectrum = measurements.List().Slot(measurements.List().Count() - 1);
        ASSERT_NE(spectrum, nullptr);
        EXPECT_EQ(spectrum->Annotation[3].Text, "F1");
        QCoreApplication::processEvents();
        test::SaveScreenshot(*test::ShownMainWindow(), "spectrum_measurement_mark.png");
    });
    EXPECT_TRUE(faults.empty()) << [&] {
        std::string all;
        for (const std::string& f : faults) all += f + "\n";
        return all;
    }();
    EXPECT_TRUE(rig.Dialogs.Asked.empty()) << rig.Dialogs.Asked.front();
}

}  // namespace
}  // namespace vt
