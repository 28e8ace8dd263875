#include "ui/InstrumentStart.h"

#include <cstdlib>

#include "core/Shell.h"
#include "core/CommandTree.h"
#include "link/InstrumentConnection.h"
#include "link/InstrumentLink.h"
#include "link/InstrumentIdentity.h"  // HasCommandLineParam
#include "ui/MainWindow.h"
#include "ui/UserDialogs.h"

namespace vt {

TInstrumentStart::TInstrumentStart(TShell& shell, TUserDialogs& dialogs, std::vector<std::string> args)
    : Shell_(shell), Dialogs_(dialogs), Args_(std::move(args)) {}

TInstrumentStart::~TInstrumentStart() {
    // The link runs on this unit's clock: it ends first.
    if (Shell_.Link()) Shell_.SetLink(TOwnedPart<TInstrumentLink>(nullptr, nullptr));
}

void TInstrumentStart::Create(TMainBlockSteps& block) {
    // The link and the data folders exist from here on.
    TInstrumentLink& link = *Shell_.Link();
    const std::filesystem::path root = Shell_.Folders.InstallFolder;
    Instruments_ = std::make_unique<TInstruments>(root / kConfigurationFileName,
                                                  DefaultLockFolder([](const char* n) { return std::getenv(n); }), link);
    auto message = [this](const std::string& text) { Dialogs_.ShowMessage(nullptr, QString::fromStdString(text)); };

    TInstrumentsHooks& hooks = Instruments_->Hooks;
    hooks.SplashStatus = block.SplashStatus;
    hooks.LangText = [this](std::string_view key, std::string_view builtIn) {
        const std::string* text = Shell_.Language().Strings().Find(key);
        return text ? *text : std::string(builtIn);
    };
    hooks.ShowMessage = message;
    hooks.StartedAsComServer = [this] { return Shell_.GuiRemote || HasCommandLineParam(Args_, "-Embedding"); };
    hooks.SetAutoCalTimer = [this](bool on) { Shell_.AutoCalTimerEnabled = on; };
    Instruments_->List().ShowMessage = message;
}

void TInstrumentStart::AttachWindow(TMorda_fr& window) {
    TInstrumentsHooks& hooks = Instruments_->Hooks;
    // From the stop to the start of the main window the link's waits keep the window painting.
    hooks.StopMainWindow = [this, &window] {
        Clock_.SetResponsive(true);
        window.CloseSideMenus();
        window.StopInstrument();
    };
    hooks.StartMainWindow = [this, &window](bool present) {
        Clock_.SetResponsive(false);
        Shell_.StartInstrumentName = Instruments_->CurrentName();
        Shell_.StartInstrumentKind = Instruments_->CurrentKind();
        window.StartInstrument(present);
    };
    Shell_.Registration.Add(TRegistrationRow::RegisterInstrCommands, [this](TShell& shell) {
        if (TCommandTree* tree = shell.CommandTree()) Instruments_->RegisterInstrCommands(tree->Root());
    });
}

void TInstrumentStart::Install(TMainBlockSteps& block, TMordaSteps& steps) {
    block.LinkClock = &Clock_;
    block.LoadInstrumentList = [this, &block] {
        Create(block);
        Instruments_->List().LoadInstrumentList(Args_);
    };
    block.StartInstrument = [this](const std::vector<std::string>&) {
        std::string name;
        const bool started = Instruments_->StartInstrument(true, name);
        Shell_.StartInstrumentName = Instruments_->CurrentName();
        Shell_.StartInstrumentKind = Instruments_->CurrentKind();
        return started;
    };
    block.WindowCreated = [this, earlier = std::move(block.WindowCreated)](TMorda_fr& window) {
        if (earlier) earlier(window);
        AttachWindow(window);
    };
    steps.SetInstrGuiReady = [this] { Instruments_->SetGUIReady(true); };
}

}  // namespace vt
