#include "ui/MainBlock.h"

#include <QGuiApplication>
#include <cstdlib>
#include <iostream>

#include "core/MultiLang.h"
#include "core/Shell.h"
#include "core/TextFiles.h"
#include "link/PriborInterface.h"
#include "ui/FeatureRows.h"
#include "ui/Morda.h"
#include "ui/VeltraneApplication.h"

namespace vt {

namespace {
// The language files sit in the data root; the chosen language is kept per user.
void InitLanguages(TShell& shell, TUserDialogs& dialogs) {
    TLanguageSetup setup;
    setup.DataRoot = shell.Folders.InstallFolder;
    setup.ConfigFolder = DefaultConfigFolder();
    setup.ProgramFile = QCoreApplication::applicationFilePath().toStdString();
    setup.ShowMessage = [&dialogs](const std::string& text) {
        dialogs.ShowMessage(nullptr, QString::fromStdString(text));
    };
    setup.AskYesNo = [&dialogs](const std::string& text) {
        return dialogs.AskErrorYesNo(nullptr, QString::fromStdString(text)) == TDialogAnswer::Yes;
    };
    shell.SetLanguage(std::make_unique<TLanguageState>(std::move(setup)));
    shell.Language().InitLanguages();
}

// The instrument link of this run; it speaks through the shell's texts and display.
void CreateInstrumentLink(TShell& shell, TLinkClock* clock) {
    auto link = std::make_unique<TInstrumentLink>(TLinkTiming{}, clock);
    link->Hooks.LangText = [&shell](std::string_view key, std::string_view builtIn) {
        const std::string* text = shell.Language().Strings().Find(key);
        return text ? *text : std::string(builtIn);
    };
    link->Hooks.ReportCommError = [&shell](const std::string& suffix) { shell.Display().ReportCommError(suffix); };
    link->Hooks.ClearCommError = [&shell] { shell.Display().ClearCommError(); };
    shell.SetLink(MakeOwnedPart(std::move(link)));
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
    InitLanguages(shell, dialogs);
    QGuiApplication::setApplicationName(QStringLiteral("Veltrane"));
    DoStep(block.ShowSplash);
    CreateInstrumentLink(shell, block.LinkClock);
    DoStep(block.LoadInstrumentList);
    if (block.StartInstrument) {
        if (!block.StartInstrument(args)) {
            DoStep(block.CloseSplash);
            return 0;
        }
    } else {
        shell.StartInstrumentName = "Absent";
    }
    // The help file's path is part of the data folders.
    const bool connected = shell.Link()->IsInstrumentConnected();
    DoStep(block.SplashStatus, std::string(connected ? "Start in Main Mode..." : "Start in Demo Mode..."));
    DoStep(block.SplashSleep, 500);
    DoStep(block.SplashStatus, std::string("Creating forms..."));
    TMorda_fr window(shell, steps, dialogs);
    InstallFeatureRows(shell, window);
    DoStep(block.WindowCreated, window);
    DoStep(block.SplashStatus, std::string("Initialization Of All Vars And Handlers..."));
    RegisterAllCommandHandlers(shell);
    DoStep(block.SplashStatus, std::string("All done."));
    DoStep(block.SplashSleep, 100);
    DoStep(block.CloseSplash);

    window.show();
    const int result = app.exec();
    shell.ProgramEnded = true;
    return result;
}

}  // namespace vt
