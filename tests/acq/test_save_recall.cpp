#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "acq/AcqTestSupport.h"
#include "acq/MainCommands.h"
#include "acq/SaveRecall.h"
#include "acq/WaveformDatabase.h"
#include "acq/WaveformSaves.h"
#include "core/TextFiles.h"
#include "core/UndoBuffer.h"
#include "core/temp_folder.h"

using namespace vt;
namespace fs = std::filesystem;

namespace {

struct TUserScript : test::TUserLog {
    std::vector<std::string> Messages;
    void ShowMessage(const std::string& text) override { Messages.push_back(text); }
};

struct THintLog : TDisplayServices {
    std::vector<std::string> Hints;
    void PushHint(const std::string& text, int) override { Hints.push_back(text); }
    void SetDatabase(const std::string& path) override { Shown = path.empty() ? "NONEDATABASEATTHESCREEN" : path; }
    std::string GetSourceName() const override { return Shown; }
    std::string Shown = "NONEDATABASEATTHESCREEN";
};

struct TSetupSteps : TMainCommandSteps {
    TShell& Shell;
    explicit TSetupSteps(TShell& shell) : Shell(shell) {}
    void RecallSetup(int kind, bool show) override { vt::RecallSetup(Shell, kind, show); }
    bool SaveSetup(int kind, bool show) override { return vt::SaveSetup(Shell, kind, show); }
};

struct SaveRecall : ::testing::Test {
    SaveRecall() : Steps(C.Shell) {
        C.Shell.Folders = InitInstallFolders(Root.Path());
        C.Shell.StartInstrumentName = "Default Demo";
        auto user = std::make_unique<TUserScript>();
        User = user.get();
        C.Shell.SetUserServices(std::move(user));
        auto display = std::make_unique<THintLog>();
        Display = display.get();
        C.Shell.SetDisplayServices(std::move(display));
        Feature.FillRows(C.Shell);
        Feature.AttachToProgram(C.Shell);
        C.Register();
        RegisterMainCommands(C.Shell, Window, Steps);
        C.Shell.SetUndoBuffer(std::make_unique<TUndoBuffer>());
        C.Shell.UndoBuffer()->SetEnabled(true);
        C.Cmd("Header OFF");
    }
    TSaveRecall& State() { return *C.Shell.SaveRecall(); }
    std::vector<std::string> Settings() {
        std::vector<std::string> list;
        C.Tree().Root().SaveAllSettings(list);
        return list;
    }
    static void Write(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
    void RunHousekeeping() { C.Shell.IdleHousekeeping.Run(C.Shell); }

    test::TempFolder Root;
    test::TAcqContext C;
    TSaveRecallFeature Feature;
    TMainCommandWindow Window;
    TSetupSteps Steps;
    TUserScript* User = nullptr;
    THintLog* Display = nullptr;
};

}  // namespace

TEST_F(SaveRecall, SetupFileCommandsRoundTripEverySettingAndOneUndoUndoesTheRecall) {
    EXPECT_EQ(C.Cmd("Save:Setup:Recall"), "ERROR") << "no setup name yet";
    C.Cmd("Save:Setup:FileName abc");
    const std::string path = C.Shell.Folders.SetupFilesFolder + "abc.set";
    EXPECT_EQ(C.Cmd("Save:Setup:FileName?"), " " + path);

    C.Cmd("Save:Disk:FileFormat Verbose;:Save:Memo:ToMemo M3;:Acq:FileName shots");
    const std::vector<std::string> saved = Settings();
    EXPECT_EQ(C.Cmd("Save:Setup:Save"), "");
    ASSERT_TRUE(fs::exists(path));
    const std::string bytes = ReadFileBytes(path);

    C.Cmd("Save:Disk:FileFormat YOnly;:Save:Memo:ToMemo M1;:Acq:FileName other");
    const std::vector<std::string> changed = Settings();
    ASSERT_NE(changed, saved);
    EXPECT_EQ(C.Cmd("Save:Setup:Recall"), "");
    EXPECT_EQ(Settings(), saved);
    // The automatic saves' name is a setting of the file too.
    EXPECT_EQ(C.Cmd("Acq:FileName?"), C.Shell.Folders.WaveformFilesFolder + "shots*.wfm");

    UndoRedoSettings(C.Shell, Steps, false, false);
    EXPECT_EQ(Settings(), changed) << "one undo step holds the whole recall";

    // A folder part that is not absolute lies below the setup folder, made when the file is written;
    // the same name again is the same file.
    for (int run = 0; run < 2; ++run) {
        C.Cmd("Save:Setup:FileName sub/x.txt");
        EXPECT_EQ(C.Cmd("Save:Setup:FileName?"), " " + C.Shell.Folders.SetupFilesFolder + "sub/x.set");
    }
    EXPECT_EQ(C.Cmd("Save:Setup:Save"), "");
    EXPECT_TRUE(fs::exists(C.Shell.Folders.SetupFilesFolder + "sub/x.set"));
    // A folder that cannot be made: a file stands in its way.
    std::ofstream(C.Shell.Folders.SetupFilesFolder + "file") << "in the way";
    C.Cmd("Save:Setup:FileName file/y");
    EXPECT_EQ(C.Cmd("Save:Setup:Save"), "ERROR");
    EXPECT_TRUE(User->Messages.empty()) << "commands of the setup file never show messages";
}

TEST_F(SaveRecall, SetupKindsAndTheDefaultSetupCommand) {
    EXPECT_EQ(PowerOffSetupFileName(C.Shell), C.Shell.Folders.SetupFilesFolder + "~SetpPwrOffForDefaultDemo.set");
    const std::vector<std::string> factory = Settings();
    ASSERT_TRUE(SaveSetup(C.Shell, SetupKindFactory, true));

    C.Cmd("Save:Disk:NameMode Auto");
    C.Cmd("*DefSetup SaveAsDef");
    EXPECT_TRUE(fs::exists(DefaultSetupFileName(C.Shell)));
    const std::vector<std::string> asDefault = Settings();
    C.Cmd("Save:Disk:FileFormat YOnly");
    ASSERT_TRUE(SaveSetup(C.Shell, SetupKindPowerOff, true));
    const std::vector<std::string> asPowerOff = Settings();

    C.Cmd("*DefSetup Default");
    EXPECT_EQ(Settings(), asDefault);
    C.Cmd("*DefSetup Factory");
    EXPECT_EQ(Settings(), factory);
    C.Cmd("Save:Setup:RecLast");
    EXPECT_EQ(Settings(), asPowerOff);

    // A read-only target is never overwritten: a remote save replies "ERROR" and shows nothing, the
    // user's own shows the message.
    const std::string locked = DefaultSetupFileName(C.Shell);
    fs::permissions(locked, fs::perms::owner_read);
    const std::string kept = ReadFileBytes(locked);
    EXPECT_EQ(C.Cmd("Save:Setup:SvAsDefault"), "ERROR");
    EXPECT_EQ(C.Cmd("*DefSetup SaveAsDef"), "ERROR");
    EXPECT_TRUE(User->Messages.empty());
    EXPECT_FALSE(SaveSetup(C.Shell, SetupKindDefault, true));
    EXPECT_EQ(User->Messages, std::vector<std::string>{"ERROR Saving File " + locked});
    EXPECT_EQ(ReadFileBytes(locked), kept);
}

TEST_F(SaveRecall, TheLoaderRefusesDamagedFilesWholeAndSkipsWhatIsNoSetting) {
    const fs::path file = Root.Path() / "t.set";
    C.Cmd("Save:Disk:FileFormat Verbose;:Save:Memo:ToMemo M3");
    std::string good;
    for (const std::string& line : Settings()) good += line + "\n";
    C.Cmd("Save:Disk:FileFormat Binary;:Save:Memo:ToMemo M1");
    const std::vector<std::string> before = Settings();

    auto recall = [&](const std::string& bytes) {
        Write(file, bytes);
        bool damaged = false;
        const bool done = RecallSetupFile(C.Shell, file.string(), false, &damaged);
        EXPECT_EQ(done, !damaged);
        return done;
    };
    // The last line runs with or without its line end: every cut applies as the same text ended.
    for (std::size_t cut = 1; cut < std::min<std::size_t>(good.size(), 400); ++cut) {
        if (good[cut - 1] == '\n') continue;
        const std::string text = good.substr(0, cut);
        const bool ended = recall(text + "\n");
        const std::vector<std::string> endedSettings = Settings();
        C.Tree().Root().LoadAllSettings(before);
        ASSERT_EQ(recall(text), ended) << "cut at " << cut;
        ASSERT_EQ(Settings(), endedSettings) << "cut at " << cut;
        C.Tree().Root().LoadAllSettings(before);
    }
    EXPECT_TRUE(recall("Save:Memo:ToMemo M2\r\nSave:Disk:FileFormat Verbose"));
    EXPECT_EQ(C.Cmd("Save:Disk:FileFormat?"), "VERBOSE");
    C.Tree().Root().LoadAllSettings(before);
    EXPECT_FALSE(recall("Save:Memo:ToMemo M2\nSave:Disk:FileFormat")) << "a last line that does not parse";
    EXPECT_EQ(Settings(), before);
    for (const char* bad : {"Save:Memo:ToMemo M2\n\x01\n", "Save:Memo:ToMemo\n"})
        EXPECT_FALSE(recall(bad)) << bad;
    EXPECT_FALSE(recall(std::string(2u << 20, 'a') + "\n")) << "over 1 MiB";
    EXPECT_EQ(Settings(), before);

    // CR LF, an older program's Latin-1 byte, unknown headers and actions: applied or skipped.
    const std::string defaultFile = DefaultSetupFileName(C.Shell);
    Write(file, "Save:Memo:ToMemo M4\r\nOther:Unit 5\xB5s\r\n*DEFSETUP SAVEASDEF\r\nSHADOW:Lang 1\r\n"
                "Save:Setup:Save 1\r\nSave:Memo:Source Ch2;*DefSetup SaveAsDef\r\n\r\n");
    const TSetupFileCheck check = CheckSetupText(C.Shell, ReadFileBytes(file));
    EXPECT_EQ(check.Lines, std::vector<std::string>{"Save:Memo:ToMemo M4"});
    EXPECT_EQ(check.SkippedLines, 5);
    EXPECT_TRUE(RecallSetupFile(C.Shell, file.string(), true));
    EXPECT_EQ(C.Cmd("Save:Memo:ToMemo?"), "M4");
    EXPECT_FALSE(fs::exists(defaultFile)) << "a recall never runs actions";

}

TEST_F(SaveRecall, MemorySaveAndDamagedMemoryFileAtStart) {
    TSignalRecords& records = *C.Shell.Records();
    records.SignalsOn().SetOn(ssCh1, true);
    // The user's save is deferred to the housekeeping; a script's is made before its reply.
    C.Shell.ExecuteCommandString("Save:Memo:Source Ch1;:Save:Memo:ToMemo M2;:Save:Memo:Save");
    EXPECT_FALSE(fs::exists(State().MemoryFileName(1))) << "deferred to the housekeeping";
    RunHousekeeping();
    EXPECT_TRUE(fs::exists(State().MemoryFileName(1)));
    fs::remove(State().MemoryFileName(1));
    EXPECT_EQ(C.Cmd("Save:Memo:Save"), "");
    EXPECT_EQ(fs::file_size(C.Shell.Folders.InstallFolder + "~memzona.no2"), 4286u);
    EXPECT_EQ(records.Record(ssM2).Length(), 512);
    EXPECT_TRUE(records.SignalsOn().IsOn(ssM2));
    EXPECT_TRUE(Display->Hints.empty());
    EXPECT_EQ(C.Cmd("Save:Memo:On?"), "M2");

    // XY .. None hold no record.
    State().SaveSignalToMemory(ssXY, 0);
    EXPECT_EQ(User->Errors, std::vector<std::string>{"Signal is absent"});
    // A channel switched off is off although it still acquires: a script's save replies ERROR and the
    // memory keeps what it held.
    records.SignalsOn().SetOn(ssCh2, true);
    records.Record(ssCh2).SetLength(1024);
    C.Tree().Root().AddOnOffHandler("Ch2:Display", {.Initial = true});  // the channels are not built here
    C.Cmd("Ch2:Display OFF");
    ASSERT_TRUE(records.SignalsOn().IsOn(ssCh2)) << "still acquired";
    EXPECT_EQ(C.Cmd("Save:Memo:Source Ch2;:Save:Memo:ToMemo M2;:Save:Memo:Save"), "ERROR");
    EXPECT_EQ(records.Record(ssM2).Length(), 512);
    EXPECT_EQ(Display->Hints, std::vector<std::string>{"Signal is absent"});
    Display->Hints.clear();

    // At the next start: M2 loads quietly, a damaged M1 stays off without a message.
    records.SignalsOn().SetOn(ssM2, false);
    Write(State().MemoryFileName(0), "damaged");
    User->Errors.clear();
    C.Shell.StartUpSteps.RunRow(C.Shell, TStartUpRow::LoadMemoriesFromDisk);
    EXPECT_TRUE(records.SignalsOn().IsOn(ssM2));
    EXPECT_FALSE(records.SignalsOn().IsOn(ssM1));
    EXPECT_TRUE(User->Errors.empty());
    EXPECT_TRUE(Display->Hints.empty());
}

TEST_F(SaveRecall, AutoNamesNeverOverwriteAndAYOnlyLoadReadsVerbose) {
    C.Shell.Records()->SignalsOn().SetOn(ssCh1, true);
    const std::string base = (Root.Path() / "run").string();
    C.Cmd("Save:Disk:NameMode Auto;:Save:Disk:FileName " + base);
    Write(base + "_00002.wfm", "kept");
    for (int i = 0; i < 2; ++i) {
        C.Cmd("Save:Disk:Save");
        RunHousekeeping();
    }
    EXPECT_TRUE(fs::exists(base + "_00001.wfm"));
    EXPECT_EQ(ReadFileBytes(base + "_00002.wfm"), "kept");
    EXPECT_TRUE(fs::exists(base + "_00003.wfm"));
    EXPECT_EQ(C.Cmd("Save:Disk:FileName?"), base + "_00003.wfm");
    // With the header on, the name follows it after one blank, as the setup name does.
    C.Tree().HeaderHandler().SetOn(true);
    EXPECT_EQ(C.Cmd("Save:Disk:FileName?"), "SAVE:DISK:FILENAME " + base + "_00003.wfm");
    EXPECT_EQ(C.Cmd("Save:Setup:FileName?").rfind("SAVE:SETUP:FILENAME /", 0), 0u);
    C.Tree().HeaderHandler().SetOn(false);
    EXPECT_TRUE(User->Dialogs.empty());

    // A values-only format cannot be read back: the load switches to Verbose and reads ".txt".
    ASSERT_TRUE(SaveWaveformText(C.Shell, ssCh1, base + "x.txt", false));
    C.Cmd("Save:Disk:FileFormat YOnly;:Save:Disk:ToMemo M3;:Save:Disk:FileName " + base + "x;:Save:Disk:Load");
    RunHousekeeping();
    EXPECT_EQ(C.Cmd("Save:Disk:FileFormat?"), "VERBOSE");
    EXPECT_TRUE(C.Shell.Records()->SignalsOn().IsOn(ssM3));
    EXPECT_EQ(C.Cmd("Save:Memo:On?"), "M3");
}

TEST_F(SaveRecall, DatabaseGoldenBytesSizesAndRestore) {
    TSignalRecords& records = *C.Shell.Records();
    records.Record(ssCh2).SetVertOffset(0.25);
    records.Record(ssCh2).SetVertScale(0.125);
    records.SignalsOn().SetOn(ssCh2, true);
    static_cast<TRadioSwHandler*>(C.Tree().Root().FindHandler("Save:Disk:FileType"))->SetItemIndex(1);
    C.Cmd("Save:Disk:DbSource Ch2");
    C.Cmd("Save:Disk:FileName db1");
    const std::string path = C.Shell.Folders.DatabaseFolder + "db1.cgs";
    EXPECT_EQ(C.Cmd("Save:Disk:FileName?"), path);
    C.Cmd("Save:Disk:Save");
    ASSERT_TRUE(State().DatabaseOpen());
    EXPECT_EQ(fs::file_size(path), TWaveDatabase::FileBytes) << "created whole";
    RunHousekeeping();
    EXPECT_TRUE(State().DatabaseOpen()) << "created before Run";
    C.Shell.RunOn = true;
    State().AddToDatabase();
    State().AddToDatabase();
    RunHousekeeping();
    EXPECT_TRUE(State().DatabaseOpen()) << "still running";
    C.Shell.RunOn = false;
    RunHousekeeping();
    EXPECT_FALSE(State().DatabaseOpen()) << "written once Run stopped";

    const std::string bytes = ReadFileBytes(path);
    ASSERT_EQ(bytes.size(), 16372172u);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes[1], 2);
    double offset = 0, scale = 0;
    std::int32_t count = 0, hit = 0;
    std::memcpy(&offset, bytes.data() + 60, 8);
    std::memcpy(&scale, bytes.data() + 68, 8);
    std::memcpy(&count, bytes.data() + 76, 4);
    std::memcpy(&hit, bytes.data() + 80 + (500 * 1023 + 512 - 1) * 4, 4);
    EXPECT_EQ(offset, 0.25);
    EXPECT_EQ(scale, 0.125);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(hit, 2) << "column 500, row = the record length";

    const std::string shortFile = (Root.Path() / "short.cgs").string();
    Write(shortFile, bytes.substr(0, bytes.size() - 1));
    EXPECT_FALSE(State().LoadDatabaseFile(shortFile));
    EXPECT_EQ(User->Messages, std::vector<std::string>{"Database File is Damaged"});
    std::string badSource = bytes;
    badSource[1] = 14;
    Write(shortFile, badSource);
    EXPECT_FALSE(State().LoadDatabaseFile(shortFile));
    EXPECT_EQ(Display->Shown, "NONEDATABASEATTHESCREEN") << "the screen keeps what it showed";
    // One record is read; a byte after it is ignored.
    const std::string longFile = (Root.Path() / "long.cgs").string();
    Write(longFile, bytes + "x");
    User->Messages.clear();
    EXPECT_TRUE(State().LoadDatabaseFile(longFile));
    EXPECT_TRUE(User->Messages.empty());

    C.Tree().ExecuteCommandString("NOGPIB:DataBase " + path, true);
    EXPECT_EQ(Display->Shown, path);
    EXPECT_EQ(C.Tree().ExecuteCommandString("NOGPIB:DataBase?", true), " " + path);
    C.Tree().ExecuteCommandString("NOGPIB:DataBase NONEDATABASEATTHESCREEN", true);
    EXPECT_EQ(Display->Shown, "NONEDATABASEATTHESCREEN");
}

TEST_F(SaveRecall, ALoadThatFailsRepliesErrorAndTheLogSaysWhy) {
    C.Shell.Records()->SignalsOn().SetOn(ssCh1, true);
    const std::string good = (Root.Path() / "good.wfm").string();
    ASSERT_TRUE(SaveWaveformBinary(C.Shell, ssCh1, good));
    const std::string sound = ReadFileBytes(good);
    Display->Hints.clear();
    struct TRow {
        const char* Name;
        const char* Type;
        std::optional<std::string> Bytes;  // none: no file
        const char* Cause;
    };
    const std::vector<TRow> rows{
        {"missing", "Wfm", {}, "damaged!"},
        {"empty", "Wfm", "", "damaged!"},
        {"truncated", "Wfm", sound.substr(0, sound.size() / 2), "damaged!"},
        {"text", "Wfm", "not a waveform\n", "damaged!"},
        {"missing", "Db", {}, "Database File is Damaged"},
        {"short", "Db", std::string(1000, '\1'), "Database File is Damaged"},
    };
    for (const TRow& row : rows) {
        const std::string base = (Root.Path() / (std::string(row.Type) + row.Name)).string();
        const bool db = std::string_view(row.Type) == "Db";
        if (row.Bytes) Write(base + (db ? ".cgs" : ".wfm"), *row.Bytes);
        static_cast<TRadioSwHandler*>(C.Tree().Root().FindHandler("Save:Disk:FileType"))->SetItemIndex(db ? 1 : 0);
        C.Cmd("Save:Disk:FileFormat Binary;:Save:Disk:ToMemo M1;:Save:Disk:FileName " + base);
        EXPECT_EQ(C.Cmd("Save:Disk:Load"), "ERROR") << row.Type << " " << row.Name;
        ASSERT_FALSE(Display->Hints.empty()) << row.Type << " " << row.Name;
        EXPECT_NE(Display->Hints.back().find(row.Cause), std::string::npos) << Display->Hints.back();
        EXPECT_FALSE(C.Shell.Records()->SignalsOn().IsOn(ssM1));
        Display->Hints.clear();
    }
    EXPECT_TRUE(User->Messages.empty() && User->Errors.empty()) << "no box for a script";
    // The sound file loads before the reply.
    static_cast<TRadioSwHandler*>(C.Tree().Root().FindHandler("Save:Disk:FileType"))->SetItemIndex(0);
    C.Cmd("Save:Disk:FileName " + (Root.Path() / "good").string());
    EXPECT_EQ(C.Cmd("Save:Disk:Load"), "");
    EXPECT_TRUE(C.Shell.Records()->SignalsOn().IsOn(ssM1));
    Display->Hints.clear();

    // A setup missing or damaged likewise.
    Write(Root.Path() / "bad.set", "Save:Memo:ToMemo M2\n\x01\n");
    for (const char* name : {"nosuch", "bad"}) {
        C.Cmd(std::string("Save:Setup:FileName ") + (Root.Path() / name).string());
        EXPECT_EQ(C.Cmd("Save:Setup:Recall"), "ERROR") << name;
        ASSERT_EQ(Display->Hints.size(), 1u) << name;
        EXPECT_NE(Display->Hints.back().find((Root.Path() / name).string() + ".set"), std::string::npos)
            << Display->Hints.back();
        Display->Hints.clear();
    }
    EXPECT_TRUE(User->Messages.empty() && User->Errors.empty());
}
