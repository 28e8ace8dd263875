#include "ProgramHarness.h"

#include <QApplication>
#include <QTimer>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "FuzzFiles.h"
#include "core/CommandTree.h"
#include "core/Shell.h"
#include "program/ProgramLife.h"
#include "ui/MainBlock.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/UserDialogs.h"
#include "ui/VeltraneApplication.h"

extern "C" int LLVMFuzzerRunDriver(int* argc, char*** argv, int (*callback)(const std::uint8_t* data, std::size_t size));

namespace vt::fuzz {

namespace {

// Nobody answers: every question is No, every dialog cancelled.
class TNobodyDialogs final : public TUserDialogs {
public:
    TDialogAnswer AskErrorYesNo(QWidget*, const QString&) override { return TDialogAnswer::No; }
    TDialogAnswer AskYesNoCancel(QWidget*, const QString&) override { return TDialogAnswer::Cancel; }
    void ShowError(QWidget*, const QString&) override {}
    void ShowMessage(QWidget*, const QString&) override {}
    bool ExecSaveDialog(QWidget*, TSaveDialogRequest&) override { return false; }
};

TShell* Shell = nullptr;
TProgramFeatures* Features = nullptr;
const TProgramInput* Input = nullptr;

int OneInput(const std::uint8_t* data, std::size_t size) {
    (*Input)(*Shell, *Features, InputBytes(data, size));
    QCoreApplication::processEvents();
    return 0;
}

// Another instrument is never started: a LAN instrument (the default choice among them) would reach
// out to the network, and a switch would end the instrument the inputs run against.
void KeepTheInstrument(TShell& shell) {
    shell.CommandTree()->Root().Register(
        "INSTR:Current:Set",
        std::make_unique<TGpibStringHandler>(std::uint8_t{0}, [](std::string_view, bool, std::uint8_t, std::string&) {}),
        true);
}

}  // namespace

int RunProgramFuzzer(int argc, char** argv, const TProgramInput& input) {
    const std::filesystem::path home = FuzzFolder() / "home";
    std::filesystem::create_directories(home / "config");
    std::filesystem::create_directories(home / "run");
    std::filesystem::permissions(home / "run", std::filesystem::perms::owner_all);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (home / "run").c_str(), 1);
    // Relative file names of the inputs land in the fuzz folder.
    std::filesystem::current_path(FuzzFolder());

    int appArgc = 1;
    TVeltraneApplication app(appArgc, argv);
    TShell shell;
    TProgramLife life(shell);
    TNobodyDialogs dialogs;
    TProgramFeatures features(shell, life, dialogs, {"Absent"}, 0);
    Shell = &shell;
    Features = &features;
    Input = &input;
    int result = 0;
    bool started = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (started || !shell.AcqEnabled) return;
        started = true;
        poll.stop();
        KeepTheInstrument(shell);
        result = LLVMFuzzerRunDriver(&argc, &argv, OneInput);
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* window = dynamic_cast<TMorda_fr*>(w)) window->close();
    });
    poll.start(5);
    RunMainBlock(app, shell, life, {"--home", home.string(), "Absent"}, dialogs);
    return result;
}

}  // namespace vt::fuzz
