#pragma once
// The steps of start-up, instrument start and stop, close and the timers that belong to features
// built in other units. Each feature fills its steps when it is wired in; an empty step is skipped,
// and an empty question answers false (or its "none" value).
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ui/MainLayout.h"

class QWidget;

namespace vt {

// Runs a step unless it is empty.
template <class F, class... A>
void DoStep(const F& step, A&&... args) {
    if (step) step(std::forward<A>(args)...);
}

// Asks a question; an empty one answers its none value (false, 0).
template <class F, class... A>
auto AskStep(const F& question, A&&... args) {
    using R = decltype(question(std::forward<A>(args)...));
    if (!question) return R{};
    return question(std::forward<A>(args)...);
}

struct TMordaSteps {
    // Deferred start-up.
    std::function<void(const std::string& text, int ms)> PushHint;  // normal style, kept under newer hints
    std::function<void()> BindSwitchersOfStrips;  // the two permanent control strips
    // Writes the English language file when it is missing; without it, with the main window's texts.
    std::function<void()> CreateEnglishLanguageFile;
    std::function<void()> InitSourceSwitcherItems;
    std::function<void()> LoadMemoriesFromDisk;
    std::function<void()> LoadPatternLengthList;
    std::function<void()> SetInstrGuiReady;  // "INSTR:GUIReady" on

    // Side menus: kind 0..24 (24 closes), side 0 right, 1 left.
    std::function<void(int kind, int side)> ShowSideMenu;
    std::function<void(bool visible)> SetSideMenusVisible;
    std::function<void(const TPlace& right, const TPlace& left)> PlaceSideMenus;  // after every resize

    // Instrument start.
    // The identity read of a present instrument; without it, the shell's identity unit reads it.
    std::function<bool()> ReadIndividualData;
    std::function<void()> RefreshHelpCaptionAndCalibration;
    std::function<void()> RecallDefaultSetup;  // the user's default setup file, without error messages
    std::function<void()> UpdateHoldoffTracking;
    std::function<void()> ResendInstrumentSettings;

    // Close.
    std::function<int()> AutomationObjectCount;
    std::function<void()> StopSingleStop;  // "Stop" on the "*StopSingle" handler itself
    std::function<void(bool closing)> BreakAcquisition;
    std::function<bool()> AdjustmentModified;
    std::function<bool()> CalibrationModified;
    std::function<bool()> AdjustAccessGranted;
    std::function<void(bool adjustment)> StoreAdjustmentValues;
    std::function<void()> SavePowerOffSetup;
    std::function<void()> StartFlagRegisterReading;

    // Timers.
    std::function<void(bool)> RecheckPatternLock;
    std::function<void(int)> RefreshTrigIndicator;

    // Other windows and dialogs.
    std::function<bool()> SelectInstrumentsDialog;  // false: the program must end
    std::function<void()> ShowAbout;
    std::function<void(int context)> ShowHelpContext;
    std::function<void(int plot)> ClearJitterPlotBit;  // in "Jitter:JPlots"
    std::function<void(QWidget* owner)> ShowConsole;
};

}  // namespace vt
