#include "ui/MainCommandsUi.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QMetaObject>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTimer>

#include "core/CommandTree.h"
#include "core/Handlers.h"
#include "core/ProgramLog.h"
#include "core/Shell.h"
#include "display/ScopeDisplayServices.h"
#include "link/InstrumentIdentity.h"
#include "ui/MainWindow.h"
#include "ui/ScreenCapture.h"
#include "ui/UserDialogs.h"
#include "ui/controls/CommandSwitchers.h"
#include "ui/dialogs/AboutForm.h"
#include "ui/dialogs/SplashForm.h"

namespace vt {

namespace {

// Element 21 ("Screen") of the display colours: the captures replace it; black without the colours.
TColor ScreenElementColor(TShell& shell) {
    const IColorSettings* colors = shell.CommandTree() ? shell.CommandTree()->ColorSettings() : nullptr;
    return colors ? TColor(colors->BackgroundColor().Value & 0x00FFFFFFu) : clBlack;
}

THintStack* HintsOf(TShell& shell) {
    auto* services = dynamic_cast<TScopeDisplayServices*>(&shell.Display());
    return services ? &services->Hints() : nullptr;
}

}  // namespace

// Follows the window's size: the screens' place is the display area.
class TMainCommandsUi::TWindowWatcher : public QObject {
public:
    explicit TWindowWatcher(TMainCommandsUi& owner) : Owner_(owner) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        // The window lays itself out in its own handler, after this filter: place the host after it.
        if (event->type() == QEvent::Resize)
            QMetaObject::invokeMethod(this, [this] { Owner_.PlaceScreenHost(); }, Qt::QueuedConnection);
        return QObject::eventFilter(watched, event);
    }

private:
    TMainCommandsUi& Owner_;
};

TMainCommandsUi::TMainCommandsUi(TShell& shell, TUserDialogs& dialogs, THelpViewer::TOpenUrl openUrl)
    : Shell_(shell), Dialogs_(dialogs), Help_(shell.Folders.HelpFile, dialogs, std::move(openUrl)) {}

TMainCommandsUi::~TMainCommandsUi() = default;

void TMainCommandsUi::AttachToProgram(TShell& shell) {
    // The folders are known now.
    Help_.SetHelpFile(shell.Folders.HelpFile);
    if (!shell.Folders.HelpFile.empty()) InstallHelpPages(shell.Folders.HelpFile);
}

// --- splash ---

void TMainCommandsUi::ShowSplash() {
    Splash_ = std::make_unique<TSplashForm>();
    Splash_->show();
    Splash_->repaint();
}

void TMainCommandsUi::SplashStatus(const std::string& status) {
    if (Splash_) Splash_->SetStatus(QString::fromStdString(status));
}

void TMainCommandsUi::SplashSleep(int ms) {
    if (!Splash_ || ms <= 0) return;
    // Sleeps while keeping the splash painted: each pass blocks until an event comes, at the latest
    // the timer's at the end, instead of returning at once and spinning the processor.
    QElapsedTimer elapsed;
    elapsed.start();
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    wake.start(ms);
    while (elapsed.elapsed() < ms && wake.isActive())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents);
}

void TMainCommandsUi::CloseSplash() { Splash_.reset(); }

// --- the window ---

void TMainCommandsUi::WindowCreated(TMorda_fr& window, TSideMenus&, TKitContext&) {
    Window_ = &window;
    Host_ = new TScreenHost(&window);
    Host_->setObjectName(QStringLiteral("ScreenHost"));
    Watcher_ = std::make_unique<TWindowWatcher>(*this);
    window.installEventFilter(Watcher_.get());
    PlaceScreenHost();
    SetCommandHints();
}

void TMainCommandsUi::WindowGone() {
    // The setup box uses the printer, which may go before the window's children.
    delete PrinterSetup_.data();
    if (THintStack* hints = HintsOf(Shell_)) hints->Attach(nullptr, 0, 0, 0);
    if (Window_ && Watcher_) Window_->removeEventFilter(Watcher_.get());
    Watcher_.reset();
    Window_ = nullptr;
    Host_ = nullptr;
}

void TMainCommandsUi::PlaceScreenHost() {
    if (!Window_ || !Host_) return;
    const TPlace& area = Window_->Layout().DisplayArea;
    Host_->setGeometry(area.Left, area.Top, area.Width, area.Height);
    Host_->raise();
    Host_->show();
    // Until the display panel exists the hints sit at the top of its place, across its width.
    if (THintStack* hints = HintsOf(Shell_)) hints->Attach(Host_.data(), 0, area.Width, 0);
}

void TMainCommandsUi::SetCommandHints() {
    // The hint names the menu item the command remembers: what a click on the face would do.
    auto hintOf = [this](const char* switcherName, const char* key) {
        auto* sw = Window_->SystemControls().findChild<TRC_MainCommandSwitcher*>(QLatin1String(switcherName));
        if (!sw) return;
        sw->SetOnUpdateMe([this, key](TRC_Switcher& s) {
            auto& cmd = static_cast<TRC_MainCommandSwitcher&>(s);
            auto* handler = dynamic_cast<TMainCommandHandler*>(cmd.GetHandler());
            if (!handler) return;
            const int item = handler->CurrentIndex();
            const QString word = item >= 0 && item < cmd.MenuItems().size() ? cmd.MenuItems()[item] : QString();
            QString text = QString::fromStdString(Shell_.LangStr(key));
            text.replace(QLatin1String("%s"), word);
            cmd.setToolTip(text);
        });
    };
    hintOf("mcsAutoscale", "AutoscaleAs____signal");
    hintOf("mcsCopy", "Copy____ToClipboard");
}

static QRect DisplayRectOf(TMorda_fr& window) {
    const TPlace& area = window.Layout().DisplayArea;
    return area.Visible ? QRect(area.Left, area.Top, area.Width, area.Height) : QRect();
}

void TMainCommandsUi::CopyScreenToClipboard(int kind) {
    if (Window_) vt::CopyScreenToClipboard(*Window_, kind, DisplayRectOf(*Window_), ScreenElementColor(Shell_));
}

// --- printing ---

void TMainCommandsUi::PrintWindow(bool ask) {
    if (!Window_) return;
    if (ask && !Dialogs_.AskYesNo(Window_, QString::fromStdString(Shell_.LangStr("WantToPrint")))) return;
    PrintImage();
}

void TMainCommandsUi::PrintImage() {
    if (!Window_) return;
    const QImage image = CaptureBitmap(*Window_, 2, {}, ScreenElementColor(Shell_));
    std::unique_ptr<QPrinter> own;
    QPrinter* printer = Printer_.get();
    if (!printer) {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        own = info.isNull() ? std::make_unique<QPrinter>() : std::make_unique<QPrinter>(info);
        printer = own.get();
        if (info.isNull()) {
            // No printer: a PDF below the data root, named by date and time.
            const QString folder = QString::fromStdString(Shell_.Folders.InstallFolder) + QStringLiteral("Prints");
            QDir().mkpath(folder);
            const QString file =
                folder + QLatin1Char('/') + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH-mm-ss")) +
                QStringLiteral(".pdf");
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(file);
            LastPdf_ = file.toStdString();
        }
    }
    QPainter painter;
    if (!painter.begin(printer)) {
        Dialogs_.ShowError(Window_, QStringLiteral("Printing failed."));
        return;
    }
    const QRect page = painter.viewport();
    QSize size = image.size();
    size.scale(page.size(), Qt::KeepAspectRatio);
    painter.drawImage(QRect(page.topLeft(), size), image);
    painter.end();
    if (printer->outputFormat() == QPrinter::PdfFormat && !printer->outputFileName().isEmpty())
        Shell_.Display().PushHint("Printed to " + printer->outputFileName().toStdString(), 5000);
}

bool TMainCommandsUi::PrinterSetup() {
    if (NoVisibleScreen()) {
        LogAnswerTaken("Print Setup", "Cancel", kNoScreenToAnswerOn);
        return false;
    }
    if (!Printer_) Printer_ = std::make_unique<QPrinter>(QPrinterInfo::defaultPrinter());
    if (!PrinterSetup_) {
        PrinterSetup_ = new QPrintDialog(Printer_.get(), Window_);
        PrinterSetup_->setAttribute(Qt::WA_DeleteOnClose);
        PrinterSetup_->open();
    }
    PrinterSetup_->raise();
    PrinterSetup_->activateWindow();
    return true;
}

// --- help ---

void TMainCommandsUi::EnterContextHelp() {
    if (Window_) Window_->SetWhatsThisMode(true);
}

void TMainCommandsUi::ShowAbout() {
    TAboutTexts texts;
    if (TInstrumentIdentityUnit* unit = Shell_.Identity()) {
        texts.InstrumentName = unit->Identity.GetInstrumentName();
        texts.KindName = unit->Identity.GetInstrumentKindName([this](std::string_view key) { return Shell_.LangStr(key); });
        texts.HasOptLAN = unit->Identity.HasOptLAN();
    } else {
        texts.InstrumentName = Shell_.StartInstrumentName;
    }
    TAboutForm about(texts, Window_);
    about.ShowInstrumentInfo = ShowInstrumentInfo;
    about.ShowTcpIpProperties = ShowTcpIpProperties;
    about.exec();
}

void TMainCommandsUi::ShowHelpContext(int context) { Help_.ShowHelpContext(context, Window_); }

}  // namespace vt
