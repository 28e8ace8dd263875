#include "ui/MainBlock.h"

#include <QGuiApplication>
#include <cstdlib>
#include <iostream>

#include "core/Shell.h"
#include "core/TextFiles.h"
#include "ui/Morda.h"
#include "ui/VeltraneApplication.h"

namespace vt {

namespace {
template <class F, class... A>
void Do(const F& step, A&&... args) {
    if (step) step(std::forward<A>(args)...);
}
}  // namespace

int RunMainBlock(TVeltraneApplication& app, TShell& shell, std::vector<std::string> args, TMainBlockSteps& block,
                 TMordaSteps& steps, TUserDialogs& dialogs) {
    // ReadShiftAtStart: a held Shift keeps the user's default setup from being recalled.
    shell.ShiftAtStart = QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
    try {
        shell.Folders = InitInstallFolders(ResolveDataRoot(args, [](const char* n) { return std::getenv(n); }));
    } catch (const EFileError& e) {
        std::cerr << "veltrane: " << e.what() << '\n';
        return 1;
    }
    Do(block.InitLanguages);
    QGuiApplication::setApplicationName(QStringLiteral("Veltrane"));
    Do(block.ShowSplash);
    Do(block.LoadInstrumentList);
    if (block.StartInstrument) {
        if (!block.StartInstrument(args)) {
            Do(block.CloseSplash);
            return 0;
        }
    } else {
        shell.StartInstrumentName = "Absent";
    }
    // The help file's path is part of the data folders.
    const bool connected = steps.IsInstrumentConnected && steps.IsInstrumentConnected();
    Do(block.SplashStatus, std::string(connected ? "Start in Main Mode..." : "Start in Demo Mode..."));
    Do(block.SplashSleep, 500);
    Do(block.SplashStatus, std::string("Creating forms..."));
    TMorda_fr window(shell, steps, dialogs);
    Do(block.WindowCreated, window);
    Do(block.SplashStatus, std::string("Initialization Of All Vars And Handlers..."));
    RegisterAllCommandHandlers(shell);
    Do(block.SplashStatus, std::string("All done."));
    Do(block.SplashSleep, 100);
    Do(block.CloseSplash);

    window.show();
    const int result = app.exec();
    shell.ProgramEnded = true;
    return result;
}

}  // namespace vt
