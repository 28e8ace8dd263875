#pragma once
// The window's part of the main commands and the small services around them: screen copies to the
// clipboard, printing, the About box, help and the context-help mode, the splash screen of the
// start-up, and the place where the timed hints are shown.
#include <functional>
#include <QPointer>
#include <memory>
#include <string>

#include "acq/MainCommands.h"
#include "ui/HelpViewer.h"
#include "ui/ScreenHost.h"
#include "ui/UiFeature.h"

class QObject;
class QPrintDialog;
class QPrinter;

namespace vt {

class TScreenHost;
class TShell;
class TSplashForm;
class TUserDialogs;

class TMainCommandsUi : public TUiFeature, public TMainCommandWindow {
public:
    TMainCommandsUi(TShell& shell, TUserDialogs& dialogs, THelpViewer::TOpenUrl openUrl = {});
    ~TMainCommandsUi() override;

    // --- the feature ---
    void AttachToProgram(TShell& shell) override;
    void ShowSplash() override;
    void SplashStatus(const std::string& status) override;
    void SplashSleep(int ms) override;
    void CloseSplash() override;
    void WindowCreated(TMorda_fr& window, TSideMenus& menus, TKitContext& kit) override;
    void WindowGone() override;
    void ShowHelpContext(int context) override;

    // --- what the main commands ask of the window ---
    void CopyScreenToClipboard(int kind) override;
    void PrintWindow(bool ask) override;
    // Window-modal without a loop of its own: the command returns while the box serves its user. Without
    // a screen no box opens: Cancel's answer, logged, and false.
    bool PrinterSetup() override;
    void EnterContextHelp() override;
    void ShowAbout() override;
    // The About box's two buttons; a button without its dialog stays disabled.
    std::function<void()> ShowInstrumentInfo;
    std::function<void()> ShowTcpIpProperties;

    TSplashForm* Splash() const { return Splash_.get(); }
    TScreenHost* ScreenHost() const { return Host_; }
    // Where a print goes without a printer: the PDF file written last.
    const std::string& LastPdf() const { return LastPdf_; }
    // The main window's own image fitted to the page of the printer given, else of the default
    // printer, else into a PDF below the data root's "Prints/".
    void PrintImage();

private:
    class TWindowWatcher;
    void PlaceScreenHost();
    void SetCommandHints();

    TShell& Shell_;
    TUserDialogs& Dialogs_;
    THelpViewer Help_;
    TMorda_fr* Window_ = nullptr;
    QPointer<TScreenHost> Host_;
    std::unique_ptr<TWindowWatcher> Watcher_;
    std::unique_ptr<TSplashForm> Splash_;
    std::unique_ptr<QPrinter> Printer_;
    QPointer<QPrintDialog> PrinterSetup_;  // open while it serves its user
    std::string LastPdf_;
};

}  // namespace vt
