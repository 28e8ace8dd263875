#pragma once
// The program's main block: start-up in its fixed order, the message loop, and the end.
#include <functional>
#include <string>
#include <vector>

#include "ui/MainWindowSteps.h"
#include "ui/UserDialogs.h"

namespace vt {

class TLinkClock;
class TShell;
class TVeltraneApplication;

// Steps of the main block that belong to other units; an empty step is skipped.
struct TMainBlockSteps {
    std::function<void()> ShowSplash;
    std::function<void(const std::string& status)> SplashStatus;
    std::function<void(int ms)> SplashSleep;  // sleeps only while the splash screen exists
    std::function<void()> CloseSplash;
    std::function<void()> LoadInstrumentList;
    // Chooses and connects the start instrument (setting the shell's start instrument name) from the
    // arguments; false when the user gave up. Without it the start is "Absent".
    std::function<bool(const std::vector<std::string>& args)> StartInstrument;
    // The instrument link's clock (null: the steady clock); it must outlive the shell's link.
    TLinkClock* LinkClock = nullptr;
    // Runs once the main window exists, before the registration: wires the features into it.
    std::function<void(class TMorda_fr& window)> WindowCreated;
};

// Runs the main block with the program's arguments (without the program name); answers the exit code.
int RunMainBlock(TVeltraneApplication& app, TShell& shell, std::vector<std::string> args, TMainBlockSteps& block,
                 TMordaSteps& steps, TUserDialogs& dialogs);

}  // namespace vt
