#include "ui/Automation.h"

#include <QString>
#include <charconv>
#include <strings.h>

#include "core/ProgramLog.h"
#include "core/Shell.h"
#include "ui/MainWindow.h"
#include "ui/UserDialogs.h"

namespace vt {

std::uint16_t TakeAutomationArguments(std::vector<std::string>& args, std::string& error, bool* embedding) {
    std::uint16_t port = TAutomationServer::DefaultPort;
    if (embedding) *embedding = false;
    for (std::size_t i = 0; i < args.size();) {
        if (::strcasecmp(args[i].c_str(), "-Embedding") == 0) {
            if (embedding) *embedding = true;
            args.erase(args.begin() + static_cast<std::ptrdiff_t>(i));
        } else if (args[i] == "--automation-port") {
            const bool hasValue = i + 1 < args.size();
            unsigned value = 0;
            bool ok = false;
            if (hasValue) {
                const std::string& v = args[i + 1];
                const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), value);
                ok = ec == std::errc() && end == v.data() + v.size() && !v.empty() && value <= 65535;
            }
            if (ok) {
                port = static_cast<std::uint16_t>(value);
            } else {
                error = "--automation-port needs a port number from 0 to 65535 (0 turns the automation server off)";
            }
            args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
                       args.begin() + static_cast<std::ptrdiff_t>(hasValue ? i + 2 : i + 1));
        } else {
            ++i;
        }
    }
    return port;
}

TAutomation::TAutomation(TCOMRC::TTreeSource tree) : Service(std::move(tree)), Console(Session) {
    Console.setAttribute(Qt::WA_QuitOnClose, false);
    Service.OnLog = [this](const std::string& line) { Console.AddLogLine(line); };
}

TAutomation::~TAutomation() { Service.OnLog = nullptr; }

bool TAutomation::StartServer(std::uint16_t port) {
    if (port == 0) return false;
    if (Server.Listen(port)) return true;
    LogProgramLine(Server.ErrorText());
    Service.LogLine(Server.ErrorText());
    return false;
}

int TAutomation::CloseQuery(TUserDialogs& dialogs, QWidget* parent) {
    const int clients = Server.ClientCount();
    if (clients == 0) return 0;
    const QString text =
        clients == 1 ? QStringLiteral("1 automation client is connected.") :
                       QStringLiteral("%1 automation clients are connected.").arg(clients);
    if (dialogs.AskYesNoCancel(parent, text + QStringLiteral("\nDisconnect them and close the program?")) !=
        TDialogAnswer::Yes)
        return clients;
    Server.DisconnectAll();
    return Server.ClientCount();
}

void TAutomation::ShowConsole() {
    Console.show();
    Console.raise();
    Console.activateWindow();
}

namespace {
// A question a remote command met: its text goes into the reply, and the log keeps it with the answer
// taken for the person who was not asked.
void AnswerForClient(TCOMRC& service, const QString& text, const char* answer) {
    service.Report(text.toStdString());
    LogAnswerTaken(text.toStdString(), answer, "asked while a remote command runs");
}

// A message a remote command met: its reply and the log say it.
void TellClient(TCOMRC& service, const std::string& text) {
    service.Report(text);
    LogProgramLine(text);
}
}  // namespace

TCOMRC* TQuietWhileServingDialogs::Serving() const {
    TCOMRC* service = Service_ ? Service_() : nullptr;
    return service && service->Running() ? service : nullptr;
}

TDialogAnswer TQuietWhileServingDialogs::AskErrorYesNo(QWidget* parent, const QString& text) {
    TCOMRC* service = Serving();
    if (!service) return Inner_.AskErrorYesNo(parent, text);
    AnswerForClient(*service, text, "Yes");
    return TDialogAnswer::Yes;
}

TDialogAnswer TQuietWhileServingDialogs::AskYesNoCancel(QWidget* parent, const QString& text) {
    TCOMRC* service = Serving();
    if (!service) return Inner_.AskYesNoCancel(parent, text);
    AnswerForClient(*service, text, "Cancel");
    return TDialogAnswer::Cancel;
}

bool TQuietWhileServingDialogs::AskYesNo(QWidget* parent, const QString& text) {
    TCOMRC* service = Serving();
    if (!service) return Inner_.AskYesNo(parent, text);
    AnswerForClient(*service, text, "No");
    return false;
}

bool TQuietWhileServingDialogs::AskOkCancel(QWidget* parent, const QString& text) {
    TCOMRC* service = Serving();
    if (!service) return Inner_.AskOkCancel(parent, text);
    AnswerForClient(*service, text, "Cancel");
    return false;
}

void TQuietWhileServingDialogs::AskOkCancelLater(QWidget* parent, const QString& text,
                                                 std::function<void(bool ok)> answered) {
    TCOMRC* service = Serving();
    if (!service) {
        Inner_.AskOkCancelLater(parent, text, std::move(answered));
        return;
    }
    AnswerForClient(*service, text, "Cancel");
    answered(false);
}

bool TQuietWhileServingDialogs::ShowInformation(QWidget* parent, const QString& title, const QString& text,
                                                const QString& secondButton) {
    TCOMRC* service = Serving();
    if (!service) return Inner_.ShowInformation(parent, title, text, secondButton);
    AnswerForClient(*service, text, "OK");
    return false;
}

void TQuietWhileServingDialogs::ShowError(QWidget* parent, const QString& text) {
    if (TCOMRC* service = Serving()) {
        TellClient(*service, text.toStdString());
    } else {
        Inner_.ShowError(parent, text);
    }
}

void TQuietWhileServingDialogs::ShowMessage(QWidget* parent, const QString& text) {
    if (TCOMRC* service = Serving()) {
        TellClient(*service, text.toStdString());
    } else {
        Inner_.ShowMessage(parent, text);
    }
}

bool TQuietWhileServingDialogs::ExecSaveDialog(QWidget* parent, TSaveDialogRequest& request) {
    TCOMRC* service = Serving();
    if (!service) return Inner_.ExecSaveDialog(parent, request);
    TellClient(*service, request.Title + ": cancelled, no dialog while a remote command runs");
    return false;
}

bool TQuietWhileServingDialogs::AskColor(QWidget* parent, std::uint32_t& colour) {
    TCOMRC* service = Serving();
    if (!service) return Inner_.AskColor(parent, colour);
    TellClient(*service, "Set Color: cancelled, no dialog while a remote command runs");
    return false;
}

bool TQuietWhileServingDialogs::ExecOpenDialog(QWidget* parent, TSaveDialogRequest& request) {
    TCOMRC* service = Serving();
    if (!service) return Inner_.ExecOpenDialog(parent, request);
    TellClient(*service, request.Title + ": cancelled, no dialog while a remote command runs");
    return false;
}

TAutomationFeature::TAutomationFeature(TShell& shell, TUserDialogs& dialogs, std::uint16_t port)
    : Shell_(shell), Dialogs_(dialogs), Port_(port) {}

TAutomationFeature::~TAutomationFeature() { Shell_.DeferRemoteReply = nullptr; }

void TAutomationFeature::WindowCreated(TMorda_fr& window, TSideMenus&, TKitContext&) {
    Window_ = &window;
    Automation_ = std::make_unique<TAutomation>([this] { return Shell_.CommandTree(); });
    Shell_.DeferRemoteReply = [this]() -> TLaterReply { return Automation_ ? Automation_->Service.DeferReply() : nullptr; };
    // A client may connect as soon as the port opens; its lines wait until the start-up has ended, so
    // that no command meets a program half started (an instrument switch, a run that needs the
    // acquisition).
    Automation_->Server.SetHolding(!StartUpEnded_);
    Automation_->StartServer(Port_);
}

void TAutomationFeature::StartUpEnded(TShell&) {
    StartUpEnded_ = true;
    if (Automation_) Automation_->Server.SetHolding(false);
}

void TAutomationFeature::WindowGone() { Window_ = nullptr; }

void TAutomationFeature::ShowConsole(QWidget*) {
    if (Automation_) Automation_->ShowConsole();
}

int TAutomationFeature::ClientsHoldingProgram() {
    // The program ends by a signal: its clients are let go unasked.
    if (Shell_.CloseUnasked && Automation_) {
        Automation_->Server.DisconnectAll();
        return Automation_->Server.ClientCount();
    }
    return Automation_ ? Automation_->CloseQuery(Dialogs_, Window_) : 0;
}

}  // namespace vt
