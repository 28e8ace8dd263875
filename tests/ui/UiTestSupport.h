#pragma once
// What the window tests share: the application object, recording fakes of the window's steps and
// scripted dialog answers.
#include <QString>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "core/Shell.h"
#include "link/InstrumentLink.h"
#include "link/InstrumentIdentity.h"
#include "ui/MainWindowSteps.h"
#include "ui/UserDialogs.h"

namespace vt::test {

// Every step records its name (with its arguments) in Log; questions answer from the fields.
struct TRecordingSteps {
    TRecordingSteps();
    TMordaSteps Steps;
    std::vector<std::string> Log;
    bool IdentityReadOk = true;
    int AutomationObjects = 0;
    bool AdjustmentModified = false;
    bool CalibrationModified = false;
    bool AdjustAccess = false;

    int Count(const std::string& entry) const;
    // Position of the first entry, -1 when absent.
    int IndexOf(const std::string& entry) const;
};

class TScriptedDialogs : public TUserDialogs {
public:
    TDialogAnswer AskErrorYesNo(QWidget*, const QString& text) override;
    TDialogAnswer AskYesNoCancel(QWidget*, const QString& text) override;
    void ShowError(QWidget*, const QString& text) override;
    void ShowMessage(QWidget*, const QString& text) override;

    std::deque<TDialogAnswer> Answers;  // Yes when empty
    std::vector<std::string> Asked;     // the texts, in order, prefixed by the dialog kind

private:
    TDialogAnswer Next();
};

// Gives the shell a link of that kind and the identity of a model-1 instrument with these option
// bits and firmware version.
TInstrumentIdentity& GiveInstrument(TShell& shell, TInstrumentLinkKind kind, std::uint8_t options,
                                    const std::string& firmware = "3.7.10 (1 Jan 2011)");

// Runs the event loop for ms milliseconds.
void RunLoopFor(int ms);
// Runs the event loop until done() holds (checked every 5 ms) or 5 s have passed; answers done().
bool RunLoopUntil(const std::function<bool()>& done);

// Registers "*Run" and "*StopSingle", which record "Execute" and the command, and one saved setting.
void RegisterRecordingMainCommands(TShell& shell, std::vector<std::string>& log);
// Fills every empty row of the three ordered tables with a recorder into log; the main-commands row
// also registers the recording main commands.
void RecordAllRows(TShell& shell, std::vector<std::string>& log);

}  // namespace vt::test
