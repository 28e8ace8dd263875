#include "program/ProgramLife.h"

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "acq/SaveRecall.h"
#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/ProgramLog.h"
#include "core/Shell.h"
#include "core/UndoBuffer.h"
#include "link/InstrumentIdentity.h"
#include "link/InstrumentLink.h"

namespace vt {

namespace {

// Without a window the life still runs (the program's end before the window, plain tests).
class TNoView : public TMainView {
public:
    void ProcessPendingEvents() override {}
    void BuildMainMenuTable() override {}
    void InstallIdleHandler() override {}
    void OpenStartMenus() override {}
    void SetSideMenusHidden(bool) override {}
    void CloseSideMenus() override {}
    void ShowMainControls(bool) override {}
    void SetCaption(const std::string&) override {}
    void EnableOptionMenus() override {}
    void ApplyGuiMode() override {}
    void FollowTimerRequests() override {}
    void CreateEnglishLanguageFile() override {}
    void ShowError(const std::string&) override {}
    TCloseAnswer AskYesNoCancel(const std::string&) override { return TCloseAnswer::No; }
};

TMainView& ViewOrNone(TMainView* view) {
    static TNoView none;
    return view ? *view : none;
}

}  // namespace

int MainTimerIntervalMs(TMainTimer timer) {
    switch (timer) {
        case TMainTimer::VariablePersist: return 16;
        case TMainTimer::FlagRegisterReading: return 1500;
        case TMainTimer::AutoCal: return 5000;
        case TMainTimer::Count: break;
    }
    return 0;
}

TProgramLife::TProgramLife(TShell& shell) : Shell_(shell) {}

void TProgramLife::Install(TFeature& feature) {
    feature.FillRows(Shell_);
    Features_.push_back(&feature);
}

const TInstrumentIdentity& TProgramLife::Identity() const {
    static const TInstrumentIdentity none{};
    const TInstrumentIdentityUnit* unit = Shell_.Identity();
    return unit ? unit->Identity : none;
}

bool TProgramLife::ReadIndividualData() {
    TInstrumentIdentityUnit* unit = Shell_.Identity();
    return unit && unit->ReadIndividualData(Shell_.StartInstrumentName);
}

void TProgramLife::ResetSignalStates() {
    if (TSignalRecords* records = Shell_.Records()) records->ResetStates();
}

// ---------------------------------------------------------------------------------------------
// Start-up and instruments

bool TProgramLife::StartUp() {
    bool started = false;
    try {
        started = RunStartUp();
    } catch (...) {
        for (TFeature* f : Features_) f->StartUpEnded(Shell_);
        throw;
    }
    for (TFeature* f : Features_) f->StartUpEnded(Shell_);
    return started;
}

bool TProgramLife::RunStartUp() {
    TMainView& view = ViewOrNone(View_);
    view.ProcessPendingEvents();
    Shell_.Display().PushHint(VersionText, 5000);
    Shell_.StartUpSteps.RunRow(Shell_, TStartUpRow::BindSwitchersOfStrips);
    if (Shell_.StartUpSteps.Has(TStartUpRow::CreateEnglishLanguageFile)) {
        Shell_.StartUpSteps.RunRow(Shell_, TStartUpRow::CreateEnglishLanguageFile);
    } else {
        view.CreateEnglishLanguageFile();
    }
    view.BuildMainMenuTable();
    Shell_.StartUpSteps.RunRow(Shell_, TStartUpRow::InitSourceSwitcherItems);
    Shell_.Serial().RefreshStdMaskFamily();
    view.InstallIdleHandler();
    Shell_.FlagRegisterReadingEnabled = true;
    // Taken before the first instrument start, so it holds the values given at registration.
    SaveSetup(Shell_, SetupKindFactory, true);
    const bool present = Shell_.StartInstrumentPresent();
    const bool started = StartInstrument(present);
    Shell_.StartUpSteps.RunRow(Shell_, TStartUpRow::LoadMemoriesFromDisk);
    Shell_.StartUpSteps.RunRow(Shell_, TStartUpRow::LoadPatternLengthList);
    view.OpenStartMenus();
    if (!present) view.SetSideMenusHidden(true);
    view.ApplyGuiMode();
    Shell_.StartUpSteps.RunRow(Shell_, TStartUpRow::SetInstrGuiReady);
    Shell_.AutoCalTimerEnabled = true;
    view.FollowTimerRequests();
    return started;
}

bool TProgramLife::StartInstrument(bool present) {
    TMainView& view = ViewOrNone(View_);
    if (present) {
        view.SetSideMenusHidden(false);
        view.OpenStartMenus();
    }
    view.ShowMainControls(present);
    // Without an instrument no options of an earlier one may gate menus or limits.
    if (!present)
        if (TInstrumentIdentityUnit* unit = Shell_.Identity()) unit->ClearIdentity();
    if (present && !ReadIndividualData()) {
        view.ShowError("Error Reading the Individual Information from the Instruments.");
        return false;
    }
    view.SetCaption(Identity().BuildMainCaption(present, [this](std::string_view key) { return Shell_.LangStr(key); }));
    RegisterLateCommandHandlers(Shell_);
    if (!Shell_.UndoBuffer()) Shell_.SetUndoBuffer(std::make_unique<TUndoBuffer>());
    ResetSignalStates();
    Shell_.SetApplyUnchangedValues(true);
    if (present) Shell_.InstrumentStartSteps.RunRow(Shell_, TInstrumentStartRow::RefreshHelpCaptionAndCalibration);
    view.EnableOptionMenus();
    if (present && !Shell_.ShiftAtStart)
        Shell_.InstrumentStartSteps.RunRow(Shell_, TInstrumentStartRow::RecallDefaultSetup);
    Shell_.InstrumentStartSteps.RunRow(Shell_, TInstrumentStartRow::ApplyGssDefaultsForLink);
    UpdateUiForInstrument(Shell_, {Identity().HasOptOptics(), Identity().HasOptGenerators()});
    Shell_.InstrumentStartSteps.RunRow(Shell_, TInstrumentStartRow::UpdateHoldoffTracking);
    Shell_.InstrumentStartSteps.RunRow(Shell_, TInstrumentStartRow::ResendInstrumentSettings);
    Shell_.Display().TopTextUpdateAll();
    Shell_.SetApplyUnchangedValues(false);
    Shell_.AcqEnabled = true;
    if (present) Shell_.ExecuteCommandString("*Run");
    if (TUndoBuffer* undo = Shell_.UndoBuffer()) undo->SetEnabled(true);
    return true;
}

void TProgramLife::StopInstrument() {
    Shell_.SetUndoBuffer(nullptr);
    Shell_.StopInProgress = true;
    try {
        Shell_.ExecuteCommandString("*StopSingle Stop");
    } catch (...) {
        Shell_.StopInProgress = false;
        throw;
    }
    Shell_.StopInProgress = false;
    Shell_.AcqEnabled = false;
    Shell_.SetApplyUnchangedValues(true);  // until the next instrument start clears it
    for (TFeature* f : Features_) f->InstrumentStopped(Shell_);
}

// ---------------------------------------------------------------------------------------------
// Close

bool TProgramLife::CloseQuery() {
    int holders = 0;
    for (TFeature* f : Features_) holders += f->ClientsHoldingProgram();
    if (holders > 0) throw std::runtime_error(Shell_.LangStr("ActiveCOMclient"));
    Shell_.MainWindowClosing = true;
    auto stopAndBreak = [this] {
        for (TFeature* f : Features_) f->StopRunning();
        for (TFeature* f : Features_) f->BreakAcquisition(true);
    };
    stopAndBreak();

    TUnstoredValues unstored;
    for (const TFeature* f : Features_) f->AddUnstoredValues(unstored);
    TMainView& view = ViewOrNone(View_);
    bool storeAdjustment = false;
    bool storeCalibration = false;
    // A close that asks nobody keeps what the instrument has stored, and says so.
    const auto ask = [&](const char* key) {
        if (!Shell_.CloseUnasked) return view.AskYesNoCancel(Shell_.LangStr(key));
        LogProgramLine(Shell_.LangStr(key) + " -- No (the program ends by a signal)");
        return TCloseAnswer::No;
    };
    if (unstored.AdjustmentModified && unstored.AdjustAccessGranted) {
        const TCloseAnswer a = ask("QueSaveAdjusting");
        if (a == TCloseAnswer::Cancel) {
            Shell_.MainWindowClosing = false;
            return false;
        }
        stopAndBreak();
        storeAdjustment = a == TCloseAnswer::Yes;
    } else if (unstored.CalibrationModified) {
        const TCloseAnswer a = ask("QueSaveCalibration");
        if (a == TCloseAnswer::Cancel) {
            Shell_.MainWindowClosing = false;
            return false;
        }
        storeCalibration = a == TCloseAnswer::Yes;
    }
    if (storeAdjustment)
        for (TFeature* f : Features_) f->StoreValues(true);
    if (storeCalibration)
        for (TFeature* f : Features_) f->StoreValues(false);
    // Without a started instrument the settings are still the registration defaults (or another
    // instrument's): saving them would overwrite the user's power-off setup.
    if (Shell_.AcqEnabled)
        for (TFeature* f : Features_) f->SavePowerOffSetup();
    for (TFeature* f : Features_) f->StartFlagRegisterReading();
    return true;
}

void TProgramLife::BreakAcquisition() {
    for (TFeature* f : Features_) f->BreakAcquisition(false);
}

// ---------------------------------------------------------------------------------------------
// Main loop

bool TProgramLife::LinkBusy() const {
    const TInstrumentLink* link = Shell_.Link();
    return link && link->Busy();
}

bool TProgramLife::IdleStep() {
    const TInstrumentLink* link = Shell_.Link();
    const bool done = MainIdleStep(Shell_, {.CommError = link && link->CommErrorFlag(), .Busy = LinkBusy()});
    // A deadline due later wakes the idle step then, even when nothing else happens meanwhile.
    for (TFeature* f : Features_) Shell_.WakeIdleWithin(f->CheckDeadlines(Shell_));
    ViewOrNone(View_).FollowTimerRequests();
    return done;
}

// The persistence ages while acquisitions run: Run, or the procedures that acquire with Run off.
static bool AcquisitionsRun(TShell& shell) {
    const TInstrumentLink* link = shell.Link();
    return shell.RunOn || (link && link->AcquisitionRunning());
}

bool TProgramLife::TimerWanted(TMainTimer timer) const {
    switch (timer) {
        // A panel of dots and vectors has nothing that ages: no tick wakes the loop for it.
        case TMainTimer::VariablePersist: return AcquisitionsRun(Shell_) && Shell_.Display().HasHistoryLayers();
        case TMainTimer::FlagRegisterReading: return Shell_.FlagRegisterReadingEnabled;
        case TMainTimer::AutoCal: return Shell_.AutoCalTimerEnabled;
        case TMainTimer::Count: break;
    }
    return false;
}

void TProgramLife::TimerTick(TMainTimer timer) {
    switch (timer) {
        case TMainTimer::VariablePersist:
            if (AcquisitionsRun(Shell_) && Shell_.Display().PanelExists()) Shell_.Display().AgePersistence();
            break;
        case TMainTimer::FlagRegisterReading: {
            if (LinkBusy()) break;  // its polls would enter the link in the middle of an exchange
            const bool patternSync = Identity().HasOptPatSyncTrig();
            for (TFeature* f : Features_) {
                if (patternSync) f->RecheckPatternLock(false);
                f->RefreshTrigIndicator(0);
            }
            break;
        }
        case TMainTimer::AutoCal:
            Shell_.AutoCalRequest = true;
            Shell_.AutoCalTimerEnabled = false;
            ViewOrNone(View_).FollowTimerRequests();
            break;
        case TMainTimer::Count: break;
    }
}

}  // namespace vt
