// Odd start-ups of the program as its own process without a screen: every box and question of the
// start-up takes its Cancel's (or only button's) answer at once, one line each on standard error, and
// the program either serves its automation port or, where the start cannot go on, ends with status 1
// and a line that names what failed and why.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ProgramProcess.h"
#include "link/TcpTransport.h"
#include "support/FakeInstrument.h"

namespace vt {
namespace {

namespace fs = std::filesystem;

// Every byte value in turn, a megabyte of them.
void WriteAllBytes(const fs::path& file) {
    std::string bytes;
    for (int i = 0; i < 1 << 20; ++i) bytes += static_cast<char>(i & 0xFF);
    std::ofstream(file, std::ios::binary) << bytes;
}

// The per-user language choice of the program file under test.
void ChooseLanguage(const char* code) {
    const fs::path folder = fs::path(std::getenv("XDG_CONFIG_HOME")) / "veltrane";
    fs::create_directories(folder);
    std::ofstream(folder / "Veltrane.ini") << "[Software\\Morvex\\Veltrane\\Locales]\n"
                                            << fs::canonical(VT_PROGRAM_PATH).string() << "=" << code << "\n";
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
    return n;
}

struct TOddStart {
    const char* Name;
    const char* Instrument;
    std::function<void(const fs::path& root)> Prepare;
    // The lines expected on standard error, "<root>" standing for the data root.
    std::vector<std::string> Lines;
    // The questions and boxes answered for nobody.
    std::size_t Answered;
    bool Ends;  // with status 1 before serving; else it answers a command
};

TEST(HeadlessStart, EveryOddStartUpAnswersItsBoxesAtOnceAndEitherServesOrEndsWithItsReason) {
    const std::string noScreen = " (no screen to answer on)";
    const std::string languageQuestion =
        "veltrane: Error in Language file Do You want create Error file \"<root>/LanguageError.txt\"? -- No" + noScreen;
    const auto englishStub = [](const fs::path& root) {
        std::ofstream(root / "Language-Vlt.Eng") << "[Common]\r\nLanguage=English\r\n";
    };
    const auto bench = [](const fs::path& root) {
        std::ofstream(root / "Configuration.ini")
            << "[Instrument1 Instrument]\nName=Bench Scope\nInterface=LAN\nIP Address=127.0.0.1\n";
    };
    std::vector<TOddStart> starts = {
        {"the data root is a plain file", "Default_Demo",
         [](const fs::path& root) {
             fs::remove(root);
             std::ofstream(root) << "x";
         },
         {"veltrane: Cannot create the folder \"<root>/Setup Files/\": Not a directory. The program ends."},
         0, true},
        {"a plain file named Setup Files", "Default_Demo",
         [](const fs::path& root) { std::ofstream(root / "Setup Files") << "x"; },
         {"veltrane: Cannot create the folder \"<root>/Setup Files/\": File exists. The program ends."},
         0, true},
        {"a plain file named Masks", "Default_Demo", [](const fs::path& root) { std::ofstream(root / "Masks") << "x"; },
         {"veltrane: Cannot create the folder \"<root>/Masks/Standard/\": Not a directory. The program ends."},
         0, true},
        {"an English language file of every byte value", "Default_Demo",
         [](const fs::path& root) { WriteAllBytes(root / "Language-Vlt.Eng"); }, {languageQuestion}, 1, false},
        {"the chosen German file of every byte value", "Default_Demo",
         [&](const fs::path& root) {
             englishStub(root);
             WriteAllBytes(root / "Language-Vlt.Deu");
             ChooseLanguage("DEU");
         },
         {languageQuestion}, 1, false},
        {"the chosen German file only a byte-order mark", "Default_Demo",
         [&](const fs::path& root) {
             englishStub(root);
             std::ofstream(root / "Language-Vlt.Deu", std::ios::binary) << "\xFF\xFE";
             ChooseLanguage("DEU");
         },
         {languageQuestion}, 1, false},
        {"a German file and no English one that can be written", "Default_Demo",
         [](const fs::path& root) {
             fs::create_directory(root / "Language-Vlt.Eng");
             std::ofstream(root / "Language-Vlt.Deu") << "[Common]\r\nLanguage=Deutsch\r\n";
         },
         {"veltrane: English Language File must be Created. -- OK" + noScreen,
          "veltrane: The start-up failed: Cannot read file \"<root>/Language-Vlt.Eng\": Is a directory. The program ends."},
         1, true},
        {"demo identity values out of their ranges", "Default_Demo",
         [](const fs::path& root) {
             std::ofstream(root / "DemoUnits.ini") << "[Default Demo Instrument]\nBlock 1 ModelFlashCode=999999\n"
                                                      "Block 1 OptionCode=-1\nBlock 1 Year=abc\n";
         },
         {"veltrane: DemoUnits.ini: [Default Demo Instrument] Block 1 ModelFlashCode=999999 is out of its range 0..255; "
          "the default 255 is used -- OK" + noScreen,
          "veltrane: DemoUnits.ini: [Default Demo Instrument] Block 1 OptionCode=-1 is out of its range 0..255; "
          "the default 255 is used -- OK" + noScreen,
          "veltrane: DemoUnits.ini: [Default Demo Instrument] Block 1 Year=abc is not a number; the default 255 is used "
          "-- OK" + noScreen},
         3, false},
        {"an instrument that goes once its identity is out", "Bench_Scope", bench,
         {"veltrane: Error Reading the Individual Information from the Instruments. -- OK" + noScreen,
          "veltrane: The identity of the instrument \"Instrument1\" could not be read: \"Info:IndivData?\" got no reply. "
          "The program ends."},
         1, true},
    };
    // The file modes do not hold for the superuser.
    if (::geteuid() != 0)
        starts.push_back({"an empty data root nobody may write", "Default_Demo",
                          [](const fs::path& root) {
                              fs::permissions(root, fs::perms::owner_read | fs::perms::owner_exec,
                                              fs::perm_options::replace);
                          },
                          {"veltrane: Cannot create the folder \"<root>/Setup Files/\": Permission denied. The program ends."},
                          0, true});

    for (const TOddStart& start : starts) {
        SCOPED_TRACE(start.Name);
        std::optional<test::TFakeInstrument> fake;
        if (std::string(start.Instrument) == "Bench_Scope") {
            fake.emplace(InstrumentTcpPort);
            if (!fake->Listening()) {
                ADD_FAILURE() << "the instrument port is taken on this machine";
                continue;
            }
            fake->SetFaults({.GoneAfterIdentity = true});
        }
        test::TProgramProcess program(start.Instrument, start.Prepare);
        ASSERT_TRUE(program.Started());
        if (start.Ends) {
            EXPECT_EQ(program.ExitStatusWithin(30000), std::optional<int>(1)) << program.ErrorLog();
        } else {
            const bool connected = program.ConnectAtOnce();
            EXPECT_TRUE(connected) << program.ErrorLog();
            if (connected) {
                EXPECT_EQ(program.Ask("*RUN?", 30), "*RUN ON") << program.ErrorLog();
            }
        }
        const std::string log = program.ErrorLog();
        std::size_t from = 0;
        for (std::string line : start.Lines) {
            if (const std::size_t root = line.find("<root>"); root != std::string::npos)
                line.replace(root, 6, program.Root().string());
            const std::size_t at = log.find(line + "\n", from);
            EXPECT_NE(at, std::string::npos) << line << "\nin\n" << log;
            if (at != std::string::npos) from = at + line.size();
        }
        EXPECT_EQ(Count(log, noScreen + "\n"), start.Answered) << log;
        // Scripts read the last line: the reason to end is it, and said once.
        const std::string lastLine = log.substr(log.rfind('\n', log.size() - 2) + 1);
        EXPECT_EQ(lastLine.ends_with("The program ends.\n"), start.Ends) << log;
        EXPECT_EQ(Count(log, "The program ends."), start.Ends ? 1u : 0u) << log;
        if (fake) {
            EXPECT_EQ(fake->Connections(), 1);
        }
        if (start.Answered > 0 && !start.Ends) {
            EXPECT_FALSE(fs::exists(program.Root() / "LanguageError.txt")) << "the question's No writes no error file";
        }
    }
}

}  // namespace
}  // namespace vt
