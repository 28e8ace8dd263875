#pragma once
// The instrument's information, network and demo-model dialogs as a feature of the program: the
// About box's two buttons open them; the demo model chosen for the next run and a restart asked for
// live here.
#include <QPointer>
#include <functional>
#include <optional>
#include <vector>
#include <string>

#include "ui/UiFeature.h"
#include "ui/dialogs/DialogRunner.h"
#include "ui/dialogs/SysInfoForm.h"

namespace vt {

class TMainCommandsUi;
class TShell;
class TUserDialogs;

class TSystemDialogsFeature : public TUiFeature {
public:
    // A new copy of the program that "Restart Now" asked for.
    struct TRestart {
        std::string Program;
        std::vector<std::string> Args;
    };

    TSystemDialogsFeature(TShell& shell, TUserDialogs& dialogs, TMainCommandsUi& mainCommands);

    void WindowCreated(TMorda_fr& window, TSideMenus& menus, TKitContext& kit) override;
    void WindowGone() override;

    void ShowInstrumentInfo();
    void ShowTcpIpProperties();
    // The demo model of the next run; true when a choice was taken.
    bool SelectModelDialog(QWidget* owner);

    // Slots of features built elsewhere (empty until they are): the adjustment and calibration
    // values (read from the instrument, unstored changes), and the recall of the factory setup saved
    // as the user's default setup.
    TInfoHooks Info;
    std::function<void()> RecallFactoryAndSaveDefault;

    TDialogRunner Runner;  // exec() when empty
    // The information window while it is open (refreshed after a link recovery).
    TSysInfoFrm* OpenInfoWindow() const { return InfoWindow_.data(); }
    int NextRunType() const { return NextRunType_; }
    bool RestartRequested() const { return Restart_; }
    // The restart asked for, once: its owner starts it when every feature has ended, so that the
    // copy finds the instrument's lock free.
    std::optional<TRestart> TakeRestart();

private:
    TShell& Shell_;
    TUserDialogs& Dialogs_;
    QPointer<QWidget> Window_;
    QPointer<TSysInfoFrm> InfoWindow_;
    int NextRunType_ = 0;
    bool Restart_ = false;
    TRestart RestartWith_;
};

}  // namespace vt

namespace vt {
class TInstrumentStart;
class TMainWindowFeature;

// Starts the copy on its own, detached from this process.
void StartProgramCopy(const TSystemDialogsFeature::TRestart& restart);
// The start-up, instrument, access and system dialogs, for the English file to write at their places.
void AddSystemDialogsToEnglishFile(TMainWindowFeature& mainWindow, TShell& shell, TUserDialogs& dialogs,
                                   TSystemDialogsFeature& system, TInstrumentStart& instruments);
}  // namespace vt
