#pragma once
// The two doors for text commands from outside the user interface, wired together: the command
// service, the console window (which also logs the automation traffic) and the automation server.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/CommandService.h"
#include "core/ConsoleText.h"
#include "ui/AutomationServer.h"
#include "ui/ConsoleForm.h"
#include "ui/UiFeature.h"
#include "ui/UserDialogs.h"

class QWidget;

namespace vt {

class TCommandTree;
class TShell;

// Takes the automation arguments out of args: "--automation-port N" (0 turns the server off) and
// "-Embedding" (the program was started to serve automation: its start is quiet). Answers the port;
// a missing or invalid number keeps the default and sets error; embedding (when given) tells whether
// "-Embedding" was there.
std::uint16_t TakeAutomationArguments(std::vector<std::string>& args, std::string& error, bool* embedding = nullptr);

class TAutomation {
public:
    // The console is a window of its own, hidden until shown; it keeps the program from ending
    // neither when it is open nor when the main window closes.
    explicit TAutomation(TCOMRC::TTreeSource tree);
    ~TAutomation();
    TAutomation(const TAutomation&) = delete;
    TAutomation& operator=(const TAutomation&) = delete;

    // Starts the server unless port is 0. A port that cannot be had gives one message (standard
    // error and the console's log) and the program runs on without the server.
    bool StartServer(std::uint16_t port);
    // Before the main window closes: with clients connected, asks whether to disconnect them.
    // Answers how many still hold the automation object (0 lets the close go on).
    int CloseQuery(TUserDialogs& dialogs, QWidget* parent);
    void ShowConsole();

    TCOMRC Service;
    TConsoleSession Session{Service};
    TfrmConsole Console;
    TAutomationServer Server{Service};
};

// While a command from an automation client or the console runs, the program's questions and messages
// go to the console's log and the command's reply: no modal dialog may hold a client's reply until a
// person clicks. Outside a command they are the inner dialogs.
class TQuietWhileServingDialogs : public TUserDialogs {
public:
    // service: the command service while it exists (null before).
    TQuietWhileServingDialogs(TUserDialogs& inner, std::function<TCOMRC*()> service)
        : Inner_(inner), Service_(std::move(service)) {}

    // The error dialog's continue, and the choice that changes nothing.
    TDialogAnswer AskErrorYesNo(QWidget* parent, const QString& text) override;
    TDialogAnswer AskYesNoCancel(QWidget* parent, const QString& text) override;
    bool AskYesNo(QWidget* parent, const QString& text) override;
    bool AskOkCancel(QWidget* parent, const QString& text) override;
    // Cancel's answer while a command runs, as the blocking question gives it.
    void AskOkCancelLater(QWidget* parent, const QString& text, std::function<void(bool ok)> answered) override;
    // A question inside a remote command's own work holds nothing: it is the inner dialogs' at all times.
    void AskOkCancelForCommandLater(QWidget* parent, const QString& text, std::function<void(bool ok)> answered) override {
        Inner_.AskOkCancelForCommandLater(parent, text, std::move(answered));
    }
    bool ShowInformation(QWidget* parent, const QString& title, const QString& text,
                         const QString& secondButton) override;
    void ShowError(QWidget* parent, const QString& text) override;
    void ShowMessage(QWidget* parent, const QString& text) override;
    // Boxes that hold nothing are shown as they are.
    bool ShowErrorNonModal(QWidget* parent, const QString& text) override { return Inner_.ShowErrorNonModal(parent, text); }
    bool AskErrorYesNoNonModal(QWidget* parent, const QString& text, std::function<void()> onNo) override {
        return Inner_.AskErrorYesNoNonModal(parent, text, std::move(onNo));
    }
    void CloseErrorNonModal(const QString& text) override { Inner_.CloseErrorNonModal(text); }
    // Cancelled while a command runs: a file dialog needs a person.
    bool ExecSaveDialog(QWidget* parent, TSaveDialogRequest& request) override;
    bool ExecOpenDialog(QWidget* parent, TSaveDialogRequest& request) override;
    // Cancelled while a command runs.
    bool AskColor(QWidget* parent, std::uint32_t& colour) override;

private:
    // The running service, or null when no command runs.
    TCOMRC* Serving() const;

    TUserDialogs& Inner_;
    std::function<TCOMRC*()> Service_;
};

// The automation as a feature of the program: created with the main window, its server started on
// the port (0: off); F4 shows the console; open connections hold the window's close.
class TAutomationFeature : public TUiFeature {
public:
    TAutomationFeature(TShell& shell, TUserDialogs& dialogs, std::uint16_t port);
    ~TAutomationFeature() override;

    void WindowCreated(TMorda_fr& window, TSideMenus& menus, TKitContext& kit) override;
    void StartUpEnded(TShell& shell) override;
    void WindowGone() override;
    void ShowConsole(QWidget* owner) override;
    int ClientsHoldingProgram() override;

    // Null until the main window exists.
    TAutomation* Automation() { return Automation_.get(); }

private:
    TShell& Shell_;
    TUserDialogs& Dialogs_;
    std::uint16_t Port_;
    QWidget* Window_ = nullptr;
    std::unique_ptr<TAutomation> Automation_;
    bool StartUpEnded_ = false;
};

}  // namespace vt
