// The command line as a new user meets it: "--help" and "-h" print the usage and end the program at
// once, an unknown "--" option is refused with the usage, and the values of the options with a value
// are never taken for options.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <filesystem>
#include <string>

#include "UiTestSupport.h"
#include "core/temp_folder.h"
#include "ui/ProgramArguments.h"

namespace vt {
namespace {

struct TRunResult {
    int Exit = -1;
    std::string Out;
    std::string Err;
};

// Runs the program with a window system that does not exist: a program that reached its window
// would stop with an error of its own instead of the exit status expected here.
// The settings, lock and temporary folders are the test's program home's.
TRunResult RunProgram(const QStringList& args) {
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "no-such-platform");
    program.setProcessEnvironment(env);
    program.start(VT_PROGRAM_PATH, args);
    TRunResult r;
    if (!program.waitForFinished(30000)) {
        program.kill();
        program.waitForFinished();
        return r;
    }
    r.Exit = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    r.Out = program.readAllStandardOutput().toStdString();
    r.Err = program.readAllStandardError().toStdString();
    return r;
}

TEST(ProgramArguments, HelpPrintsTheUsageAndAnUnknownOptionIsRefused) {
    const test::TProgramHome home;
    const auto root = home.Path() / "root";
    const QString rootArg = QString::fromStdString(root.string());

    for (const char* help : {"--help", "-h"}) {
        const TRunResult r = RunProgram({"--home", rootArg, help, "Default_Demo"});
        EXPECT_EQ(r.Exit, 0) << help << r.Err;
        EXPECT_EQ(r.Out, ProgramUsageText()) << help;
        for (const char* named : {"Absent", "Default_Demo", "instrument list", "--home DIR", "--automation-port N",
                                  "-Embedding", "--help"})
            EXPECT_NE(r.Out.find(named), std::string::npos) << named;
    }
    // Before any file: the data root was not made.
    EXPECT_FALSE(std::filesystem::exists(root));
    EXPECT_FALSE(std::filesystem::exists(home.Path() / "config"));

    const TRunResult refused = RunProgram({"Absent", "--hmoe", rootArg});
    EXPECT_EQ(refused.Exit, 2) << refused.Err;
    EXPECT_TRUE(refused.Out.empty());
    EXPECT_EQ(refused.Err, "veltrane: unknown option --hmoe\n\n" + ProgramUsageText());
    EXPECT_FALSE(std::filesystem::exists(root));

    // The values of the options with a value are values, whatever they look like; "-Embedding" and
    // Qt's own single-dash options pass.
    auto verdict = [](std::vector<std::string> args) { return CheckProgramArguments(args).Verdict; };
    EXPECT_EQ(verdict({"--home", "--help", "Absent"}), TArgumentsVerdict::Run);
    EXPECT_EQ(verdict({"--automation-port", "--5", "-Embedding", "-style", "fusion"}), TArgumentsVerdict::Run);
    EXPECT_EQ(verdict({"--home"}), TArgumentsVerdict::Run);
    EXPECT_EQ(verdict({"--home", "x", "--port", "0"}), TArgumentsVerdict::Refuse);
    EXPECT_EQ(CheckProgramArguments({"--port", "--help"}).Verdict, TArgumentsVerdict::ShowUsage);
    EXPECT_EQ(CheckProgramArguments({"-x", "--nope", "--other"}).Unknown, "--nope");
}

}  // namespace
}  // namespace vt
