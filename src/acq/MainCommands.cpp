#include "acq/MainCommands.h"

#include <optional>
#include <string>
#include <utility>

#include "core/CommandTree.h"
#include "core/Handlers.h"
#include "core/PreparedSetupStep.h"
#include "core/Shell.h"
#include "core/UndoBuffer.h"
#include "link/CommandSenders.h"
#include "link/InstrumentLink.h"

namespace vt {

namespace {

void BreakAcquisition(TShell& shell) {
    if (TInstrumentLink* link = shell.Link()) link->BreakAcquisition(true);
}

void ClearCommandCache(TShell& shell) {
    if (TInstrumentSenders* senders = shell.Senders()) senders->ClearCommandCache();
}

void ShowAcquisitionState(TShell& shell) {
    shell.Display().TopTextShowColumn(2);
    shell.Display().TopTextShowColumn(3);
}

bool FromRemote(THandler& h) { return h.GetWhoChanged() == wcvRemote; }

}  // namespace

void StopRunMode(TShell& shell, TMainCommands& commands) {
    shell.RunOn = false;
    if (commands.Run) commands.Run->NotifySwitchers();
}

void UndoRedoSettings(TShell& shell, TMainCommandSteps& steps, bool redo, bool dropRedo) {
    TCommandTree* tree = shell.CommandTree();
    bool delaysSaved = false;
    // Ends every undo and redo, also one that applied nothing or failed half-way. The delays are put
    // back only when this step saved them: older saved values would undo later changes of the delays.
    auto finish = [&] {
        if (tree) tree->EndSettingsLoad();
        if (delaysSaved) steps.RestoreTimebaseDelays();
        shell.Serial().ApplyPendingTdrClear();
    };
    try {
        TUndoBuffer* buffer = shell.UndoBuffer();
        if (buffer && !(redo ? buffer->RedoEmpty() : buffer->UndoEmpty())) {
            std::optional<TUndoList> list = redo ? buffer->Redo() : buffer->Undo();
            if (list) {
                steps.SaveTimebaseDelays();
                delaysSaved = true;
                if (tree) tree->BeginSettingsLoad();
                for (const TUndoItem& item : *list)
                    if (item.Handler) ApplyCommandText(*item.Handler, item.Text);
                if (dropRedo) buffer->ClearRedo();
            }
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

TMainCommands RegisterMainCommands(TShell& shell, TMainCommandWindow& window, TMainCommandSteps& steps) {
    TSpider& root = shell.CommandTree()->Root();
    // The callbacks reach handlers registered after them.
    auto commands = std::make_shared<TMainCommands>();

    commands->ClrDispl = &root.AddMainCommandHandler("*ClrDispl", {.Action = [&shell](THandler&) {
        BreakAcquisition(shell);
        shell.Analysis().ClearSharedHistogram();
        shell.Display().RecreateScreens();
        shell.Analysis().ResetAllTrendAverages();
        shell.Analysis().RestartMeasStatistics();
        shell.Display().InvalidateHisticons();
        shell.Serial().RestartEyeAccumulation();
        shell.Serial().ClearReflectionParams();
        shell.Serial().ResetMaskCounters();
        shell.Analysis().InvalidateMarkerValues();
        shell.Display().ClearBottomText();
    }});

    commands->Run = &root.AddMainCommandHandler(
        "*Run", {.Variable = &shell.RunOn, .Action = [&shell, &steps, commands](THandler&) {
                     ClearCommandCache(shell);
                     steps.StopDatabase();
                     steps.SetRedrawFlags();
                     shell.SingleOn = false;
                     if (commands->StopSingle) commands->StopSingle->NotifySwitchers();
                     ShowAcquisitionState(shell);
                 }});

    commands->StopSingle = &root.AddMainCommandHandler(
        "*StopSingle",
        {.Variable = &shell.SingleOn, .StateWords = "Stop,Single", .Action = [&shell, &steps, commands](THandler&) {
             ClearCommandCache(shell);
             steps.StopDatabase();
             steps.SetRedrawFlags();
             StopRunMode(shell, *commands);
             if (!shell.SingleOn) {
                 BreakAcquisition(shell);
                 return;
             }
             ShowAcquisitionState(shell);
         }});

    // "*Autoscale": a run that cannot start (no channel shown, one running, a calibration) replies
    // "ERROR" rather than the empty line of a run that ended well.
    commands->Autoscale = &root.AddRefusing<TMainCommandHandler>(
        "*Autoscale", {},
        TMainCommandOptions{.InitialIndex = 0, .MenuWords = "Auto,SingleVal,NRZ,RZ", .Action = [&steps, commands](THandler&) {
                                if (!steps.StartAutoScale(commands->Autoscale->CurrentIndex())) commands->Autoscale->Refuse();
                            }});

    // "*DefSetup": a save that fails where no message is shown (a remote command) replies "ERROR", so that
    // the console or the automation client learns of it. Remembered index -1: no menu entry of these
    // shows a check mark.
    commands->DefSetup = &root.AddRefusing<TMainCommandHandler>("*DefSetup", {}, TMainCommandOptions{
        .InitialIndex = -1,
        .MenuWords = "Default,Factory,PowerOff,SaveAsDef",
        .Action = [&steps, commands](THandler& h) {
            const int choice = commands->DefSetup->LastRequestedIndex();
            if (choice == dsSaveAsDef) {
                const bool showErrors = !FromRemote(h);
                if (!steps.SaveSetup(dsDefault, showErrors) && !showErrors) commands->DefSetup->Refuse();
                return;
            }
            steps.RecallSetup(choice <= 0 ? dsDefault : choice, true);
        }});

    commands->Undo = &root.AddMainCommandHandler(
        "*Undo", {.InitialIndex = -1, .MenuWords = "Undo,Redo", .Action = [&shell, &steps](THandler& h) {
                      // A remote refusal becomes the command's reply.
                      std::string why = shell.Serial().UndoRefusal();
                      // The calibrations put their prepared undo step back at their end as well.
                      if (why.empty() && shell.CalibrationRunning) why = UndoWaitText("calibration");
                      if (!why.empty()) {
                          shell.User().ShowErrorDlg(why);
                          return;
                      }
                      UndoRedoSettings(shell, steps, static_cast<TMainCommandHandler&>(h).LastRequestedIndex() == 1,
                                       false);
                  }});

    commands->Copy = &root.AddMainCommandHandler(
        "*Copy", {.InitialIndex = ckFullWindow,
                  .MenuWords = "FullScreen,FullWindow,ClientPart,InvClientPart,ScopeScreen,InvScopeScr",
                  .Action = [&window](THandler& h) {
                      window.CopyScreenToClipboard(static_cast<TMainCommandHandler&>(h).CurrentIndex());
                  }});

    // A printer setup that cannot be shown replies "ERROR": nothing was set up.
    commands->Print = &root.AddRefusing<TMainCommandHandler>("*Print", {}, TMainCommandOptions{
        .InitialIndex = -1, .MenuWords = "Print,PrinterSetup", .Action = [&window, commands](THandler& h) {
            if (commands->Print->LastRequestedIndex() > 0) {
                if (!window.PrinterSetup()) commands->Print->Refuse();
                return;
            }
            window.PrintWindow(!FromRemote(h));
        }});

    commands->Help = &root.AddMainCommandHandler(
        "SHADOW:Help", {.InitialIndex = -1, .MenuWords = "1,2", .Action = [&window](THandler& h) {
                            switch (static_cast<TMainCommandHandler&>(h).LastRequestedIndex()) {
                                case -1: window.EnterContextHelp(); break;
                                case 1: window.ShowAbout(); break;
                                default: window.ShowHelpContext(1); break;
                            }
                        }});
    return *commands;
}

TMainCommandsFeature::TMainCommandsFeature(TMainCommandWindow& window) : Window_(window) {}

void TMainCommandsFeature::FillRows(TShell& shell) {
    shell.Registration.Add(TRegistrationRow::RegisterMainCommands,
                           [this](TShell& s) { Commands_ = RegisterMainCommands(s, Window_, *Steps_); });
}

void TMainCommandsFeature::StopRunning() {
    if (Shell_) Shell_->ExecuteCommandString("*StopSingle Stop");
}

}  // namespace vt
