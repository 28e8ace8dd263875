// The demo program driven over its automation port as a script drives it: a reply of many lines
// keeps its entries apart on its one line, the file names a client gives land in the data root, never
// in the working folder the program was started in, and a save replies once its file is written.
#include <gtest/gtest.h>

#include <QThread>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
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
    // Connected, headers off, and acquiring.
    bool Acquiring() { return Connected_ && Ask("HEADER OFF").empty() && Ask("*RUN?") == "ON"; }

private:
    bool Connected_ = false;
};

std::vector<std::string> SplitAtTabs(const std::string& reply) { return test::SplitAt(reply, '\t'); }

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
    EXPECT_EQ(demo.Ask("SAVE:SETUP:SAVE"), "");
    EXPECT_TRUE(fs::exists(root / "Setup Files" / "dir" / "x.set"));
    // A user mask to save: the first standard mask (the index starts at 0, so it moves there).
    ASSERT_EQ(demo.Ask("STDMASK:MASKINDEX -1"), "");
    ASSERT_EQ(demo.Ask("STDMASK:MASKINDEX 0"), "");
    lands("MASK:MASKFILE", "dir/x", " " + (root / "Masks" / "User" / "dir" / "x.pcm").string());
    EXPECT_EQ(demo.Ask("MASK:SAVEUSER"), "");
    EXPECT_TRUE(fs::exists(root / "Masks" / "User" / "dir" / "x.pcm"));
    EXPECT_EQ(demo.Ask("MASK:LOADUSER"), "") << "the saved mask loads again without a message";
    // The same relative name is the same file however often a script sends it.
    for (int run = 0; run < 2; ++run)
        lands("MASK:FILENAME", "sub/x", (root / "Waveforms" / "Mask Test Files" / "sub" / "x.wfm").string());
    lands("LIMIT:FILENAME", "dir/y", (root / "Waveforms" / "Limit Test Files" / "dir" / "y.wfm").string());
    lands("SAVE:DISK:FILENAME", "dir/w", (root / "Waveforms" / "Waveform Files" / "dir" / "w.wfm").string());
    lands("ACQ:FILENAME", "dir/a", (root / "Waveforms" / "Waveform Files" / "dir" / "a*.wfm").string());
    lands("ACQ:FILENAME", "dir/a", (root / "Waveforms" / "Waveform Files" / "dir" / "a*.wfm").string());
    // ".." may climb inside the data root.
    lands("LIMIT:FILENAME", "../y", (root / "Waveforms" / "y.wfm").string());

    // A name without a base name, or one whose ".." leaves the data root, is refused and the name stays
    // as it was.
    const std::vector<std::string> settings{"SAVE:SETUP:FILENAME", "MASK:MASKFILE", "MASK:FILENAME",
                                            "LIMIT:FILENAME",      "SAVE:DISK:FILENAME", "ACQ:FILENAME"};
    for (const std::string& setting : settings) {
        const std::string before = demo.Ask(setting + "?");
        for (const char* name : {"/", ".", "..", "dir/", "dir/..", "../../../dd1", "dir/../../../../dd2"}) {
            EXPECT_EQ(demo.Ask(setting + " " + name), "ERROR") << setting << " " << name;
            EXPECT_EQ(demo.Ask(setting + "?"), before) << setting << " " << name;
        }
    }
    EXPECT_EQ(demo.Ask("SAVE:SETUP:SAVE"), "");
    EXPECT_FALSE(fs::exists(root / "Setup Files" / "dir" / ".set"));
    EXPECT_TRUE(fs::is_empty(demo.WorkingFolder())) << "nothing lands in the working folder";
    EXPECT_FALSE(fs::exists(root.parent_path() / "dd1.set"));
}

// How often text stands in the log.
std::size_t Occurrences(const std::string& log, const std::string& text) {
    std::size_t n = 0;
    for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
    return n;
}

TEST(ScriptedReplies, ASaveRepliesOnceWrittenUnderItsNameIntoAFolderMadeForItAndAFailingCauseIsSaidOnce) {
    TDemoOnItsPort demo;
    ASSERT_TRUE(demo.Acquiring());
    const fs::path root = demo.Root();
    const fs::path waveforms = root / "Waveforms" / "Waveform Files";

    // While the demo runs, each save is written by its reply, under the name sent just before it.
    for (int n = 0; n < 20; ++n) {
        const std::string name = "n" + std::to_string(n);
        ASSERT_EQ(demo.Ask("SAVE:DISK:FILENAME " + name), "");
        ASSERT_EQ(demo.Ask("SAVE:DISK:SAVE"), "");
        EXPECT_TRUE(fs::exists(waveforms / (name + ".wfm"))) << name;
    }
    ASSERT_EQ(demo.Ask("SAVE:DISK:FILENAME p1"), "");
    ASSERT_EQ(demo.Ask("SAVE:DISK:SAVE"), "");
    ASSERT_EQ(demo.Ask("SAVE:DISK:FILENAME p2"), "");
    EXPECT_TRUE(fs::exists(waveforms / "p1.wfm"));
    EXPECT_FALSE(fs::exists(waveforms / "p2.wfm")) << "a name sent after a save renames nothing";
    // A save that fails replies ERROR, with the name it was asked for in the log.
    ASSERT_EQ(demo.Ask("SAVE:DISK:FILENAME /proc/self/nope"), "");
    EXPECT_EQ(demo.Ask("SAVE:DISK:SAVE"), "ERROR");
    EXPECT_NE(demo.ErrorLog().find("Write Error to file \"/proc/self/nope.wfm\""), std::string::npos)
        << demo.ErrorLog();

    // Every setting's missing folder below the data root is made when its file is written.
    for (const char* line : {"SAVE:DISK:FILENAME newsub/w", "SAVE:DISK:SAVE", "SAVE:SETUP:FILENAME newsub/s",
                             "SAVE:SETUP:SAVE", "STDMASK:MASKINDEX -1", "STDMASK:MASKINDEX 0",
                             "MASK:MASKFILE newsub/u", "MASK:SAVEUSER"})
        EXPECT_EQ(demo.Ask(line), "") << line;
    EXPECT_TRUE(fs::exists(waveforms / "newsub" / "w.wfm"));
    EXPECT_TRUE(fs::exists(root / "Setup Files" / "newsub" / "s.set"));
    EXPECT_TRUE(fs::exists(root / "Masks" / "User" / "newsub" / "u.pcm"));

    // A failing mask test saving where a file stands in the way of its folder: the action stays Save and
    // the error is said once over the failed waveforms; once the way is free, the next failure is saved.
    const fs::path masks = root / "Waveforms" / "Mask Test Files";
    std::ofstream(masks / "blocked") << "in the way";
    for (const char* line : {"MASK:FILENAME blocked/m", "MASK:ACTION SAVE", "MASK:TEST ON"})
        ASSERT_EQ(demo.Ask(line), "") << line;
    const auto failedAtLeast = [&](int n) {
        return std::stoi(demo.AskUntil("MASK:RES? FAILWFM", [&](const std::string& r) { return std::stoi(r) >= n; }));
    };
    const int first = failedAtLeast(1);
    EXPECT_GE(failedAtLeast(first + 3), first + 3) << "the demo's waveforms fail the mask";
    EXPECT_EQ(demo.Ask("MASK:ACTION?"), "SAVE");
    const std::string blocked = "Write Error to file \"" + (masks / "blocked" / "m.wfm").string() + "\"";
    EXPECT_EQ(Occurrences(demo.ErrorLog(), blocked), 1u) << demo.ErrorLog();
    fs::remove(masks / "blocked");
    const int freed = failedAtLeast(0);
    EXPECT_GE(failedAtLeast(freed + 2), freed + 2);
    EXPECT_TRUE(fs::exists(masks / "blocked" / "m.wfm")) << "saved again once writing works";
    EXPECT_EQ(demo.Ask("MASK:TEST OFF"), "");
    // After that save the same cause is news again: blocked anew under the same name given again, it
    // is said a second time, and once.
    fs::remove_all(masks / "blocked");
    std::ofstream(masks / "blocked") << "in the way";
    for (const char* line : {"MASK:FILENAME blocked/m", "MASK:TEST ON"}) ASSERT_EQ(demo.Ask(line), "") << line;
    const int reblocked = failedAtLeast(0);
    EXPECT_GE(failedAtLeast(reblocked + 3), reblocked + 3);
    EXPECT_EQ(Occurrences(demo.ErrorLog(), blocked), 2u) << demo.ErrorLog();
    EXPECT_EQ(demo.Ask("MASK:TEST OFF"), "");

    // A limit name of an old setup: "\" separates its folders, and the folder is made for the file.
    for (const char* line : {"MEAS:CH1:YPARAM PP ON", "LIMIT1:ACTIV ON", "LIMIT1:FAILWHEN ALWAYS",
                             "LIMIT:FILENAME back\\slash", "LIMIT:ACTION SAVE", "LIMIT:TESTON ON"})
        ASSERT_EQ(demo.Ask(line), "") << line;
    const fs::path limits = root / "Waveforms" / "Limit Test Files" / "back";
    demo.AskUntil("LIMIT:FILENAME?", [&](const std::string&) { return fs::exists(limits / "slash.wfm"); });
    EXPECT_TRUE(fs::exists(limits / "slash.wfm"));
    EXPECT_EQ(demo.Ask("LIMIT:TESTON OFF"), "");

    // A setup naming a database that is missing says so once.
    std::ofstream(root / "Setup Files" / "db.set")
        << "NOGPIB:DATABASE " << (root / "Database" / "missing.cgs").string() << "\n";
    ASSERT_EQ(demo.Ask("SAVE:SETUP:FILENAME db"), "");
    EXPECT_EQ(demo.Ask("SAVE:SETUP:RECALL"), "Database File is Damaged");
    EXPECT_EQ(demo.Ask("*RUN?"), "ON") << "every line answered, the program acquires on";
}

TEST(ScriptedReplies, ADatabaseSaveRepliesWhatItDidAndNoFailedOneHoldsUpTheLaterRuns) {
    TDemoOnItsPort demo;
    ASSERT_TRUE(demo.Acquiring());
    const fs::path root = demo.Root();
    const auto filesIn = [](const fs::path& folder) {
        std::size_t n = 0;
        for (const auto& entry : fs::directory_iterator(folder)) n += entry.is_regular_file();
        return n;
    };

    // Names that fit the folder (255 bytes) are written whole, however long.
    const std::string setupName(246, 's');
    const std::string waveformName(246, 'w');
    for (const std::string& line : std::vector<std::string>{"SAVE:SETUP:FILENAME " + setupName, "SAVE:SETUP:SAVE",
                                    "SAVE:DISK:FILENAME " + waveformName, "SAVE:DISK:SAVE"})
        EXPECT_EQ(demo.Ask(line), "") << line.substr(0, 30);
    EXPECT_TRUE(fs::exists(root / "Setup Files" / (setupName + ".set")));
    EXPECT_TRUE(fs::exists(root / "Waveforms" / "Waveform Files" / (waveformName + ".wfm")));

    // The name given while the type was another is the database's, in the database folder.
    ASSERT_EQ(demo.Ask("SAVE:DISK:FILENAME keepme"), "");
    ASSERT_EQ(demo.Ask("SAVE:DISK:FILETYPE DB"), "");
    EXPECT_EQ(demo.Ask("SAVE:DISK:FILENAME?"), (root / "Database" / "keepme.cgs").generic_string());
    EXPECT_EQ(demo.Ask("SAVE:DISK:SAVE"), "");
    EXPECT_TRUE(fs::exists(root / "Database" / "keepme.cgs"));

    // A database that cannot be written replies ERROR, its cause in the log.
    std::ofstream(root / "Database" / "blocked") << "in the way";
    const std::string tooLong(300, 'd');
    for (const std::string& name : std::vector<std::string>{"/proc/self/nope/db", tooLong, "blocked/db"}) {
        ASSERT_EQ(demo.Ask("SAVE:DISK:FILENAME " + name), "");
        EXPECT_EQ(demo.Ask("SAVE:DISK:SAVE"), "ERROR") << name.substr(0, 30);
        const std::string path = demo.Ask("SAVE:DISK:FILENAME?");
        EXPECT_NE(demo.ErrorLog().find("Write Error to file \"" + path + "\": "), std::string::npos)
            << path.substr(0, 60) << "\n" << demo.ErrorLog().substr(0, 2000);
    }

    // Each limit-test run after them saves its failures and stops at its count.
    for (const char* line : {"MEAS:CH1:YPARAM PP ON", "LIMIT1:ACTIV ON", "LIMIT1:FAILWHEN ALWAYS", "LIMIT:ACTION SAVE",
                             "LIMIT:RUNUNTIL WFM", "LIMIT:NWFMS 3"})
        ASSERT_EQ(demo.Ask(line), "") << line;
    const fs::path limits = root / "Waveforms" / "Limit Test Files";
    for (std::size_t run = 1; run <= 2; ++run) {
        for (const char* line : {"*CLRDISPL", "LIMIT:TESTON ON", "*RUN"}) ASSERT_EQ(demo.Ask(line), "") << line;
        EXPECT_EQ(demo.AskUntil("*RUN?", [](const std::string& r) { return r == "OFF"; }), "OFF") << run;
        EXPECT_EQ(demo.Ask("LIMIT:TESTON?"), "OFF") << run;
        EXPECT_EQ(filesIn(limits), 3 * run) << run;
    }
    EXPECT_TRUE(fs::exists(root / "Database" / "keepme.cgs"));
}

TEST(ScriptedReplies, AFailedLoadRecallOrRunRepliesErrorAndSetupFilesRunEveryLineTheyHold) {
    TDemoOnItsPort demo;
    ASSERT_TRUE(demo.Acquiring());
    const fs::path root = demo.Root();
    const fs::path waveforms = root / "Waveforms" / "Waveform Files";
    ASSERT_EQ(demo.Ask("SAVE:DISK:SOURCE CH1;:SAVE:DISK:FILEFORMAT BINARY;:SAVE:DISK:FILENAME good"), "");
    ASSERT_EQ(demo.Ask("SAVE:DISK:SAVE"), "");
    std::ifstream in(waveforms / "good.wfm", std::ios::binary);
    const std::string sound((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(sound.size(), 1000u);

    // A waveform file missing, empty, cut short or of another kind: "ERROR", the cause in the log.
    const std::vector<std::pair<std::string, std::optional<std::string>>> files{
        {"missing", std::nullopt}, {"empty", ""}, {"truncated", sound.substr(0, sound.size() - 100)},
        {"text", "not a waveform\n"}};
    for (const auto& [name, bytes] : files) {
        if (bytes) std::ofstream(waveforms / (name + ".wfm"), std::ios::binary) << *bytes;
        ASSERT_EQ(demo.Ask("SAVE:DISK:FILENAME " + name), "");
        EXPECT_EQ(demo.Ask("SAVE:DISK:LOAD"), "ERROR") << name;
        const std::string cause = "File \"" + (waveforms / (name + ".wfm")).string() + "\" damaged!";
        EXPECT_NE(demo.ErrorLog().find(cause), std::string::npos) << name;
    }
    ASSERT_EQ(demo.Ask("SAVE:DISK:FILENAME good"), "");
    EXPECT_EQ(demo.Ask("SAVE:DISK:LOAD"), "");
    // A database and a setup alike.
    for (const char* line : {"SAVE:DISK:FILETYPE DB", "SAVE:DISK:FILENAME missing", "SAVE:SETUP:FILENAME missing"})
        ASSERT_EQ(demo.Ask(line), "") << line;
    EXPECT_EQ(demo.Ask("SAVE:DISK:LOAD"), "ERROR");
    EXPECT_NE(demo.ErrorLog().find("Database File is Damaged"), std::string::npos);
    EXPECT_EQ(demo.Ask("SAVE:SETUP:RECALL"), "ERROR");
    EXPECT_NE(demo.ErrorLog().find("ERROR Opening File " + (root / "Setup Files" / "missing.set").string()),
              std::string::npos);

    // A channel switched off is a source that is off; an autoscale with none shown starts nothing.
    for (const char* line : {"SAVE:DISK:FILETYPE WFM", "SAVE:MEMO:ON NONE", "CH2:DISPLAY OFF"})
        ASSERT_EQ(demo.Ask(line), "") << line;
    EXPECT_EQ(demo.Ask("SAVE:MEMO:SOURCE CH2;:SAVE:MEMO:TOMEMO M3;:SAVE:MEMO:SAVE"), "ERROR");
    EXPECT_EQ(demo.Ask("SAVE:MEMO:ON?").find("M3"), std::string::npos);
    ASSERT_EQ(demo.Ask("CH1:DISPLAY OFF"), "");
    EXPECT_EQ(demo.Ask("*AUTOSCALE"), "ERROR");
    ASSERT_EQ(demo.Ask("CH1:DISPLAY ON"), "");

    // The automatic saves' name is kept in a setup file, and a file's last line runs without its end.
    for (const char* line : {"ACQ:FILENAME shots", "SAVE:SETUP:FILENAME all", "SAVE:SETUP:SAVE", "ACQ:FILENAME other",
                             "TB:SCALEA 1E-8"})
        ASSERT_EQ(demo.Ask(line), "") << line;
    const std::string before = demo.Ask("TB:SCALEA?");
    EXPECT_EQ(demo.Ask("SAVE:SETUP:RECALL"), "");
    EXPECT_EQ(demo.Ask("ACQ:FILENAME?"), (waveforms / "shots*.wfm").string());
    std::ofstream(root / "Setup Files" / "hand.set", std::ios::binary) << "TB:SCALEA 1E-9";
    for (const char* line : {"TB:SCALEA 1E-8", "SAVE:SETUP:FILENAME hand", "SAVE:SETUP:RECALL"})
        EXPECT_EQ(demo.Ask(line), "") << line;
    const std::string recalled = demo.Ask("TB:SCALEA?");
    EXPECT_NE(recalled, before);
    ASSERT_EQ(demo.Ask("TB:SCALEA 1E-9"), "");
    EXPECT_EQ(demo.Ask("TB:SCALEA?"), recalled);
}

}  // namespace
}  // namespace vt
