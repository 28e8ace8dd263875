#pragma once
// The main window: display panel, main-command strip, permanent quick controls, the main-menu panel
// of 21 buttons, the two side-menu slots and the "System" button. It runs the deferred start-up, the
// start and stop of an instrument, the idle handler, the timers, the error dialog and the close query.
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <array>
#include <string>

#include "core/MenuKinds.h"
#include "ui/MainMenuButton.h"
#include "ui/IdleDriver.h"
#include "ui/MainLayout.h"
#include "ui/MainWindowSteps.h"
#include "ui/UserDialogs.h"

class QAction;
class QLabel;
class QPushButton;

namespace vt {

class TLangIniFile;
class TShell;
struct TInstrumentIdentity;

// Sides of the side-menu slots.
inline constexpr int RightSide = 0;
inline constexpr int LeftSide = 1;

inline constexpr int MainMenuButtonCount = mkUtility + 1;  // one button per kind up to the utility menu

// "Gui" values.
enum class TGuiMode { RemoteLocal, RemoteOnly, Invisible };

class TMorda_fr : public QWidget {
public:
    static constexpr const char* VersionText = "Version 2_4_4 (2011-03-01)";
    // The deferred start-up request the window posts itself when first shown.
    static constexpr QEvent::Type StartUpEvent = static_cast<QEvent::Type>(QEvent::User + 2);

    TMorda_fr(TShell& shell, TMordaSteps& steps, TUserDialogs& dialogs, QWidget* parent = nullptr);
    ~TMorda_fr() override;

    // --- start-up and shutdown ---
    void StartUp();
    // False when the identity could not be read (the acquisition stays off).
    bool StartInstrument(bool present);
    void StopInstrument();
    // False refuses the close; an exception refuses it too and reaches the error dialog.
    bool FormCloseQuery();
    bool StartUpPosted() const { return StartUpPosted_; }

    // --- main loop ---
    bool MyIdleHandler();
    // Unhandled error of the message loop: the error dialog, Yes continues, No closes.
    void OnException(const std::string& message);
    TIdleDriver& IdleDriver() { return Idle_; }
    bool IdleHandlerInstalled() const { return IdleInstalled_; }

    // --- main menu and side menus ---
    void BuildMainMenuTable();
    // index 0..20; any other index is an internal error.
    TButtonOfMainMenu& GetMainMenuButton(int index);
    void MouseDownOnButtonOfMainMenu(TButtonOfMainMenu& button, Qt::MouseButton mouseButton);
    void SetSideMenuCaption(int side, const QString& text);
    QString SideMenuCaption(int side) const;
    void CloseSideMenus();
    // Opens on that side, after the calling form's event has returned, the menu of kind 20 + target
    // (0 utility, 1 calibration, 2 adjustment, 3 simulated generator).
    void DeferSideMenuUpdate(int side, int target);
    void EnableOptionMenus();
    TButtonOfMainMenu* SideButton(int side) const { return SideButton_[side]; }

    // --- window state ---
    void ShowMainControls(bool visible);
    // Hides both side-menu forms (no instrument); the slots' places stay in Layout().
    void SetSideMenusHidden(bool hidden);
    bool SideMenusHidden() const { return SideMenusHidden_; }
    void SetBusy(bool busy);
    void SetHourglass();
    void SetNormalCursor();
    void SetWhatsThisMode(bool on);
    bool WhatsThisMode() const { return WhatsThisMode_; }
    // Registers "Gui" (not saved in setups); its changes set the mode.
    void CreateGuiHandler();
    void SetGuiMode(TGuiMode mode);
    TGuiMode GuiMode() const { return GuiMode_; }
    void ApplyGuiMode();
    void SetDefaultSize();
    // A key acts exactly like a click on the main-command switcher of that name.
    void PressCommandSwitcher(const char* switcherName);
    // Notification of a jitter plot window: 0 closed, 1 redraw, 2 redraw with value.
    void JitterPlotMessage(int action, int plot, int value);

    const TMainLayout& Layout() const { return Layout_; }
    QWidget& SystemControls() { return *rmpSystemSontrols_; }
    QWidget& PermanentControls() { return *rmpPermanentControls_; }
    QWidget& MainMenuPanel() { return *pnMainMenu_; }
    QWidget& SideCaptionPanel(int side);
    QAction& DefaultSizeAction() { return *DefaultSizeAction_; }
    QTimer& PersistTimer() { return TimerForVariablePersist_; }
    QTimer& FlagRegisterReadingTimer() { return FlagRegisterReadingTimer_; }
    QTimer& AutoCalTimer() { return AutoCalTimer_; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void customEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void FormResize(int width, int height);
    void CreateActions();
    // Texts of the window from the chosen language file.
    void TranslateWindow();
    void InstallIdleHandler();
    void RestorePreviousIdleHandler();
    void FollowTimerRequests();
    void ApplyVisibility();
    void OpenStartMenus();
    std::string LangStr(const char* key) const;
    void ExecuteCommandString(const std::string& command);
    // Over USB or LAN.
    bool InstrumentConnected();
    // The identity of the instrument in use; all zero without one.
    const TInstrumentIdentity& Identity();
    bool ReadIndividualData();
    // Every signal record's state off.
    void ResetSignalStates();

    TShell& Shell_;
    TMordaSteps& Steps_;
    TUserDialogs& Dialogs_;
    TIdleDriver Idle_;
    TIdleDriver::THandler PreviousIdle_;

    QPushButton* btnInstruments_ = nullptr;
    QWidget* rmpSystemSontrols_ = nullptr;
    QWidget* rmpPermanentControls_ = nullptr;
    QWidget* pnMainMenu_ = nullptr;
    std::array<QLabel*, 2> CaptionPanel_{};
    std::array<TButtonOfMainMenu*, MainMenuButtonCount> MainMenu_{};
    std::array<TButtonOfMainMenu*, 2> SideButton_{};
    QAction* DefaultSizeAction_ = nullptr;

    QTimer TimerForVariablePersist_;
    QTimer FlagRegisterReadingTimer_;
    QTimer AutoCalTimer_;
    QTimer IdleWakeTimer_;
    QTimer* DeferTimer_ = nullptr;
    int DeferSide_ = RightSide;
    int DeferTarget_ = 0;

    TMainLayout Layout_;
    bool PanelCreated_ = false;
    bool MainControlsVisible_ = false;
    bool SideMenusHidden_ = false;
    bool StartUpPosted_ = false;
    bool WhatsThisMode_ = false;
    bool IdleInstalled_ = false;
    TGuiMode GuiMode_ = TGuiMode::RemoteLocal;
};

}  // namespace vt
