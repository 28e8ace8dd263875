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

class TInstrumentStart::TCallUps final : public TInstrumentsServices, public TMainWindowSwitch {
public:
    explicit TCallUps(TInstrumentStart& start) : S_(start) {}

    // --- the program ---
    void SplashStatus(const std::string& status) override { DoStep(Splash, status); }
    std::string LangText(std::string_view key, std::string_view builtIn) override {
        const std::string* text = S_.Shell_.Language().Strings().Find(key);
        return text ? *text : std::string(builtIn);
    }
    void ShowMessage(const std::string& text) override {
        S_.Dialogs_.ShowMessage(nullptr, QString::fromStdString(text));
    }
    bool StartedAsComServer() override { return S_.Shell_.GuiRemote || HasCommandLineParam(S_.Args_, "-Embedding"); }
    void SetAutoCalTimer(bool on) override { S_.Shell_.AutoCalTimerEnabled = on; }

    // --- the main window: from its stop to its start the link's waits keep it painting ---
    void StopMainWindow() override {
        S_.Clock_.SetResponsive(true);
        Window->CloseSideMenus();
        Window->StopInstrument();
    }
    void StartMainWindow(bool present) override {
        S_.Clock_.SetResponsive(false);
        S_.Shell_.StartInstrumentName = S_.Instruments_->CurrentName();
        S_.Shell_.StartInstrumentKind = S_.Instruments_->CurrentKind();
        Window->StartInstrument(present);
    }

    std::function<void(const std::string&)> Splash;  // the main block's splash status
    TMorda_fr* Window = nullptr;                      // set before the switch is attached

private:
    TInstrumentStart& S_;
};

TInstrumentStart::TInstrumentStart(TShell& shell, TUserDialogs& dialogs, std::vector<std::string> args)
    : Shell_(shell), Dialogs_(dialogs), Args_(std::move(args)), CallUps_(std::make_unique<TCallUps>(*this)) {}

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
    CallUps_->Splash = block.SplashStatus;
    Instruments_->SetServices(CallUps_.get());
    Instruments_->List().ShowMessage = [this](const std::string& text) { CallUps_->ShowMessage(text); };
}

void TInstrumentStart::AttachWindow(TMorda_fr& window) {
    CallUps_->Window = &window;
    Instruments_->SetMainWindowSwitch(CallUps_.get());
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
