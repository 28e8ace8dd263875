#pragma once
// The program's one list of features: every built feature is created and installed here, in the
// order the life asks them. A feature that is not built is simply not in the list.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/UserDialogs.h"

namespace vt {

class TAutomationFeature;
class TFeature;
class TInstrumentStart;
class TMainCommandSteps;
class TProgramLife;
class TSystemDialogsFeature;
class TShell;
class TScopeDisplayServices;
class TScreenMouseActions;

class TProgramFeatures {
public:
    // args: the program's arguments (without the program name and the automation's own);
    // automationPort 0 keeps the automation server off; embedding: started to serve automation.
    TProgramFeatures(TShell& shell, TProgramLife& life, TUserDialogs& dialogs, const std::vector<std::string>& args,
                     std::uint16_t automationPort, bool embedding = false);
    ~TProgramFeatures();
    TProgramFeatures(const TProgramFeatures&) = delete;
    TProgramFeatures& operator=(const TProgramFeatures&) = delete;

    TInstrumentStart& Instruments() { return *Instruments_; }
    // The dialogs every feature and the window use: quiet while an automation command runs.
    TUserDialogs& Dialogs();
    TAutomationFeature& Automation() { return *Automation_; }

private:
    template <class T>
    T& Add(TProgramLife& life, std::unique_ptr<T> feature);

    std::unique_ptr<TUserDialogs> Dialogs_;
    std::vector<std::unique_ptr<TFeature>> Features_;
    std::unique_ptr<TMainCommandSteps> MainCommandSteps_;  // the main commands' tie to the other features
    TInstrumentStart* Instruments_ = nullptr;
    TAutomationFeature* Automation_ = nullptr;
    // The display reads the engine's counts while both live.
    TScopeDisplayServices* CountsReader_ = nullptr;
    TSystemDialogsFeature* SystemDialogs_ = nullptr;
    std::unique_ptr<TScreenMouseActions> MouseActions_;  // the display's mouse reaches the acquisition  // its restart starts once every feature has ended
};

}  // namespace vt
