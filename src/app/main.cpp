// The program's entry.
#include <iostream>
#include <string>
#include <vector>

#include "core/Shell.h"
#include "program/ProgramLife.h"
#include "ui/Automation.h"
#include "ui/EndSignals.h"
#include "ui/MainBlock.h"
#include "ui/ProgramArguments.h"
#include "ui/ProgramFeatures.h"
#include "ui/VeltraneApplication.h"
#include "core/ProgramLog.h"

int main(int argc, char** argv) {
    // First of all: a signal to end that comes during the start-up ends it with a status and a reason.
    vt::TEndSignals endSignals;
    endSignals.KeepCaughtToTheEnd();
    // The usage text and a refused option come before the window system, any file or the link.
    const vt::TArgumentsCheck check = vt::CheckProgramArguments({argv + (argc > 0 ? 1 : 0), argv + argc});
    if (check.Verdict == vt::TArgumentsVerdict::ShowUsage) {
        std::cout << vt::ProgramUsageText();
        return 0;
    }
    if (check.Verdict == vt::TArgumentsVerdict::Refuse) {
        // The usage follows the refusal in the same message; the log ends it with its own newline.
        std::string usage = vt::ProgramUsageText();
        if (!usage.empty() && usage.back() == '\n') usage.pop_back();
        vt::LogProgramLine("unknown option " + std::string(check.Unknown) + "\n\n" + usage);
        return 2;
    }
    vt::TVeltraneApplication app(argc, argv);
    vt::TShell shell;
    vt::TProgramLife life(shell);
    vt::TMessageBoxDialogs dialogs;
    std::vector<std::string> args;
    for (const QString& a : QCoreApplication::arguments().mid(1)) args.push_back(a.toStdString());

    std::string automationError;
    bool embedding = false;
    const std::uint16_t automationPort = vt::TakeAutomationArguments(args, automationError, &embedding);
    if (!automationError.empty()) vt::LogProgramLine(automationError);

    vt::TProgramFeatures features(shell, life, dialogs, args, automationPort, embedding);
    return vt::RunMainBlock(app, shell, life, std::move(args), features.Dialogs(), &endSignals);
}
