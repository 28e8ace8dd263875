// The program's entry.
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "core/Shell.h"
#include "ui/Automation.h"
#include "ui/InstrumentStart.h"
#include "ui/MainBlock.h"
#include "ui/VeltraneApplication.h"

int main(int argc, char** argv) {
    vt::TVeltraneApplication app(argc, argv);
    vt::TShell shell;
    vt::TMainBlockSteps block;
    vt::TMordaSteps steps;
    vt::TMessageBoxDialogs dialogs;
    std::vector<std::string> args;
    for (const QString& a : QCoreApplication::arguments().mid(1)) args.push_back(a.toStdString());

    // The automation server and the console: F4 shows the console, open connections hold the close.
    std::string automationError;
    const std::uint16_t automationPort = vt::TakeAutomationArguments(args, automationError);
    if (!automationError.empty()) std::cerr << "veltrane: " << automationError << '\n';
    std::unique_ptr<vt::TAutomation> automation;
    vt::WireAutomation(block, steps, dialogs, shell, automationPort, automation);

    // The instrument list and the start instrument named by the arguments or Configuration.ini.
    vt::TInstrumentStart instruments(shell, dialogs, args);
    instruments.Install(block, steps);
    return vt::RunMainBlock(app, shell, std::move(args), block, steps, dialogs);
}
