#include "ui/InstrumentStart.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QStandardPaths>
#include <QUrl>
#include <cstdlib>
#include <cstring>

#include "core/CommandTree.h"
#include "core/LanguageState.h"
#include "core/ProgramLog.h"
#include "core/Shell.h"
#include "link/InstrumentConnection.h"
#include "link/InstrumentLink.h"
#include "program/ProgramLife.h"
#include "ui/MainWindow.h"
#include "ui/UserDialogs.h"
#include "ui/controls/LanguageForm.h"
#include "ui/dialogs/EditInstrumentForm.h"
#include "ui/dialogs/SelectInstrumentForm.h"

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
        S_.Dialogs_.ShowMessage(Window, QString::fromStdString(text));
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
    Instruments_->Dialogs = &StartUpDialogs_;
    StartUpDialogs_.Translate = [this](QWidget& form) {
        TLanguageState& lang = Shell_.Language();
        const TLangIniFile* file = lang.FormTextsFile();
        if (file && !lang.EnglishFileMissing()) ApplyFormTexts(*file, form, lang);
    };
    Instruments_->SetServices(CallUps_.get());
    Instruments_->SetMainWindowSwitch(CallUps_.get());
    Instruments_->List().ShowMessage = [this](const std::string& text) { CallUps_->ShowMessage(text); };
    Instruments_->List().LoadInstrumentList(Args_);
}

bool TInstrumentStart::StartStartInstrument() {
    std::string name;
    const bool started = Instruments_->StartInstrument(true, name);
    if (!started && NoVisibleScreen()) {
        // The script that started the program learns which instrument failed and why.
        std::string text = Instruments_->GiveUpText();
        if (const std::size_t eol = text.find('\n'); eol != std::string::npos) text.replace(eol, 1, ": ");
        LogProgramLine(text + " The program ends.");
    }
    Shell_.StartInstrumentName = Instruments_->CurrentName();
    Shell_.StartInstrumentKind = Instruments_->CurrentKind();
    return started;
}

void TInstrumentStart::WindowCreated(TMorda_fr& window, TSideMenus&, TKitContext&) {
    CallUps_->Window = &window;
    StartUpDialogs_.Owner = &window;
}

void TInstrumentStart::WindowGone() {
    CallUps_->Window = nullptr;
    StartUpDialogs_.Owner = nullptr;
}

QWidget* TInstrumentStart::CreateSelectForm(QWidget* owner) {
    if (!Instruments_) return nullptr;
    if (!FormContext_) {
        FormContext_ = std::make_unique<TSelectInstrumentsContext>();
        FormContext_->Dialogs = &Dialogs_;
    }
    return new TfrmSelectInstrument(*Instruments_, *FormContext_, owner);
}

QWidget* TInstrumentStart::CreateEditForm(QWidget* owner) {
    return Instruments_ ? new TfrmEditInstrument(Instruments_->List(), Dialogs_, owner) : nullptr;
}

bool TInstrumentStart::SelectInstrumentsDialog() {
    if (!Instruments_) return true;
    TSelectInstrumentsContext context;
    context.Dialogs = &Dialogs_;
    context.Runner = StartUpDialogs_.Runner;
    context.Args = Args_;
    context.Program = QCoreApplication::applicationFilePath().toStdString();
    // A shortcut names the data root unless it is the one a plain start finds.
    std::vector<std::string> none;
    const std::filesystem::path plainRoot = ResolveDataRoot(none, [](const char* n) -> const char* {
        return std::strcmp(n, "VELTRANE_HOME") == 0 ? nullptr : std::getenv(n);
    });
    const std::filesystem::path root = std::filesystem::path(Shell_.Folders.InstallFolder).lexically_normal();
    if ((root / "").lexically_normal() != (plainRoot / "").lexically_normal()) context.DataRoot = root;
    context.DesktopFolder = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation).toStdString();
    context.Lang = [this](std::string_view key, std::string_view builtIn) {
        return CallUps_->LangText(key, builtIn);
    };
    context.ShowFolder = [](const std::filesystem::path& folder) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder.string())));
    };
    return vt::SelectInstrumentsDialog(*Instruments_, context, CallUps_->Window);
}

}  // namespace vt
