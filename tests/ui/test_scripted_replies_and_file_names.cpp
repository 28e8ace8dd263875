// The demo program driven over its automation port as a script drives it: a reply of many lines
// keeps its entries apart on its one line, and the file names a client gives land in the data root,
// never in the working folder the program was started in.
#include <gtest/gtest.h>

#include <QThread>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "ProgramProcess.h"
#include "UiTestSupport.h"

namespace vt {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The demo program as its own process, with its own data root and a working folder of its own,
// connected.
class TDemoOnItsPort : public test::TProgramProcess {
public:
    TDemoOnItsPort() : TProgramProcess("Default_Demo", {}, true) { Connected_ = Started() && ConnectAtOnce(); }
    bool Connected() const { return Connected_; }

private:
    bool Connected_ = false;
};

std::vector<std::string> SplitAtTabs(const std::string& reply) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t tab; (tab = reply.find('\t', start)) != std::string::npos; start = tab + 1)
        parts.push_back(reply.substr(start, tab - start));
    parts.push_back(reply.substr(start));
    return parts;
}

TEST(ScriptedReplies, AListReplyIsOneLineWithItsEntriesApartAndNamesLandInTheDataRoot) {
    TDemoOnItsPort demo;
    ASSERT_TRUE(demo.Connected());
    ASSERT_EQ(demo.Ask("HEADER OFF"), "");

    // The measurement list: the dual entries end in a channel name and the next begins with a digit.
    for (const char* line : {"MEAS:CLEARALL", "MEAS:CH1:YPARAM MIN ON", "MEAS:CH1:YPARAM PP ON",
                             "MEAS:CH1:YDUALPAR GAIN ON", "MEAS:CH1:XDUALPAR DEL1R1R ON"})
        ASSERT_EQ(demo.Ask(line), "") << line;
    const std::string list = demo.Ask("MEAS:RES? LIST");
    EXPECT_EQ(SplitAtTabs(list), (std::vector<std::string>{"1  Minimum (Ch1)", "2  Peak-Peak (Ch1)",
                                                           "3  Gain  Ch1 / Ch2", "4  Delay 1R-1R  Ch2-Ch1"}))
        << list;
    // The eye's list likewise, and the next reply is still the next request's.
    for (const char* line : {"EYE:MEASURE NRZ", "EYE:XNRZPARAM BITRATE,EYEWIDTH", "EYE:YNRZPARAM EYEHEIGHT"})
        ASSERT_EQ(demo.Ask(line), "") << line;
    const std::string eye = demo.Ask("EYE:RES? LIST");
    EXPECT_EQ(SplitAtTabs(eye), (std::vector<std::string>{"1  Bit Rate (Ch1)", "2  Eye Width (Ch1)", "3  Eye Height (Ch1)"}))
        << eye;
    EXPECT_EQ(demo.Ask("HEADER?"), "OFF");

    // File names: a relative folder lands below the feature's folder in the data root.
    const fs::path root = demo.Root();
    // (The setup and user-mask names reply after a blank.)
    const auto lands = [&](const std::string& setting, const std::string& name, const std::string& expected) {
        EXPECT_EQ(demo.Ask(setting + " " + name), "") << setting;
        EXPECT_EQ(demo.Ask(setting + "?"), expected) << setting;
    };
    lands("SAVE:SETUP:FILENAME", "dir/x", " " + (root / "Setup Files" / "dir" / "x.set").string());
    fs::create_directories(root / "Setup Files" / "dir");  // a setup is saved into a folder that exists
    EXPECT_EQ(demo.Ask("SAVE:SETUP:SAVE"), "");
    EXPECT_TRUE(fs::exists(root / "Setup Files" / "dir" / "x.set"));
    // A user mask to save: the first standard mask (the index starts at 0, so it moves there).
    ASSERT_EQ(demo.Ask("STDMASK:MASKINDEX -1"), "");
    ASSERT_EQ(demo.Ask("STDMASK:MASKINDEX 0"), "");
    lands("MASK:MASKFILE", "dir/x", " " + (root / "Masks" / "User" / "dir" / "x.pcm").string());
    EXPECT_EQ(demo.Ask("MASK:SAVEUSER"), "");
    EXPECT_TRUE(fs::exists(root / "Masks" / "User" / "dir" / "x.pcm"));
    EXPECT_EQ(demo.Ask("MASK:LOADUSER"), "") << "the saved mask loads again without a message";
    lands("MASK:FILENAME", "../x", (root / "Waveforms" / "x.wfm").string());
    lands("LIMIT:FILENAME", "dir/y", (root / "Waveforms" / "Limit Test Files" / "dir" / "y.wfm").string());
    lands("SAVE:DISK:FILENAME", "dir/w", (root / "Waveforms" / "Waveform Files" / "dir" / "w.wfm").string());
    lands("ACQ:FILENAME", "dir/a", (root / "Waveforms" / "Waveform Files" / "dir" / "a*.wfm").string());

    // A name without a base name is refused and the name stays as it was.
    const std::vector<std::string> settings{"SAVE:SETUP:FILENAME", "MASK:MASKFILE", "MASK:FILENAME",
                                            "LIMIT:FILENAME",      "SAVE:DISK:FILENAME", "ACQ:FILENAME"};
    for (const std::string& setting : settings) {
        const std::string before = demo.Ask(setting + "?");
        for (const char* name : {"/", ".", "..", "dir/", "dir/.."}) {
            EXPECT_EQ(demo.Ask(setting + " " + name), "ERROR") << setting << " " << name;
            EXPECT_EQ(demo.Ask(setting + "?"), before) << setting << " " << name;
        }
    }
    EXPECT_EQ(demo.Ask("SAVE:SETUP:SAVE"), "");
    EXPECT_FALSE(fs::exists(root / "Setup Files" / "dir" / ".set"));
    EXPECT_TRUE(fs::is_empty(demo.WorkingFolder())) << "nothing lands in the working folder";
}

}  // namespace
}  // namespace vt
