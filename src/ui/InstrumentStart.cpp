#include "ui/InstrumentStart.h"

#include <cstdlib>

#include "core/CommandTree.h"
#include "core/Shell.h"
#include "link/InstrumentConnection.h"
#include "link/InstrumentLink.h"
#include "program/ProgramLife.h"
#include "ui/MainWindow.h"
#include "ui/UserDialogs.h"

namespace vt {

void ShowSplashStatus(TProgramLife& life, const std::string& status) {
    ForEachUiFeature(life.Features(), [&status](TUiFeature& f) { f.SplashStatus(status); });
}

class TInstrumentStart::TCallUps final : public TInstrumentsServices, public TMainWindowSwitch {
public:
    explicit TCallUps(TInstrumentStart& start) : S_(start) {}

    // --- the program ---
    void SplashStatus(const std::string& status) override { ShowSplashStatus(S_.Life_, status); }
    std::string LangText(std::string_view key, std::string_view builtIn) override {
        const std::string* text = S_.Shell_.Language().Strings().Find(key);
        return text ? *text : std::string(builtIn);
    }
    void ShowMessage(const std::string& text) override {
        S_.Dialogs_.ShowMessage(nullptr, QString::fromStdString(text));
    }
    bool StartedAsComServer() override { return S_.Shell_.GuiRemote || S_.Embedding_; }
    void SetAutoCalTimer(bool on) override { S_.Shell_.AutoCalTimerEnabled = on; }
    void ReadReferenceTemperature() override {
        if (S_.ReadReferenceTemperature) S_.ReadReferenceTemperature();
    }

    // --- the run-time switch: from the stop to the start the link's waits keep the window painting ---
    void StopMainWindow() override {
        S_.Clock_.SetResponsive(true);
        if (Window) Window->CloseSideMenus();
        S_.Life_.StopInstrument();
    }
    void StartMainWindow(bool present) override {
        S_.Clock_.SetResponsive(false);
        S_.Shell_.StartInstrumentName = S_.Instruments_->CurrentName();
        S_.Shell_.StartInstrumentKind = S_.Instruments_->CurrentKind();
        S_.Life_.StartInstrument(present);
    }

    TMorda_fr* Window = nullptr;  // while the main window exists

private:
    TInstrumentStart& S_;
};

TInstrumentStart::TInstrumentStart(TShell& shell, TProgramLife& life, TUserDialogs& dialogs,
                                   std::vector<std::string> args, bool embedding)
    : Shell_(shell),
      Life_(life),
      Dialogs_(dialogs),
      Args_(std::move(args)),
      Embedding_(embedding),
      CallUps_(std::make_unique<TCallUps>(*this)) {}

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
    Instruments_->SetServices(CallUps_.get());
    Instruments_->SetMainWindowSwitch(CallUps_.get());
    Instruments_->List().ShowMessage = [this](const std::string& text) { CallUps_->ShowMessage(text); };
    Instruments_->List().LoadInstrumentList(Args_);
}

bool TInstrumentStart::StartStartInstrument() {
    std::string name;
    const bool started = Instruments_->StartInstrument(true, name);
    Shell_.StartInstrumentName = Instruments_->CurrentName();
    Shell_.StartInstrumentKind = Instruments_->CurrentKind();
    return started;
}

void TInstrumentStart::WindowCreated(TMorda_fr& window, TSideMenus&, TKitContext&) { CallUps_->Window = &window; }

void TInstrumentStart::WindowGone() { CallUps_->Window = nullptr; }

}  // namespace vt
