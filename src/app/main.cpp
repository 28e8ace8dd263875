// The program's entry.
#include <string>
#include <vector>

#include "core/Shell.h"
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
    vt::TInstrumentStart instruments(shell, dialogs, args);
    instruments.Install(block, steps);
    return vt::RunMainBlock(app, shell, std::move(args), block, steps, dialogs);
}
