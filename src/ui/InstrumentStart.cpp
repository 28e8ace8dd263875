#include "ui/InstrumentStart.h"

#include <cstdlib>

#include "core/CommandTree.h"
#include "core/Shell.h"
#include "link/InstrumentConnection.h"
#include "link/InstrumentIdentity.h"  // HasCommandLineParam
#include "link/InstrumentLink.h"
#include "program/ProgramLife.h"
#include "ui/MainWindow.h"
#include "ui/UserDialogs.h"

namespace vt {

void ShowSplashStatus(TProgramLife& life, const std::string& status) {
    ForEachUiFeature(life.Features(), [&status](TUiFeature& f) { f.SplashStatus(status); });
}

TInstrumentStart::TInstrumentStart(TShell& shell, TProgramLife& life, TUserDialogs& dialogs,
                                   std::vector<std::string> args)
    : Shell_(shell), Life_(life), Dialogs_(dialogs), Args_(std::move(args)) {}

TInstrumentStart::~TInstrumentStart() {
    // The link runs on this feature's clock: it ends first.
    if (Shell_.Link()) Shell_.SetLink(TOwnedPart<TInstrumentLink>(nullptr, nullptr));
}

void TInstrumentStart::FillRows(TShell& shell) {
    shell.Registration.Add(TRegistrationRow::RegisterInstrCommands, [this](TShell& s) {
        if (Instruments_ && s.CommandTree()) Instruments_->RegisterInstrCommands(s.CommandTree()->Root());
    });
    shell.StartUpSteps.Add(TStartUpRow::SetInstrGuiReady, [this](TShell&) {
        if (Instruments_) Instruments_->SetGUIReady(true);
    });
}

void TInstrumentStart::LoadInstrumentList() {
    // The link and the data folders exist from here on.
    TInstrumentLink& link = *Shell_.Link();
    const std::filesystem::path root = Shell_.Folders.InstallFolder;
    Instruments_ = std::make_unique<TInstruments>(root / kConfigurationFileName,
                                                  DefaultLockFolder([](const char* n) { return std::getenv(n); }), link);
    auto message = [this](const std::string& text) { Dialogs_.ShowMessage(nullptr, QString::fromStdString(text)); };

    TInstrumentsHooks& hooks = Instruments_->Hooks;
    hooks.SplashStatus = [this](const std::string& status) { ShowSplashStatus(Life_, status); };
    hooks.LangText = [this](std::string_view key, std::string_view builtIn) {
        const std::string* text = Shell_.Language().Strings().Find(key);
        return text ? *text : std::string(builtIn);
    };
    hooks.ShowMessage = message;
    hooks.StartedAsComServer = [this] { return Shell_.GuiRemote || HasCommandLineParam(Args_, "-Embedding"); };
    hooks.SetAutoCalTimer = [this](bool on) { Shell_.AutoCalTimerEnabled = on; };
    // From the stop to the start of the main window the link's waits keep the window painting.
    hooks.StopMainWindow = [this] {
        Clock_.SetResponsive(true);
        if (Window_) Window_->CloseSideMenus();
        Life_.StopInstrument();
    };
    hooks.StartMainWindow = [this](bool present) {
        Clock_.SetResponsive(false);
        Shell_.StartInstrumentName = Instruments_->CurrentName();
        Life_.StartInstrument(present);
    };
    Instruments_->List().ShowMessage = message;
    Instruments_->List().LoadInstrumentList(Args_);
}

bool TInstrumentStart::StartStartInstrument() {
    std::string name;
    const bool started = Instruments_->StartInstrument(true, name);
    Shell_.StartInstrumentName = Instruments_->CurrentName();
    return started;
}

void TInstrumentStart::WindowCreated(TMorda_fr& window, TSideMenus&, TKitContext&) { Window_ = &window; }

void TInstrumentStart::WindowGone() { Window_ = nullptr; }

}  // namespace vt
