#pragma once
// The main window: display panel, main-command strip, permanent quick controls, the main-menu panel
// of 21 buttons, the two side-menu slots and the "System" button. It is the view of the program's
// life: it posts the deferred start-up, drives the idle handler and the main timers, shows the error
// dialog and asks the life's close query.
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <array>
#include <string>

#include "core/MenuKinds.h"
#include "ui/MainMenuButton.h"
#include "ui/IdleDriver.h"
#include "program/ProgramLife.h"
#include "ui/MainLayout.h"
#include "ui/SideMenuHost.h"
#include "ui/UserDialogs.h"

class QAction;
class QLabel;
class QPushButton;

namespace vt {

class TLangIniFile;
class TShell;
class TUiFeature;
struct TInstrumentIdentity;

// Sides of the side-menu slots.
inline constexpr int RightSide = 0;
inline constexpr int LeftSide = 1;

inline constexpr int MainMenuButtonCount = mkUtility + 1;  // one button per kind up to the utility menu

// A side-menu caption: its height and the room it takes above its slot.
inline constexpr int CaptionHeight = 22;
inline constexpr int CaptionRoom = 24;
// The slots (index RightSide, LeftSide) with room above each for its caption below the top strip.
std::array<TPlace, 2> CaptionedSlots(const TMainLayout& layout);

// "Gui" values.
enum class TGuiMode { RemoteLocal, RemoteOnly, Invisible };

class TMorda_fr : public QWidget, public TMainView {
public:
    // The deferred start-up request the window posts itself when first shown.
    static constexpr QEvent::Type StartUpEvent = static_cast<QEvent::Type>(QEvent::User + 2);

    // The window attaches itself to the life as its view while it exists.
    TMorda_fr(TShell& shell, TProgramLife& life, TUserDialogs& dialogs, QWidget* parent = nullptr);
    ~TMorda_fr() override;

    TProgramLife& Life() { return Life_; }
    // The side-menu slots; none: the menus open nothing.
    void SetSideMenus(TSideMenuHost* menus) { SideMenus_ = menus; }
    // False refuses the close; an exception refuses it too and reaches the error dialog.
    bool FormCloseQuery() { return Life_.CloseQuery(); }
    bool StartUpPosted() const { return StartUpPosted_; }

    // --- the view of the life ---
    void ProcessPendingEvents() override;
    void BuildMainMenuTable() override;
    void InstallIdleHandler() override;
    void OpenStartMenus() override;
    void SetSideMenusHidden(bool hidden) override;
    void CloseSideMenus() override;
    void ShowMainControls(bool visible) override;
    void SetCaption(const std::string& caption) override;
    void EnableOptionMenus() override;
    void ApplyGuiMode() override;
    void FollowTimerRequests() override;
    void CreateEnglishLanguageFile() override;
    void ShowError(const std::string& text) override;
    TCloseAnswer AskYesNoCancel(const std::string& text) override;

    // --- main loop ---
    bool MyIdleHandler();
    // Unhandled error of the message loop: the error dialog, Yes continues, No closes.
    void OnException(const std::string& message);
    // An exception of the idle pass or a main timer: a question that holds nothing.
    void OnProgramException(const std::string& message);
    TIdleDriver& IdleDriver() { return Idle_; }
    bool IdleHandlerInstalled() const { return IdleInstalled_; }

    // --- main menu and side menus ---
    // index 0..20; any other index is an internal error.
    TButtonOfMainMenu& GetMainMenuButton(int index);
    void MouseDownOnButtonOfMainMenu(TButtonOfMainMenu& button, Qt::MouseButton mouseButton);
    void SetSideMenuCaption(int side, const QString& text);
    QString SideMenuCaption(int side) const;
    // Opens on that side, after the calling form's event has returned, the menu of kind 20 + target
    // (0 utility, 1 calibration, 2 adjustment, 3 simulated generator).
    void DeferSideMenuUpdate(int side, int target);
    TButtonOfMainMenu* SideButton(int side) const { return SideButton_[side]; }

    // --- window state ---
    // Hidden side-menu forms (no instrument) keep their slots' places in Layout().
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
    QTimer& MainTimer(TMainTimer timer) { return MainTimers_[static_cast<int>(timer)]; }
    QTimer& PersistTimer() { return MainTimer(TMainTimer::VariablePersist); }
    QTimer& FlagRegisterReadingTimer() { return MainTimer(TMainTimer::FlagRegisterReading); }
    QTimer& AutoCalTimer() { return MainTimer(TMainTimer::AutoCal); }

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
    void PlaceMainMenuButtons(int menuWidth);
    void CreateActions();
    // Texts of the window from the chosen language file.
    void TranslateWindow();
    void RestorePreviousIdleHandler();
    void ApplyVisibility();
    std::string LangStr(const char* key) const;
    // Over USB or LAN.
    bool InstrumentConnected();
    // The identity of the instrument in use; all zero without one.
    const TInstrumentIdentity& Identity();
    void ShowSideMenu(int kind, int side);

    TShell& Shell_;
    TProgramLife& Life_;
    TUserDialogs& Dialogs_;
    TSideMenuHost* SideMenus_ = nullptr;
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

    std::array<QTimer, static_cast<int>(TMainTimer::Count)> MainTimers_;
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
