#include "ui/SystemDialogsFeature.h"

#include <QCoreApplication>
#include <QProcess>
#include <algorithm>

#include "core/Shell.h"
#include "link/InstrumentIdentity.h"
#include "link/InstrumentInfo.h"
#include "link/InstrumentLink.h"
#include "ui/MainCommandsUi.h"
#include "ui/MainWindow.h"
#include "ui/UserDialogs.h"
#include "ui/InstrumentStart.h"
#include "ui/MainWindowFeature.h"
#include "ui/dialogs/AdjustAccessForm.h"
#include "ui/dialogs/InitialisationDialogs.h"
#include "ui/dialogs/MacAddressForm.h"
#include "ui/dialogs/TcpIpForm.h"

namespace vt {

namespace {
constexpr int DemoIdentityBlock = 1;
constexpr int LeastDemoYear = 2009;
}  // namespace

TSystemDialogsFeature::TSystemDialogsFeature(TShell& shell, TUserDialogs& dialogs, TMainCommandsUi& mainCommands)
    : Shell_(shell), Dialogs_(dialogs) {
    mainCommands.ShowInstrumentInfo = [this] { ShowInstrumentInfo(); };
    mainCommands.ShowTcpIpProperties = [this] { ShowTcpIpProperties(); };
    Info.ChangeModel = [this](QWidget* owner) { SelectModelDialog(owner); };
}

std::optional<TSystemDialogsFeature::TRestart> TSystemDialogsFeature::TakeRestart() {
    if (!Restart_) return std::nullopt;
    Restart_ = false;
    return RestartWith_;
}

void StartProgramCopy(const TSystemDialogsFeature::TRestart& restart) {
    QStringList args;
    for (const std::string& a : restart.Args) args << QString::fromStdString(a);
    QProcess::startDetached(QString::fromStdString(restart.Program), args);
}

void TSystemDialogsFeature::WindowCreated(TMorda_fr& window, TSideMenus&, TKitContext&) { Window_ = &window; }

void TSystemDialogsFeature::WindowGone() { Window_ = nullptr; }

void TSystemDialogsFeature::ShowInstrumentInfo() {
    TSysInfoFrm form(Shell_, Dialogs_, Info, Window_.data());
    InfoWindow_ = &form;
    // Known to the shell while open, however the window ends.
    struct TForget {
        TShell& Shell;
        ~TForget() { Shell.RefreshInfoWindow = nullptr; }
    } forget{Shell_};
    Shell_.RefreshInfoWindow = [&form] { form.Refresh(); };
    RunModal(Runner, form);
    InfoWindow_ = nullptr;
}

void TSystemDialogsFeature::ShowTcpIpProperties() {
    TTcpIpFrm form(Shell_, Dialogs_, Window_.data());
    form.Runner = Runner;
    RunModal(Runner, form);
}

bool TSystemDialogsFeature::SelectModelDialog(QWidget* owner) {
    TInstrumentIdentityUnit* unit = Shell_.Identity();
    const TInstrumentIdentity id = unit ? unit->Identity : TInstrumentIdentity{};
    TSelectModelofInstruments form(Shell_, id.ModelType, NextRunType_, owner);
    if (RunModal(Runner, form) != QDialog::Accepted) return false;
    const int type = form.Chosen();
    const TInstrumentLink* link = Shell_.Link();
    if (unit && link && link->LinkKind() == TInstrumentLinkKind::Demo) {
        // The demo instrument of the next run; this run keeps its own type, options and year.
        const int yearCode = std::max<int>(id.Year, LeastDemoYear) - 2000;
        const int optionCode = ~ModelOptionFlags(type) & 0xFF;
        WriteDemoIdentity(unit->DataRoot(), Shell_.StartInstrumentName, DemoIdentityBlock,
                          GetModelFlashCode(static_cast<std::uint8_t>(type)), false, id.SerialNo, yearCode,
                          optionCode);
    }
    NextRunType_ = type;
    if (RecallFactoryAndSaveDefault) RecallFactoryAndSaveDefault();
    if (form.RestartChosen() && Window_) {
        RestartWith_.Program = QCoreApplication::applicationFilePath().toStdString();
        const QStringList args = QCoreApplication::arguments();
        RestartWith_.Args.clear();
        for (qsizetype i = 1; i < args.size(); ++i) RestartWith_.Args.push_back(args[i].toStdString());
        Restart_ = true;
        Window_->close();
        // A close the user cancelled restarts nothing.
        if (Window_ && Window_->isVisible()) Restart_ = false;
    }
    return true;
}

void AddSystemDialogsToEnglishFile(TMainWindowFeature& mainWindow, TShell& shell, TUserDialogs& dialogs,
                                   TSystemDialogsFeature& system, TInstrumentStart& instruments) {
    TShell* sh = &shell;
    TUserDialogs* q = &dialogs;
    TSystemDialogsFeature* sys = &system;
    TInstrumentStart* ins = &instruments;
    const std::string_view demo = kDefaultAutoName;
    mainWindow.AddEnglishFileDialog("TDialog1", [demo](QWidget* o) { return new TDialog1(demo, true, o); });
    mainWindow.AddEnglishFileDialog("TDialog2", [demo](QWidget* o) { return new TDialog2(demo, true, o); });
    mainWindow.AddEnglishFileDialog("TDialog3", [demo](QWidget* o) { return new TDialog3(demo, true, o); });
    mainWindow.AddEnglishFileDialog("TAdjustAccess", [sh](QWidget* o) { return new TAdjustAccess(*sh, o); });
    mainWindow.AddEnglishFileDialog("TSysInfoFrm",
                                    [sh, q, sys](QWidget* o) { return new TSysInfoFrm(*sh, *q, sys->Info, o); });
    mainWindow.AddEnglishFileDialog("TSelectModelofInstruments",
                                    [sh](QWidget* o) { return new TSelectModelofInstruments(*sh, 0, 0, o); });
    mainWindow.AddEnglishFileDialog("TTcpIpFrm", [sh, q](QWidget* o) { return new TTcpIpFrm(*sh, *q, o); });
    mainWindow.AddEnglishFileDialog("TfrmMAC_Address", [sh, q](QWidget* o) { return new TfrmMAC_Address(*sh, *q, o); });
    mainWindow.AddEnglishFileDialog("TfrmSelectInstrument", [ins](QWidget* o) { return ins->CreateSelectForm(o); });
    mainWindow.AddEnglishFileDialog("TfrmEditInstrument", [ins](QWidget* o) { return ins->CreateEditForm(o); });
}

}  // namespace vt
