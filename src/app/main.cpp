// The program's main block: start-up in its fixed order, the message loop, and the end.
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "core/Shell.h"
#include "ui/Morda.h"
#include "ui/MordaSteps.h"
#include "ui/UserDialogs.h"
#include "ui/VeltraneApplication.h"

int main(int argc, char** argv) {
    vt::TVeltraneApplication app(argc, argv);
    vt::TShell shell;

    // ReadShiftAtStart: a held Shift keeps the user's default setup from being recalled.
    shell.ShiftAtStart = QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);

    std::vector<std::string> args;
    for (const QString& a : app.arguments().mid(1)) args.push_back(a.toStdString());
    try {
        shell.Folders = vt::InitInstallFolders(vt::ResolveDataRoot(args, [](const char* n) { return std::getenv(n); }));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "veltrane: %s\n", e.what());
        return 1;
    }

    QGuiApplication::setApplicationName(QStringLiteral("Veltrane"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Veltrane"));

    // Until the instrument list is read, every start is without an instrument ("Absent").
    shell.StartInstrumentName = "Absent";

    vt::TMessageBoxDialogs dialogs;
    vt::TMordaSteps steps;
    vt::TMorda_fr window(shell, steps, dialogs);

    vt::RegisterAllCommandHandlers(shell);

    window.show();
    const int result = app.exec();
    shell.ProgramEnded = true;
    return result;
}
