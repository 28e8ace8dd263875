#include "ui/MainBlock.h"

#include <QApplication>
#include <QGuiApplication>
#include <cstdlib>
#include <optional>

#include "core/LanguageState.h"
#include "core/CommandTree.h"
#include "core/ProgramLog.h"
#include "core/Shell.h"
#include "core/TextFiles.h"
#include "acq/HistogramObjects.h"
#include "acq/SignalSources.h"
#include "link/CommandSenders.h"
#include "link/InstrumentLink.h"
#include "link/InstrumentIdentity.h"
#include "program/ProgramLife.h"
#include "ui/DisplayPanelView.h"
#include "ui/EndSignals.h"
#include "ui/InstrumentStart.h"
#include "ui/MainWindow.h"
#include "ui/SideMenu.h"
#include "ui/SideMenuLanguage.h"
#include "ui/UiFeature.h"
#include "ui/UserDialogs.h"
#include "ui/controls/Switcher.h"
#include "ui/VeltraneApplication.h"

namespace vt {

namespace {
// The window a message of the language or the identity stands over: the main window once it shows
// (such a message may come at any lookup), none before.
QWidget* MessageOwner() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* main = dynamic_cast<TMorda_fr*>(w); main && main->isVisible()) return main;
    return nullptr;
}

// The language files sit in the data root; the chosen language is kept per user.
void InitLanguages(TShell& shell, TUserDialogs& dialogs) {
    TLanguageSetup setup;
    setup.DataRoot = shell.Folders.InstallFolder;
    setup.ConfigFolder = DefaultConfigFolder();
    setup.ProgramFile = QCoreApplication::applicationFilePath().toStdString();
    setup.ShowMessage = [&dialogs](const std::string& text) {
        dialogs.ShowMessage(MessageOwner(), QString::fromStdString(text));
    };
    setup.AskYesNo = [&dialogs](const std::string& text) {
        return dialogs.AskErrorYesNo(MessageOwner(), QString::fromStdString(text)) == TDialogAnswer::Yes;
    };
    // Asked at each lookup: the instrument in use changes with every instrument start.
    setup.InstrumentName = [&shell] {
        const TInstrumentIdentityUnit* unit = shell.Identity();
        return unit ? unit->Identity.GetInstrumentName() : std::string();
    };
    shell.SetLanguage(std::make_unique<TLanguageState>(std::move(setup)));
    shell.Language().InitLanguages();
    shell.Records()->BuildSourceCaptions([&shell](std::string_view key) { return shell.LangStr(key); });
}

// The instrument link of this run; the features attach to it.
void CreateInstrumentLink(TShell& shell, TLinkClock* clock) {
    shell.SetLink(MakeOwnedPart(std::make_unique<TInstrumentLink>(TLinkTiming{}, clock)));
}

// The identity of the instrument in use and the senders of the instrument's commands.
void CreateIdentityUnit(TShell& shell, TUserDialogs& dialogs) {
    auto unit = std::make_unique<TInstrumentIdentityUnit>(*shell.Link(), shell.Folders.InstallFolder);
    unit->ShowMessage = [&dialogs](const std::string& text) {
        dialogs.ShowMessage(MessageOwner(), QString::fromStdString(text));
    };
    shell.SetIdentity(MakeOwnedPart(std::move(unit)));
    shell.SetSenders(MakeOwnedPart(std::make_unique<TInstrumentSenders>(*shell.Link(), shell.Identity()->Identity)));
}

}  // namespace

int RunMainBlock(TVeltraneApplication& app, TShell& shell, TProgramLife& life, std::vector<std::string> args,
                 TUserDialogs& dialogs, TEndSignals* endSignals) {
    std::optional<TEndSignals> ownEndSignals;
    if (!endSignals) endSignals = &ownEndSignals.emplace();
    // Until the event loop runs, a signal to end is seen at the start-up's steps: the program ends
    // there with its reason, as a start-up that cannot go on does.
    const auto signalCame = [endSignals] {
        const int signal = endSignals->Came();
        if (signal != 0)
            LogProgramLine(std::string(TEndSignals::Name(signal)) +
                           " during the start-up: the window had not opened yet. The program ends.");
        return signal != 0;
    };
    auto splashStatus = [&life](const std::string& status) { ShowSplashStatus(life, status); };
    auto splashSleep = [&life](int ms) { ForEachUiFeature(life.Features(), [&](TUiFeature& f) { f.SplashSleep(ms); }); };
    auto closeSplash = [&life] { ForEachUiFeature(life.Features(), [](TUiFeature& f) { f.CloseSplash(); }); };
    // ReadShiftAtStart: a held Shift keeps the user's default setup from being recalled.
    shell.ShiftAtStart = QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
    if (signalCame()) return 1;
    try {
        shell.Folders = InitInstallFolders(ResolveDataRoot(args, [](const char* n) { return std::getenv(n); }));
    } catch (const EFileError& e) {
        // Kept on standard error for scripts, its last line; a screen shows it as every other failed start.
        LogProgramLine(std::string(e.what()) + ". The program ends.");
        if (!NoVisibleScreen()) dialogs.ShowError(nullptr, QString::fromStdString(e.what()));
        return 1;
    }
    auto records = std::make_unique<TSignalRecords>();
    records->ResetSignalObjects();  // the channels' records hold a default trace with its scales and units
    shell.SetRecords(MakeOwnedPart(std::move(records)));
    shell.SetFullHist(MakeOwnedPart(std::make_unique<TFullHist>()));
    InitLanguages(shell, dialogs);
    QGuiApplication::setApplicationName(QStringLiteral("Veltrane"));
    ForEachUiFeature(life.Features(), [](TUiFeature& f) { f.ShowSplash(); });
    TLinkClock* clock = nullptr;
    ForEachUiFeature(life.Features(), [&clock](TUiFeature& f) {
        if (!clock) clock = f.LinkClock();
    });
    CreateInstrumentLink(shell, clock);
    CreateIdentityUnit(shell, dialogs);
    // The beep, the error message and the file dialogs of the program below the window.
    auto userServices = std::make_unique<TDialogUserServices>(dialogs);
    TDialogUserServices& services = *userServices;
    shell.SetUserServices(std::move(userServices));
    for (TFeature* f : life.Features()) f->AttachToProgram(shell);
    ForEachUiFeature(life.Features(), [](TUiFeature& f) { f.LoadInstrumentList(); });
    if (signalCame()) {
        closeSplash();
        return 1;
    }
    // Without a feature that connects instruments the start is "Absent".
    bool started = true;
    ForEachUiFeature(life.Features(), [&started](TUiFeature& f) { started = started && f.StartStartInstrument(); });
    if (!started) {
        closeSplash();
        // Without a screen nobody chose to end: a failed start, for the script that started the program.
        return NoVisibleScreen() ? 1 : 0;
    }
    const bool connected = shell.Link()->IsInstrumentConnected();
    splashStatus(connected ? "Start in Main Mode..." : "Start in Demo Mode...");
    splashSleep(500);
    if (signalCame()) {
        closeSplash();
        return 1;
    }
    splashStatus("Creating forms...");
    TKitContext kit(
        [&shell](std::string_view path) -> THandler* {
            TCommandTree* tree = shell.CommandTree();
            return tree ? tree->Resolve(path) : nullptr;
        },
        args);
    TMorda_fr window(shell, life, dialogs);
    // The program's own questions and boxes belong to the window and close with it.
    services.SetWindow(&window);
    GiveDisplayView(shell, window);
    TSideMenus sideMenus(kit, &window);  // its forms go before the window
    window.SetSideMenus(&sideMenus);
    ForEachUiFeature(life.Features(), [&sideMenus](TUiFeature& f) { f.RegisterForms(sideMenus); });
    TranslateSideMenus(sideMenus, shell.Language());
    ForEachUiFeature(life.Features(), [&](TUiFeature& f) { f.WindowCreated(window, sideMenus, kit); });
    // However the block ends from here on, no feature keeps the window.
    struct TWindowGone {
        TProgramLife& Life;
        ~TWindowGone() { ForEachUiFeature(Life.Features(), [](TUiFeature& f) { f.WindowGone(); }); }
    } gone{life};
    splashStatus("Initialization Of All Vars And Handlers...");
    RegisterAllCommandHandlers(shell);
    splashStatus("All done.");
    splashSleep(100);
    closeSplash();
    // The port is open from the window's creation on: its clients' lines are still held.
    if (signalCame()) return 1;

    // From here on a signal, caught before the event loop runs or later, closes the window.
    endSignals->Follow([&window, &shell](int signal) { CloseWindowForSignal(window, shell, signal); });
    struct TUnfollow {
        TEndSignals& Signals;
        ~TUnfollow() { Signals.Follow({}); }
    } unfollow{*endSignals};
    window.show();
    const int result = app.exec();
    shell.ProgramEnded = true;
    for (TFeature* f : life.Features()) f->ProgramEnded(shell);
    return result;
}

}  // namespace vt
