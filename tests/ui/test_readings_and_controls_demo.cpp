// Readings and controls of the demo program through its command tree, each against what the setting
// is: a check list keeps its items when a command names none of them; another analysis mode switches
// the TDR mode off; a channel's scale and offset reply in volts in the TDR rho and ohm states; a mask
// test run again after it reached its waveform count stops at the count; and with no usable standard
// mask the mask index reads "none" and a choice of it or a test without a mask is refused.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "UiTestSupport.h"
#include "core/CommandTree.h"
#include "core/Shell.h"
#include "link/InstrumentIdentity.h"
#include "link/InstrumentList.h"
#include "ui/MainWindow.h"

namespace vt {
namespace {

namespace fs = std::filesystem;

// The demo program run in this process on a prepared data root. Each step runs once the program
// acquires and the acquisitions counted since the previous step reach its count; the last step's end
// closes the window.
struct TStep {
    int Acquisitions = 0;
    std::function<void()> Act;
};

class TDemoSteps {
public:
    explicit TDemoSteps(test::TRigOptions options, const std::function<void(const fs::path&)>& prepare = {})
        : Rig_(std::move(options)) {
        if (prepare) prepare(Rig_.Home.Path());
    }
    std::string Run(const std::string& line) {
        std::string reply = Rig_.Command(line);
        while (!reply.empty() && (reply.back() == '\n' || reply.back() == '\r' || reply.back() == ' ')) reply.pop_back();
        return reply;
    }
    int Acquisitions() { return Rig_.Acquisitions(); }
    // Runs the steps; false when the program ended before the last one.
    bool RunSteps(std::vector<TStep> steps) {
        std::size_t next = 0;
        int since = -1;
        Rig_.Run(120000, 20, [&] {
            if (next >= steps.size() || !Rig_.Shell.AcqEnabled || !Rig_.Shell.RunOn) return;
            if (since < 0) since = Acquisitions();
            if (Acquisitions() < since + steps[next].Acquisitions) return;
            Run("HEADER OFF");
            steps[next].Act();
            since = Acquisitions();
            if (++next == steps.size()) test::CloseMainWindows();
        });
        Asked = Rig_.Dialogs.Asked;
        return next == steps.size();
    }

    std::vector<std::string> Asked;

private:
    test::TProgramRig Rig_;
};

TEST(ReadingsAndControlsDemo, ListsModesScalesAndRepeatedMaskRunsShowAndChangeWhatTheySay) {
    TDemoSteps demo({.DemoOptions = 0xFF & ~(optGenerators | optTDT)});
    std::map<std::string, std::string> got;
    const auto run = [&demo](const std::string& line) { return demo.Run(line); };
    const auto maskRun = [&](const std::string& name) {
        return TStep{1, [&, name] { got[name + " test on"] = run("MASK:TEST ON"); }};
    };
    // Waits for the run's end (the test off) by acquisitions as well, then reads the count.
    const auto maskCount = [&](const std::string& name) {
        return TStep{25, [&, name] {
                         got[name + " test"] = run("MASK:TEST?");
                         got[name + " count"] = run("MASK:RES? ALLWFM");
                     }};
    };
    std::vector<TStep> steps = {
        {3,
         [&] {
             // Check lists: an unknown item with its state, an item of the other axis, an unknown
             // name alone: each leaves the list, its statistics and limits; a list with a known item
             // takes exactly the known ones.
             for (const char* line : {"MEAS:DISPLAY STATISTIC", "MEAS:CH2:XPARAM POSDUTY ON", "MEAS:CH2:XPARAM PERIOD ON",
                                      "LIMIT1:ACTIV ON", "EYE:XNRZPARAM BITRATE,EYEWIDTH"})
                 run(line);
             got["list"] = run("MEAS:RES? LIST");
             got["limit"] = run("LIMIT1:ACTIV?");
             got["eye"] = run("EYE:XNRZPARAM?");
             for (const char* line : {"MEAS:CH2:XPARAM NEGOVER ON", "MEAS:CH2:XPARAM FOO", "MEAS:CH2:XPARAM FOO ON",
                                      "EYE:XNRZPARAM FOO ON", "EYE:XNRZPARAM FOO"})
                 got[std::string("reply ") + line] = run(line);
             got["list after"] = run("MEAS:RES? LIST");
             got["limit after"] = run("LIMIT1:ACTIV?");
             got["eye after"] = run("EYE:XNRZPARAM?");
             got["item query"] = run("MEAS:CH2:XPARAM? FOO");
             run("EYE:XNRZPARAM JITTERPP,FOO");
             got["eye known"] = run("EYE:XNRZPARAM?");
             run("MEAS:DISPLAY OFF");
         }},
        {1,
         [&] {
             // Another exclusive mode switches the TDR mode off with its measurements.
             for (const char* line : {"TDR:MODE TDR", "TDR:MEASURE ON", "EYE:MEASURE NRZ"}) run(line);
             got["tdr measure"] = run("TDR:MEASURE?");
             got["tdr mode"] = run("TDR:MODE?");
             run("EYE:MEASURE OFF");
         }},
        {1,
         [&] {
             // The scale and offset in volts, as the channel replies them outside the TDR mode.
             run("CH1:SCALE 0.1");
             run("CH1:OFFSET 0");
             got["volt scale"] = run("CH1:SCALE?");
             got["volt offset"] = run("CH1:OFFSET?");
             for (const char* line : {"TDR:MODE TDR", "GSS:CH1 A", "GSS:A:WAWEFORM TDR", "TDR:CH1:DESTINATION G1",
                                      "TDR:CH1:VERTSCALE RHO"})
                 run(line);
             got["rho scale"] = run("CH1:SCALE?");
             got["rho offset"] = run("CH1:OFFSET?");
             got["rho shown"] = run("CH1:RHOSCALE?");
             run("TDR:CH1:VERTSCALE OHM");
             got["ohm scale"] = run("CH1:SCALE?");
             got["ohm offset"] = run("CH1:OFFSET?");
             for (const char* line : {"TDR:CH1:DESTINATION OFF", "TDR:MODE OFF"}) run(line);
         }},
        {3,
         [&] {
             for (const char* line : {"CH1:SCALE 0.2", "AUTOMASK:SOURCE CH1", "AUTOMASK:BUILDAMASK",
                                      "MASK:RUNUNTIL WFMS", "MASK:NWFMS 5"})
                 run(line);
         }},
        maskRun("first"),  maskCount("first"), maskRun("second"),
        maskCount("second"), maskRun("third"), maskCount("third"),
    };
    ASSERT_TRUE(demo.RunSteps(std::move(steps)));

    // The lists as set: two slots for Ch2 (positive duty cycle and period), the eye's two items.
    EXPECT_NE(got["list"].find("\r\n2  "), std::string::npos) << got["list"];
    EXPECT_EQ(got["list"].find("\r\n3  "), std::string::npos) << got["list"];
    EXPECT_EQ(got["limit"], "ON");
    EXPECT_EQ(got["eye"], "BITRATE,EYEWIDTH");
    for (const char* line : {"MEAS:CH2:XPARAM NEGOVER ON", "MEAS:CH2:XPARAM FOO", "MEAS:CH2:XPARAM FOO ON",
                             "EYE:XNRZPARAM FOO ON", "EYE:XNRZPARAM FOO"})
        EXPECT_EQ(got[std::string("reply ") + line], "") << line;
    EXPECT_EQ(got["list after"], got["list"]);
    EXPECT_EQ(got["limit after"], "ON");
    EXPECT_EQ(got["eye after"], got["eye"]);
    EXPECT_EQ(got["item query"], "PERIOD,POSDUTY") << "an unknown item's query replies the list";
    EXPECT_EQ(got["eye known"], "JITTERPP");

    EXPECT_EQ(got["tdr measure"], "OFF");
    EXPECT_EQ(got["tdr mode"], "OFF");

    // 0.1 V a division and 0 V, whatever unit the TDR state shows; the rho scale keeps its own 0.5.
    EXPECT_NE(got["volt scale"].find("V/div"), std::string::npos) << got["volt scale"];
    EXPECT_EQ(got["rho scale"], got["volt scale"]);
    EXPECT_EQ(got["ohm scale"], got["volt scale"]);
    EXPECT_EQ(got["rho offset"], got["volt offset"]);
    EXPECT_EQ(got["ohm offset"], got["volt offset"]);
    EXPECT_NE(got["rho shown"].find("Rho"), std::string::npos) << got["rho shown"];

    // Five waveforms each time: a run switched on again at its count stops there.
    for (const char* name : {"first", "second", "third"}) {
        EXPECT_EQ(got[std::string(name) + " test on"], "") << name;
        EXPECT_EQ(got[std::string(name) + " test"], "OFF") << name;
        EXPECT_EQ(got[std::string(name) + " count"], "5") << name;
    }
    EXPECT_TRUE(demo.Asked.empty()) << demo.Asked.front();
}

// A standards folder whose only standard holds a mask without a bit rate: the start-up skips it.
void WithoutUsableStandardMasks(const fs::path& root) {
    const fs::path standards = root / "Masks" / "Standard";
    fs::create_directories(standards / "SONET SDH");
    std::ofstream(standards / "StandardMasks.ini") << "[RANGE]\n1=SONET SDH\n";
    std::ofstream(standards / "SONET SDH" / "a.msk") << "[COMMON]\nSignature=Standard Mask\nMask Name=No rate\nType of Mask=Eye\n";
}

TEST(ReadingsAndControlsDemo, WithoutAUsableStandardMaskNoneIsChosenAndNoneCanBe) {
    TDemoSteps demo({}, WithoutUsableStandardMasks);
    // In order: a refused value replies "ERROR"; a query that carries one answers the value as it
    // stands and changes nothing.
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"STDMASK:MASKINDEX?", "-1"},  {"STDMASK:MASKINDEX 0", "ERROR"}, {"STDMASK:MASKINDEX?", "-1"},
        {"STDMASK:MASKINDEX? 0", "-1"}, {"STDMASK:MASKINDEX?", "-1"},     {"STDMASK:MASKINDEX -1", ""},
        {"MASK:TEST ON", "ERROR"},      {"MASK:TEST?", "OFF"},            {"MASK:TEST? ON", "OFF"},
        {"MASK:TEST?", "OFF"},
    };
    std::vector<std::string> got;
    int before = 0, after = 0;
    ASSERT_TRUE(demo.RunSteps({
        {3,
         [&] {
             for (const auto& row : rows) got.push_back(demo.Run(row.first));
             before = demo.Acquisitions();
         }},
        {3, [&] { after = demo.Acquisitions(); }},
    }));
    ASSERT_EQ(got.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(got[i], rows[i].second) << rows[i].first;
    EXPECT_GE(after, before + 3) << "the acquisition goes on";
}

}  // namespace
}  // namespace vt
