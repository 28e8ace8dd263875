// The program's entry.
#include <iostream>
#include <string>
#include <vector>

#include "core/Shell.h"
#include "program/ProgramLife.h"
#include "ui/Automation.h"
#include "ui/MainBlock.h"
#include "ui/ProgramFeatures.h"
#include "ui/VeltraneApplication.h"

int main(int argc, char** argv) {
    vt::TVeltraneApplication app(argc, argv);
    vt::TShell shell;
    vt::TProgramLife life(shell);
    vt::TMessageBoxDialogs dialogs;
    std::vector<std::string> args;
    for (const QString& a : QCoreApplication::arguments().mid(1)) args.push_back(a.toStdString());

    std::string automationError;
    bool embedding = false;
    const std::uint16_t automationPort = vt::TakeAutomationArguments(args, automationError, &embedding);
    if (!automationError.empty()) std::cerr << "veltrane: " << automationError << '\n';

    vt::TProgramFeatures features(shell, life, dialogs, args, automationPort, embedding);
    return vt::RunMainBlock(app, shell, life, std::move(args), features.Dialogs());
}
