#pragma once
// The program's main block: start-up in its fixed order, the message loop, and the end.
#include <string>
#include <vector>

#include "ui/UserDialogs.h"

namespace vt {

class TEndSignals;
class TProgramLife;
class TShell;
class TVeltraneApplication;

// Runs the main block with the program's arguments (without the program name) and the features
// installed in life; answers the exit code. endSignals, caught since the program's first step, is
// made here when none is given.
int RunMainBlock(TVeltraneApplication& app, TShell& shell, TProgramLife& life, std::vector<std::string> args,
                 TUserDialogs& dialogs, TEndSignals* endSignals = nullptr);

}  // namespace vt
