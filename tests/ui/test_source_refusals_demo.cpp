// The demo program driven as the automation drives it: every source setting of the analysis features
// refuses the sources it can never use (an error reply, the setting kept) and takes the others; an eye
// measurement asked right after a refused source, an eye on a source without a colour of its own and
// a spectrum measurement (added, undone, redone) all reply without an internal error, while the
// acquisition goes on. The picture of the spectrum measurement goes to
// screenshots/spectrum_measurement_mark.png.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
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
#include "ui/MainBlock.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/VeltraneApplication.h"

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
    test::TScriptedDialogs& dialogs = rig.Dialogs;
    const std::vector<TSourceSettingCase> cases = SourceSettings();
    std::vector<std::string> faults;
    std::string eyeRefused = "none", eyeMeasure = "none", eyeOnConst = "none", fftAdd = "none", fftUndo = "none",
                fftRedo = "none", fftLabel = "none", fftKey = "none", spectr2 = "none",
                spectrumAdd = "none", spectrumLabel = "none";
    bool fftLabelHighlighted = false;
    int countBefore = 0;
    int phase = 0;
    rig.Run(120000, 20, [&] {
        if (!rig.Acquiring()) return;
        TAutomation* automation = rig.Features().Automation().Automation();
        if (!automation) return;
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
        if (phase == 0) {
            run("HEADER OFF");
            for (const TSourceSettingCase& c : cases) {
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
            for (const char* line :
                 {"SPECTR1:SOURCE CH1", "SPECTR1:DISPLAY ON", "SPECTR2:SOURCE CH2", "SPECTR2:DISPLAY ON"})
                run(line);
            spectr2 = run("SPECTR2:SOURCE S1");
            countBefore = rig.Acquisitions();
            phase = 1;
        } else if (phase == 1 && rig.Acquisitions() >= countBefore + 3) {
            eyeRefused = run("EYE:SOURCE CONST");
            eyeMeasure = run("EYE:MEASURE NRZ");
            countBefore = rig.Acquisitions();
            phase = 2;
        } else if (phase == 2 && rig.Acquisitions() >= countBefore + 3) {
            // A source without a colour of its own, given by the program itself, draws its rows too.
            FindSetting<TSignalSourceSwHandler>(shell.CommandTree(), "Eye:Source")->SetSource(ssConst);
            run("EYE:MEASURE OFF");
            eyeOnConst = run("EYE:MEASURE NRZ");
            countBefore = rig.Acquisitions();
            phase = 3;
        } else if (phase == 3 && rig.Acquisitions() >= countBefore + 3) {
            run("EYE:MEASURE OFF");
            run("EYE:SOURCE CH1");
            fftAdd = run("MEAS:F1:YFFTPAR MAGN");
            fftUndo = run("*UNDO");
            fftRedo = run("*UNDO REDO");
            if (const TParameterOfMeas* p = measurements.List().Slot(0)) {
                fftLabel = p->Annotation[3].Text;
                fftLabelHighlighted = p->Annotation[3].LabelHighlight;
            }
            fftKey = shell.LangStr("F1");
            // The eye diagram switched the spectra off.
            run("SPECTR1:DISPLAY ON");
            phase = 4;
        } else if (phase == 4 && shell.Display().SignalLayerDrawn(ssS1)) {
            // On the spectrum of Ch1 the mark sits on the fundamental.
            run("MEAS:DISPLAY PARAM");
            spectrumAdd = run("MEAS:S1:YFFTPAR MAGN");
            countBefore = rig.Acquisitions();
            phase = 5;
        } else if (phase == 5 && rig.Acquisitions() >= countBefore + 3) {
            if (const TParameterOfMeas* p = measurements.List().Slot(measurements.List().Count() - 1))
                spectrumLabel = p->Annotation[3].Text;
            phase = 6;
            QCoreApplication::processEvents();
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* m = dynamic_cast<TMorda_fr*>(w)) {
                    test::SaveScreenshot(*m, "spectrum_measurement_mark.png");
                    m->close();
                }
        }
    });
    // Every phase waited for three acquisitions after its commands: the acquisition went on.
    ASSERT_EQ(phase, 6);
    EXPECT_TRUE(faults.empty()) << [&] {
        std::string all;
        for (const std::string& f : faults) all += f + "\n";
        return all;
    }();
    EXPECT_EQ(spectr2, "ERROR") << "a spectrum of a spectrum is refused";
    EXPECT_EQ(eyeRefused, "ERROR");
    EXPECT_EQ(eyeMeasure, "");
    EXPECT_EQ(eyeOnConst, "");
    EXPECT_EQ(fftAdd, "");
    EXPECT_EQ(fftUndo, "");
    EXPECT_EQ(fftRedo, "");
    // The fundamental's mark reads "F1", highlighted.
    EXPECT_EQ(fftLabel, "F1");
    EXPECT_TRUE(fftLabelHighlighted);
    EXPECT_EQ(fftKey, "F1");
    EXPECT_EQ(spectrumAdd, "");
    EXPECT_EQ(spectrumLabel, "F1");
    EXPECT_TRUE(dialogs.Asked.empty()) << dialogs.Asked.front();
}

}  // namespace
}  // namespace vt
