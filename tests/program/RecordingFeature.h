#pragma once
// A feature that fills every step a test may watch: each step records its name (with its arguments)
// in Log, and the close's questions answer from the fields. Base is TFeature, or a feature kind that
// derives from it.
#include <algorithm>
#include <cstdint>
#include <string_view>
#include <string>
#include <vector>

#include "core/CommandTree.h"
#include "core/Feature.h"
#include "core/Shell.h"
#include "program/ProgramLife.h"

namespace vt::test {

template <class Base>
class TRecordingFeatureOf : public Base {
public:
    std::vector<std::string> Log;
    bool IdentityReadOk = true;
    int AutomationObjects = 0;
    bool AdjustmentModified = false;
    bool CalibrationModified = false;
    bool AdjustAccess = false;

    // The start-up and instrument-start steps no feature installed before it fills; the English file
    // is left to the window's own texts.
    void FillRows(TShell& shell) override {
        for (int i = 0; i < static_cast<int>(TStartUpRow::Count); ++i) {
            const auto row = static_cast<TStartUpRow>(i);
            if (row != TStartUpRow::CreateEnglishLanguageFile && !shell.StartUpSteps.Has(row))
                shell.StartUpSteps.Add(row, Recorder(RowName(row)));
        }
        for (int i = 0; i < static_cast<int>(TInstrumentStartRow::Count); ++i) {
            const auto row = static_cast<TInstrumentStartRow>(i);
            if (!shell.InstrumentStartSteps.Has(row)) shell.InstrumentStartSteps.Add(row, Recorder(RowName(row)));
        }
    }
    int ClientsHoldingProgram() override { return AutomationObjects; }
    void StopRunning() override { Log.emplace_back("StopSingleStop"); }
    void BreakAcquisition(bool closing) override { Log.emplace_back(closing ? "Break closing" : "Break"); }
    void AddUnstoredValues(TUnstoredValues& values) const override {
        values.AdjustmentModified = values.AdjustmentModified || AdjustmentModified;
        values.CalibrationModified = values.CalibrationModified || CalibrationModified;
        values.AdjustAccessGranted = values.AdjustAccessGranted || AdjustAccess;
    }
    void StoreValues(bool adjustment) override {
        Log.emplace_back(adjustment ? "StoreAdjustment" : "StoreCalibration");
    }
    void SavePowerOffSetup() override { Log.emplace_back("SavePowerOffSetup"); }
    void StartFlagRegisterReading() override { Log.emplace_back("StartFlagRegisterReading"); }
    void RecheckPatternLock(bool force) override { Log.emplace_back(force ? "Recheck true" : "Recheck false"); }
    void RefreshTrigIndicator(int state) override { Log.push_back("Indicator " + std::to_string(state)); }

    int Count(const std::string& entry) const {
        return static_cast<int>(std::count(Log.begin(), Log.end(), entry));
    }
    // Position of the first entry, -1 when absent.
    int IndexOf(const std::string& entry) const {
        const auto it = std::find(Log.begin(), Log.end(), entry);
        return it == Log.end() ? -1 : static_cast<int>(it - Log.begin());
    }

private:
    TOrderedProcedures<TStartUpRow>::TProc Recorder(std::string_view name) {
        return [this, n = std::string(name)](TShell&) { Log.push_back(n); };
    }
};

using TRecordingFeature = TRecordingFeatureOf<TFeature>;

// A life with the recording feature installed, whose identity read is recorded and answered by it.
template <class Feature>
class TRecordingLifeOf : public TProgramLife {
public:
    explicit TRecordingLifeOf(TShell& shell) : TProgramLife(shell) { Install(Rec); }
    Feature Rec;
    // The recorder's log and answers, at hand.
    std::vector<std::string>& Log = Rec.Log;
    bool& IdentityReadOk = Rec.IdentityReadOk;
    int& AutomationObjects = Rec.AutomationObjects;
    bool& AdjustmentModified = Rec.AdjustmentModified;
    bool& CalibrationModified = Rec.CalibrationModified;
    bool& AdjustAccess = Rec.AdjustAccess;
    int Count(const std::string& entry) const { return Rec.Count(entry); }
    int IndexOf(const std::string& entry) const { return Rec.IndexOf(entry); }

protected:
    bool ReadIndividualData() override {
        Rec.Log.emplace_back("ReadIndividualData");
        return Rec.IdentityReadOk;
    }
};

// Registers "*Run" and "*StopSingle", which record "Execute" and the command, and one saved setting.
inline void RegisterRecordingMainCommands(TShell& shell, std::vector<std::string>& log) {
    TSpider& root = shell.CommandTree()->Root();
    root.AddRightCommandHandler("*Run", [&log](THandler&) { log.push_back("Execute *Run"); });
    root.AddGpibStringHandler("*StopSingle", 0,
                              [&shell, &log](std::string_view parameter, bool, std::uint8_t, std::string&) {
                                  log.push_back("Execute *StopSingle " + std::string(parameter) +
                                                (shell.StopInProgress ? " (stop under way)" : ""));
                              });
    root.AddRadioHandler("TB:Mode", {.Items = "A,B", .Initial = 1});
}

// Fills every empty row of the registration, refresh and late-registration tables with a recorder
// into log; the main-commands row also registers the recording main commands.
inline void RecordAllRows(TShell& shell, std::vector<std::string>& log) {
    for (int i = 0; i < static_cast<int>(TRegistrationRow::Count); ++i) {
        const auto row = static_cast<TRegistrationRow>(i);
        if (shell.Registration.Has(row)) continue;  // the command tree's own row
        shell.Registration.Add(row, [&log, row](TShell& s) {
            log.emplace_back(RowName(row));
            if (row == TRegistrationRow::RegisterMainCommands) RegisterRecordingMainCommands(s, log);
        });
    }
    for (int i = 0; i < static_cast<int>(TRefreshRow::Count); ++i) {
        const auto row = static_cast<TRefreshRow>(i);
        shell.Refresh.Add(row, [&log, row](TShell&) { log.emplace_back(RowName(row)); });
    }
    for (int i = 0; i < static_cast<int>(TLateRegistrationRow::Count); ++i) {
        const auto row = static_cast<TLateRegistrationRow>(i);
        shell.LateRegistration.Add(row, [&log, row](TShell&) { log.emplace_back(RowName(row)); });
    }
}

}  // namespace vt::test
