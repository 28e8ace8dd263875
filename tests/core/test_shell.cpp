#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "core/temp_folder.h"
#include "core/InternalError.h"
#include "core/Shell.h"
#include "core/CommandTree.h"
#include "core/TextFiles.h"

namespace vt {
namespace {

template <class Row>
std::vector<std::string> FillRows(TOrderedProcedures<Row>& table, std::vector<std::string>& log,
                                  const std::vector<Row>& rows) {
    std::vector<std::string> expected;
    for (Row r : rows) table.Add(r, [&log, r](TShell&) { log.emplace_back(RowName(r)); });
    for (int i = 0; i < static_cast<int>(Row::Count); ++i)
        if (std::find(rows.begin(), rows.end(), static_cast<Row>(i)) != rows.end())
            expected.emplace_back(RowName(static_cast<Row>(i)));
    return expected;
}

TEST(ShellOrders, RegistrationRunsFilledRowsOnceInTheFixedOrder) {
    TShell shell;
    std::vector<std::string> log;
    // Filled out of order and with gaps: the order is the table's, the gaps are skipped.
    const auto expected = FillRows(shell.Registration, log,
                                   {TRegistrationRow::RegisterInstrCommands, TRegistrationRow::CreateTrigHandlers,
                                    TRegistrationRow::CreateGuiHandler, TRegistrationRow::RegisterMaskObjectCommand});
    // The first row, the command tree, belongs to the context; every later row can register in it.
    shell.Registration.Add(TRegistrationRow::RegisterMainCommands, [&](TShell& s) {
        ASSERT_NE(s.CommandTree(), nullptr);
        s.CommandTree()->Root().AddRadioHandler("TB:Mode", {.Items = "A,B"});
        log.emplace_back("RegisterMainCommands");
    });
    EXPECT_EQ(shell.CommandTree(), nullptr);
    RegisterAllCommandHandlers(shell);
    EXPECT_TRUE(shell.RegistrationDone);
    ASSERT_NE(shell.CommandTree(), nullptr);
    EXPECT_TRUE(shell.CommandTree()->RegistrationFinished());
    EXPECT_EQ(log, (std::vector<std::string>{"RegisterMaskObjectCommand", "RegisterMainCommands",
                                             "CreateTrigHandlers", "CreateGuiHandler", "RegisterInstrCommands"}));

    RegisterAllCommandHandlers(shell);
    EXPECT_EQ(log.size(), expected.size() + 1) << "registrations never run twice";
}

TEST(ShellOrders, SkippedRegistrationStillCountsAsDone) {
    TShell shell;
    std::vector<std::string> log;
    FillRows(shell.Registration, log, {TRegistrationRow::CreateTrigHandlers});
    RegisterCommandHandlers(shell, true);
    EXPECT_TRUE(shell.RegistrationDone);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(shell.CommandTree(), nullptr);
}

TEST(ShellOrders, TablesHoldTheSystemsRowCountsAndARowIsFilledOnce) {
    EXPECT_EQ(static_cast<int>(TRegistrationRow::Count), 31);
    EXPECT_EQ(static_cast<int>(TRefreshRow::Count), 19);
    EXPECT_EQ(RowName(TRegistrationRow::CreateRampDACHandlers), "CreateRampDACHandlers");
    EXPECT_EQ(RowName(TRefreshRow::ClearTimebaseCalMode), "ClearTimebaseCalMode");
    TShell shell;
    shell.Refresh.Add(TRefreshRow::ApplyTrigSettings, [](TShell&) {});
    EXPECT_THROW(shell.Refresh.Add(TRefreshRow::ApplyTrigSettings, [](TShell&) {}), EInternalError);
}

TEST(ShellOrders, RefreshAsksTheOptionsForItsOptionalRowsThenSetsTheUndefinedText) {
    std::vector<TRefreshRow> all;
    for (int i = 0; i < static_cast<int>(TRefreshRow::Count); ++i) all.push_back(static_cast<TRefreshRow>(i));

    TShell shell;
    std::vector<std::string> log;
    const auto everything = FillRows(shell.Refresh, log, all);

    UpdateUiForInstrument(shell, {});
    std::vector<std::string> withoutOptions;
    for (const auto& n : everything)
        if (n != "RefreshOEConvHandlers" && n != "UpdateGeneratorControls" && n != "RefreshTDRHandlers")
            withoutOptions.push_back(n);
    EXPECT_EQ(log, withoutOptions);
    EXPECT_EQ(shell.UndefinedText, "  Undefined");

    log.clear();
    UpdateUiForInstrument(shell, {true, false});
    EXPECT_EQ(log.size(), withoutOptions.size() + 1);
    EXPECT_EQ(log[1], "RefreshOEConvHandlers");

    log.clear();
    UpdateUiForInstrument(shell, {true, true});
    EXPECT_EQ(log, everything);
}

TEST(ShellOrders, LateRegistrationRunsInItsOrderEachTime) {
    TShell shell;
    std::vector<std::string> log;
    const auto expected = FillRows(shell.LateRegistration, log,
                                   {TLateRegistrationRow::SetModelAdjustLimits,
                                    TLateRegistrationRow::ApplyTimebaseModelLimits,
                                    TLateRegistrationRow::CreateRampDACSelectHandler});
    RegisterLateCommandHandlers(shell);
    RegisterLateCommandHandlers(shell);
    ASSERT_EQ(log.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + 3), expected);
    EXPECT_EQ(expected[0], "ApplyTimebaseModelLimits");
}

TEST(ShellFolders, DataRootComesFromTheCommandLineThenTheEnvironment) {
    std::map<std::string, std::string> env;
    auto getEnv = [&](const char* name) -> const char* {
        auto it = env.find(name);
        return it == env.end() ? nullptr : it->second.c_str();
    };

    std::vector<std::string> args{"Absent", "--home", "/data/x", "Div4"};
    env["VELTRANE_HOME"] = "/v";
    EXPECT_EQ(ResolveDataRoot(args, getEnv), std::filesystem::path("/data/x"));
    EXPECT_EQ(args, (std::vector<std::string>{"Absent", "Div4"})) << "the option must not reach the instrument choice";

    args = {"Absent"};
    EXPECT_EQ(ResolveDataRoot(args, getEnv), std::filesystem::path("/v"));
    env["VELTRANE_HOME"] = "";
    env["XDG_DATA_HOME"] = "/xdg";
    env["HOME"] = "/home/u";
    EXPECT_EQ(ResolveDataRoot(args, getEnv), std::filesystem::path("/xdg/veltrane"));
    env.erase("XDG_DATA_HOME");
    EXPECT_EQ(ResolveDataRoot(args, getEnv), std::filesystem::path("/home/u/.local/share/veltrane"));

    args = {"--home"};
    EXPECT_EQ(ResolveDataRoot(args, getEnv), std::filesystem::path("/home/u/.local/share/veltrane"));
    EXPECT_TRUE(args.empty());
}

class ShellFolderTest : public ::testing::Test {
protected:
    vt::test::TempFolder Folder;
    std::filesystem::path Root = Folder.Path();
};

TEST_F(ShellFolderTest, FirstStartCreatesEveryDataFolderBelowTheRoot) {
    const TDataFolders f = InitInstallFolders(Root / "home");
    const std::string base = (Root / "home").generic_string() + "/";
    EXPECT_EQ(f.InstallFolder, base);
    EXPECT_EQ(f.SetupFilesFolder, base + "Setup Files/");
    EXPECT_EQ(f.StdMaskFolder, base + "Masks/Standard/");
    EXPECT_EQ(f.UserMaskFolder, base + "Masks/User/");
    EXPECT_EQ(f.AcqLimitFolder, base + "Waveforms/Acquisition Limit Files/");
    EXPECT_EQ(f.WaveformFilesFolder, base + "Waveforms/Waveform Files/");
    EXPECT_EQ(f.LimitTestFolder, base + "Waveforms/Limit Test Files/");
    EXPECT_EQ(f.MaskTestFolder, base + "Waveforms/Mask Test Files/");
    EXPECT_EQ(f.DatabaseFolder, base + "Database/");
    EXPECT_EQ(f.HelpFile, base + "Help/index.html");
    for (const auto* d : {&f.SetupFilesFolder, &f.StdMaskFolder, &f.UserMaskFolder, &f.AcqLimitFolder,
                          &f.WaveformFilesFolder, &f.LimitTestFolder, &f.MaskTestFolder, &f.DatabaseFolder})
        EXPECT_TRUE(std::filesystem::is_directory(*d)) << *d;

    // A second start finds them and keeps what they hold.
    std::ofstream(f.SetupFilesFolder + "user.set") << "x";
    InitInstallFolders(Root / "home");
    EXPECT_TRUE(std::filesystem::exists(f.SetupFilesFolder + "user.set"));
}

TEST_F(ShellFolderTest, ARootThatIsAFileIsRefused) {
    std::filesystem::create_directories(Root);
    std::ofstream(Root / "file") << "x";
    EXPECT_THROW(InitInstallFolders(Root / "file"), EFileError);
}

TEST(ShellIdle, IdleStepReportsDoneUnlessAnAcquisitionHasWorkNow) {
    TShell shell;
    int steps = 0;
    bool busy = true;
    TLinkState link;
    shell.AcquisitionIdleStep = [&](TShell&) {
        ++steps;
        return busy;
    };

    EXPECT_TRUE(MainIdleStep(shell, link)) << "neither Run nor Single: wait for events";
    EXPECT_EQ(steps, 1) << "the step still runs its housekeeping";

    shell.RunOn = true;
    EXPECT_FALSE(MainIdleStep(shell, link));
    busy = false;
    EXPECT_TRUE(MainIdleStep(shell, link)) << "a step waiting for a deadline must not spin";
    busy = true;

    link.CommError = true;
    EXPECT_TRUE(MainIdleStep(shell, link));
    link.CommError = false;

    shell.RunOn = false;
    shell.SingleOn = true;
    EXPECT_FALSE(MainIdleStep(shell, link));

    steps = 0;
    shell.FlagRegisterMode = true;
    EXPECT_TRUE(MainIdleStep(shell, link)) << "stepping suspended with Single on: nothing to do";
    EXPECT_EQ(steps, 0);
    shell.FlagRegisterMode = false;
    link.Busy = true;
    EXPECT_TRUE(MainIdleStep(shell, link)) << "inside an exchange of the link the acquisition waits";
    EXPECT_EQ(steps, 0);
    link.Busy = false;

    shell.FlagRegisterMode = false;
    shell.AcquisitionIdleStep = nullptr;
    EXPECT_TRUE(MainIdleStep(shell, link)) << "no acquisition to step";
}

// The wake requests of one pass, in order, and the wait the idle driver takes after it: the nearest,
// whichever asked first; a longer wait asked later never replaces a shorter one.
TEST(ShellIdle, TheNearestWakeRequestOfAPassHoldsUntilTaken) {
    const struct {
        std::vector<int> Requests;
        int Taken;
    } rows[] = {
        {{}, -1},
        {{40}, 40},
        {{16, 250}, 16},
        {{250, 16, 900}, 16},
        {{0, 10}, 0},
        {{-1, 30, -1}, 30},  // a deadline that is not due asks nothing
    };
    TShell shell;
    for (const auto& row : rows) {
        for (int ms : row.Requests) shell.WakeIdleWithin(ms);
        EXPECT_EQ(shell.TakeIdleWake(), row.Taken) << ::testing::PrintToString(row.Requests);
        EXPECT_EQ(shell.TakeIdleWake(), -1) << "taken once: the next pass starts with no request";
    }
}

TEST(ShellServices, NullServicesDoNothingAndAnswerNone) {
    TShell shell;
    EXPECT_FALSE(shell.Display().PanelExists());
    EXPECT_FALSE(shell.Serial().JitterAnalyserExists());

    struct TPanel : TDisplayServices {
        bool PanelExists() const override { return true; }
    };
    shell.SetDisplayServices(std::make_unique<TPanel>());
    EXPECT_TRUE(shell.Display().PanelExists());
    shell.SetDisplayServices(nullptr);
    EXPECT_FALSE(shell.Display().PanelExists()) << "removing a service restores the null one";
}

TEST(ShellServices, FreshContextSpeaksBuiltInEnglish) {
    TShell shell;
    EXPECT_EQ(shell.LangStr("QueSaveAdjusting"), "Adjustings Changed! Store New Value?");
    EXPECT_EQ(shell.LangStr("NoSuchKey"), std::string(32, '?'));
}

}  // namespace
}  // namespace vt
