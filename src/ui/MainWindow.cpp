#include "ui/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QFont>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <stdexcept>

#include "acq/SignalSources.h"
#include "core/InternalError.h"
#include "core/LanguageFile.h"
#include "core/LanguageState.h"
#include "core/DotNumberText.h"
#include "core/Shell.h"
#include "core/CommandTree.h"
#include "link/InstrumentLink.h"
#include "link/InstrumentIdentity.h"
#include "core/UndoBuffer.h"
#include "ui/MainCommandStrip.h"
#include "ui/PermanentControls.h"
#include "ui/controls/Switcher.h"
#include "ui/QtColor.h"
#include "ui/controls/LanguageForm.h"
#include "ui/VeltraneApplication.h"

namespace vt {

namespace {

constexpr const char* FormName = "Morda_fr";

struct TMainMenuEntry {
    const char* Name;
    const char* Caption;
};

// The main-menu table: the index is the menu kind.
constexpr TMainMenuEntry MainMenuTable[MainMenuButtonCount] = {
    {"bmmChannels", "Channels"},       {"bmmOE", "O/E Converter"},     {"bmmTimeBase", "Time Base"},
    {"bmmTrigger", "Trigger"},         {"bmmAcquisition", "Acquisition"}, {"bmmDisplay", "Display"},
    {"bmmSaveRecall", "Save/Recall"},  {"bmmMarker", "Marker"},        {"bmmMeasure", "Measure"},
    {"bmmLimitTest", "Limit Test"},    {"bmmMathematics", "Mathematics"}, {"bmmFFT", "FFT"},
    {"bmmZoom", "Zoom"},               {"bmmHistogram", "Histogram"},  {"bmmEyeDiagram", "Eye Diagram"},
    {"bmmMaskTest", "Mask Test"},      {"bmmGenerators", "Generators"}, {"bmmTDR_TDT", "TDR / TDT"},
    {"bmmJitter", "Jitter"},           {"bmmTestADC", ""},             {"bmmUtility", "Utility"},
};

// Main-menu buttons sit in two rows of eleven on the 792 x 49 panel.
constexpr int ButtonsPerRow = 11;
constexpr int ButtonWidth = 72;
constexpr int ButtonHeight = 24;

struct TKeyAction {
    const char* Name;
    QKeyCombination Key;
    const char* Switcher;  // nullptr: the action does something else
};

constexpr TKeyAction KeyActions[] = {
    {"Pult", QKeyCombination(Qt::Key_F3), nullptr},
    {"Console", QKeyCombination(Qt::Key_F4), nullptr},
    {"ToolBarCearDisplay", QKeyCombination(Qt::Key_F5), "mcsClearDisplay"},
    {"ToolBarRun", QKeyCombination(Qt::Key_F6), "mcsRun"},
    {"ToolBarStopSingle", QKeyCombination(Qt::Key_F7), "mcsStopSingle"},
    {"ToolBarAtoale", QKeyCombination(Qt::Key_F8), "mcsAutoscale"},
    {"ToolBarDefaultSeup", QKeyCombination(Qt::Key_F9), "mcsDefaultSetup"},
    {"ToolBarUndo", QKeyCombination(Qt::Key_F10), "mcsUndo"},
    {"ToolBarCopy", QKeyCombination(Qt::Key_F11), "mcsCopy"},
    {"ToolBarPrint", QKeyCombination(Qt::Key_F12), "mcsPrint"},
    {"ToolBarWhatIsThis", QKeyCombination(Qt::ShiftModifier, Qt::Key_F1), "mcsHelp"},
};


// A stored text's line breaks as the toolkit shows them.
QString DialogText(const std::string& text) {
    QString q = QString::fromStdString(text);
    q.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    q.replace(QChar('\r'), QChar('\n'));
    return q;
}

void SetPlace(QWidget& w, const TPlace& p) { w.setGeometry(p.Left, p.Top, p.Width, p.Height); }

}  // namespace

TMorda_fr::TMorda_fr(TShell& shell, TMordaSteps& steps, TUserDialogs& dialogs, QWidget* parent)
    : QWidget(parent), Shell_(shell), Steps_(steps), Dialogs_(dialogs) {
    setObjectName(FormName);
    setFont(QFont(QStringLiteral("Liberation Sans"), 8));

    btnInstruments_ = new QPushButton(QStringLiteral("System"), this);
    btnInstruments_->setObjectName("btnInstruments");
    btnInstruments_->setGeometry(2, 0, 62, 20);
    btnInstruments_->setFocusPolicy(Qt::NoFocus);
    connect(btnInstruments_, &QPushButton::clicked, this, [this] {
        // The selection answers false when the program must end.
        if (Steps_.SelectInstrumentsDialog && !Steps_.SelectInstrumentsDialog()) close();
    });

    rmpSystemSontrols_ = CreateMainCommandStrip(this);
    auto* permanent = new TRC_RightMenuPanel(this);
    permanent->setObjectName("rmpPermanentControls");
    BuildPermanentControls(*permanent);
    rmpPermanentControls_ = permanent;

    pnMainMenu_ = new QFrame(this);
    pnMainMenu_->setObjectName("pnMainMenu");
    for (int i = 0; i < MainMenuButtonCount; ++i) {
        auto* b = new TButtonOfMainMenu(pnMainMenu_);
        b->setObjectName(MainMenuTable[i].Name);
        b->setGeometry((i % ButtonsPerRow) * ButtonWidth, (i / ButtonsPerRow) * (ButtonHeight + 1), ButtonWidth,
                       ButtonHeight);
        MainMenu_[i] = b;
    }
    // A 22nd button that belongs to no table and stays disabled.
    auto* spare = new TButtonOfMainMenu(pnMainMenu_);
    spare->setObjectName("ButtonOfMainMenu2");
    spare->setGeometry((ButtonsPerRow - 1) * ButtonWidth, ButtonHeight + 1, ButtonWidth, ButtonHeight);
    spare->setEnabled(false);
    MainMenu_[mkService]->setEnabled(false);

    for (int side : {RightSide, LeftSide}) {
        auto* caption = new QLabel(this);
        caption->setObjectName(side == LeftSide ? "pnLeftMenuCaption" : "pnRightMenuCaption");
        caption->setAlignment(Qt::AlignCenter);
        caption->setAutoFillBackground(true);
        CaptionPanel_[side] = caption;
    }

    TimerForVariablePersist_.setInterval(16);
    connect(&TimerForVariablePersist_, &QTimer::timeout, this, [this] {
        if (Shell_.RunOn && Shell_.Display().PanelExists()) Shell_.Display().AgePersistence();
    });
    FlagRegisterReadingTimer_.setInterval(1500);
    connect(&FlagRegisterReadingTimer_, &QTimer::timeout, this, [this] {
        if (Identity().HasOptPatSyncTrig()) DoStep(Steps_.RecheckPatternLock, false);
        DoStep(Steps_.RefreshTrigIndicator, 0);
    });
    AutoCalTimer_.setInterval(5000);
    connect(&AutoCalTimer_, &QTimer::timeout, this, [this] {
        Shell_.AutoCalRequest = true;
        Shell_.AutoCalTimerEnabled = false;
        AutoCalTimer_.stop();
    });
    // A deadline of the acquisition: the timer's event wakes the idle handler.
    IdleWakeTimer_.setSingleShot(true);
    connect(&IdleWakeTimer_, &QTimer::timeout, this, [] {});

    if (auto* app = dynamic_cast<TVeltraneApplication*>(QCoreApplication::instance()))
        app->OnException = [this](const std::string& message) { OnException(message); };
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) { Shell_.AppActive = state == Qt::ApplicationActive; });

    CreateActions();
    FormCreate();
}

TMorda_fr::~TMorda_fr() {
    if (auto* app = dynamic_cast<TVeltraneApplication*>(QCoreApplication::instance())) app->OnException = nullptr;
}

std::string TMorda_fr::LangStr(const char* key) const { return Shell_.LangStr(key); }

void TMorda_fr::ExecuteCommandString(const std::string& command) { Shell_.ExecuteCommandString(command); }

const TInstrumentIdentity& TMorda_fr::Identity() {
    static const TInstrumentIdentity none{};
    const TInstrumentIdentityUnit* unit = Shell_.Identity();
    return unit ? unit->Identity : none;
}

bool TMorda_fr::ReadIndividualData() {
    if (Steps_.ReadIndividualData) return Steps_.ReadIndividualData();
    TInstrumentIdentityUnit* unit = Shell_.Identity();
    return unit && unit->ReadIndividualData(Shell_.StartInstrumentName);
}

void TMorda_fr::ResetSignalStates() {
    if (TSignalRecords* records = Shell_.Records())
        for (int source = 0; source < SignalRecordCount; ++source) records->SetState(source, srcOff);
}

bool TMorda_fr::InstrumentConnected() {
    const TInstrumentLink* link = Shell_.Link();
    return link && link->IsInstrumentConnected();
}

void TMorda_fr::FormCreate() {
    SetDefaultSize();
    if (const QScreen* s = screen(); s && s->geometry().width() <= 640) move(0, 0);
    for (int side : {RightSide, LeftSide}) {
        QPalette pal = CaptionPanel_[side]->palette();
        pal.setColor(QPalette::Window, ToQColor(side == LeftSide ? LeftMenuColor : RightMenuColor));
        CaptionPanel_[side]->setPalette(pal);
    }
    for (int i = 0; i < MainMenuButtonCount; ++i) MainMenu_[i]->SetCaption(MainMenuTable[i].Caption);
    TranslateWindow();
    ShowMainControls(false);
}

void TMorda_fr::TranslateWindow() {
    TLanguageState& lang = Shell_.Language();
    const TLangIniFile* file = lang.FormTextsFile();
    if (file && !lang.EnglishFileMissing()) ApplyFormTexts(*file, *this, lang);
}

void TMorda_fr::CreateActions() {
    for (const TKeyAction& k : KeyActions) {
        auto* a = new QAction(this);
        a->setObjectName(k.Name);
        a->setShortcut(QKeySequence(k.Key));
        a->setShortcutContext(Qt::WindowShortcut);
        const std::string name = k.Name;
        const char* switcher = k.Switcher;
        connect(a, &QAction::triggered, this, [this, name, switcher] {
            if (switcher) {
                PressCommandSwitcher(switcher);
            } else if (name == "Console") {
                DoStep(Steps_.ShowConsole, this);
            }
        });
        addAction(a);
    }
    // The window's "Default Size" command, on the context menu of the "System" button.
    DefaultSizeAction_ = new QAction(QString::fromStdString(LangStr("DefaultSize")), this);
    DefaultSizeAction_->setObjectName("DefaultSize");
    connect(DefaultSizeAction_, &QAction::triggered, this, [this] { SetDefaultSize(); });
    btnInstruments_->addAction(DefaultSizeAction_);
    btnInstruments_->setContextMenuPolicy(Qt::ActionsContextMenu);
}

// ---------------------------------------------------------------------------------------------
// Start-up

void TMorda_fr::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FormShow();
}

void TMorda_fr::FormShow() {
    // The deferred start-up runs once: showing the window again (after "Gui" hid it, or after a
    // failed instrument start left the acquisition off) must not run it a second time.
    if (Shell_.AcqEnabled || StartUpPosted_) return;
    StartUpPosted_ = true;
    QCoreApplication::postEvent(this, new QEvent(StartUpEvent));
    ApplyGuiMode();
}

void TMorda_fr::customEvent(QEvent* event) {
    if (event->type() == StartUpEvent) {
        StartUp();
        return;
    }
    QWidget::customEvent(event);
}

void TMorda_fr::StartUp() {
    QCoreApplication::processEvents();
    DoStep(Steps_.PushHint, std::string(VersionText), 5000);
    DoStep(Steps_.BindSwitchersOfStrips);
    if (Steps_.CreateEnglishLanguageFile) {
        Steps_.CreateEnglishLanguageFile();
    } else {
        Shell_.Language().CreateEnglishLanguageFile([this](TLangIniFile& file) { SaveFormTexts(file, *this); });
    }
    BuildMainMenuTable();
    DoStep(Steps_.InitSourceSwitcherItems);
    Shell_.Serial().RefreshStdMaskFamily();
    SideButton_ = {};
    InstallIdleHandler();
    Shell_.FlagRegisterReadingEnabled = true;
    // Taken before the first instrument start, so it holds the values given at registration.
    Shell_.FactorySetup.clear();
    if (TCommandTree* tree = Shell_.CommandTree()) tree->Root().SaveAllSettings(Shell_.FactorySetup);
    const bool present = Shell_.StartInstrumentPresent();
    StartInstrument(present);
    DoStep(Steps_.LoadMemoriesFromDisk);
    DoStep(Steps_.LoadPatternLengthList);
    OpenStartMenus();
    if (!present) SetSideMenusHidden(true);
    ApplyGuiMode();
    DoStep(Steps_.SetInstrGuiReady);
    Shell_.AutoCalTimerEnabled = true;
    FollowTimerRequests();
}

void TMorda_fr::OpenStartMenus() {
    MouseDownOnButtonOfMainMenu(*MainMenu_[mkChannels], Qt::LeftButton);
    MouseDownOnButtonOfMainMenu(*MainMenu_[mkTimebase], Qt::RightButton);
}

bool TMorda_fr::StartInstrument(bool present) {
    if (present) {
        SetSideMenusHidden(false);
        OpenStartMenus();
    }
    ShowMainControls(present);
    // Without an instrument no options of an earlier one may gate menus or limits.
    if (!present)
        if (TInstrumentIdentityUnit* unit = Shell_.Identity()) unit->ClearIdentity();
    if (present && !ReadIndividualData()) {
        Dialogs_.ShowError(this, QStringLiteral("Error Reading the Individual Information from the Instruments."));
        return false;
    }
    setWindowTitle(QString::fromStdString(
        Identity().BuildMainCaption(present, [this](std::string_view key) { return Shell_.LangStr(key); })));
    RegisterLateCommandHandlers(Shell_);
    if (!Shell_.UndoBuffer()) Shell_.SetUndoBuffer(std::make_unique<TUndoBuffer>());
    ResetSignalStates();
    Shell_.SetApplyUnchangedValues(true);
    if (present) DoStep(Steps_.RefreshHelpCaptionAndCalibration);
    EnableOptionMenus();
    if (present && !Shell_.ShiftAtStart) DoStep(Steps_.RecallDefaultSetup);
    UpdateUiForInstrument(Shell_, {Identity().HasOptOptics(), Identity().HasOptGenerators()});
    DoStep(Steps_.UpdateHoldoffTracking);
    DoStep(Steps_.ResendInstrumentSettings);
    Shell_.Display().TopTextUpdateAll();
    Shell_.SetApplyUnchangedValues(false);
    Shell_.AcqEnabled = true;
    if (present) ExecuteCommandString("*Run");
    if (TUndoBuffer* undo = Shell_.UndoBuffer()) undo->SetEnabled(true);
    return true;
}

void TMorda_fr::StopInstrument() {
    Shell_.SetUndoBuffer(nullptr);
    Shell_.StopInProgress = true;
    try {
        ExecuteCommandString("*StopSingle Stop");
    } catch (...) {
        Shell_.StopInProgress = false;
        throw;
    }
    Shell_.StopInProgress = false;
    Shell_.AcqEnabled = false;
    Shell_.SetApplyUnchangedValues(true);  // until the next instrument start clears it
}

// ---------------------------------------------------------------------------------------------
// Close

bool TMorda_fr::FormCloseQuery() {
    if (AskStep(Steps_.AutomationObjectCount) > 0) throw std::runtime_error(LangStr("ActiveCOMclient"));
    Shell_.MainWindowClosing = true;
    auto stopAndBreak = [this] {
        DoStep(Steps_.StopSingleStop);
        DoStep(Steps_.BreakAcquisition, true);
    };
    stopAndBreak();

    bool storeAdjustment = false;
    bool storeCalibration = false;
    if (AskStep(Steps_.AdjustmentModified) && AskStep(Steps_.AdjustAccessGranted)) {
        const TDialogAnswer a =
            Dialogs_.AskYesNoCancel(this, DialogText(LangStr("QueSaveAdjusting")));
        if (a == TDialogAnswer::Cancel) {
            Shell_.MainWindowClosing = false;
            return false;
        }
        stopAndBreak();
        storeAdjustment = a == TDialogAnswer::Yes;
    } else if (AskStep(Steps_.CalibrationModified)) {
        const TDialogAnswer a =
            Dialogs_.AskYesNoCancel(this, DialogText(LangStr("QueSaveCalibration")));
        if (a == TDialogAnswer::Cancel) {
            Shell_.MainWindowClosing = false;
            return false;
        }
        storeCalibration = a == TDialogAnswer::Yes;
    }
    if (storeAdjustment) DoStep(Steps_.StoreAdjustmentValues, true);
    if (storeCalibration) DoStep(Steps_.StoreAdjustmentValues, false);
    // Without a started instrument the settings are still the registration defaults (or another
    // instrument's): saving them would overwrite the user's power-off setup.
    if (Shell_.AcqEnabled) DoStep(Steps_.SavePowerOffSetup);
    DoStep(Steps_.StartFlagRegisterReading);
    return true;
}

void TMorda_fr::closeEvent(QCloseEvent* event) {
    bool canClose = false;
    try {
        canClose = FormCloseQuery();
    } catch (...) {
        // The refusal reaches the error dialog after this event, so that its No can ask again.
        const std::string message = ExceptionMessage(std::current_exception());
        QTimer::singleShot(0, this, [this, message] { OnException(message); });
    }
    if (canClose) {
        event->accept();
    } else {
        event->ignore();
    }
}

// ---------------------------------------------------------------------------------------------
// Main loop

void TMorda_fr::InstallIdleHandler() {
    if (IdleInstalled_) return;
    PreviousIdle_ = Idle_.Handler();
    Idle_.SetHandler([this] { return MyIdleHandler(); });
    IdleInstalled_ = true;
}

void TMorda_fr::RestorePreviousIdleHandler() {
    if (!IdleInstalled_) return;
    Idle_.SetHandler(PreviousIdle_);
    IdleInstalled_ = false;
}

bool TMorda_fr::MyIdleHandler() {
    const TInstrumentLink* link = Shell_.Link();
    const bool done = MainIdleStep(Shell_, link && link->CommErrorFlag());
    FollowTimerRequests();
    return done;
}

void TMorda_fr::FollowTimerRequests() {
    auto follow = [](QTimer& timer, bool on) {
        if (on && !timer.isActive()) timer.start();
        if (!on && timer.isActive()) timer.stop();
    };
    follow(TimerForVariablePersist_, Shell_.RunOn && Shell_.Display().PanelExists());
    follow(FlagRegisterReadingTimer_, Shell_.FlagRegisterReadingEnabled);
    follow(AutoCalTimer_, Shell_.AutoCalTimerEnabled);
    if (Shell_.IdleWakeAfterMs >= 0) {
        IdleWakeTimer_.start(Shell_.IdleWakeAfterMs);
        Shell_.IdleWakeAfterMs = -1;
    }
}

void TMorda_fr::OnException(const std::string& message) {
    const bool wasInstalled = IdleInstalled_;
    RestorePreviousIdleHandler();
    const TDialogAnswer a = Dialogs_.AskErrorYesNo(this, DialogText(FormatDot(LangStr("OnException"), message)));
    if (a == TDialogAnswer::No) {
        close();
    } else if (wasInstalled) {
        InstallIdleHandler();
    }
}

// ---------------------------------------------------------------------------------------------
// Main menu and side menus

void TMorda_fr::BuildMainMenuTable() {
    for (int i = 0; i < MainMenuButtonCount; ++i) {
        TButtonOfMainMenu& b = *MainMenu_[i];
        b.Tag = i;
        b.OnMouseDown = [this](TButtonOfMainMenu& button, Qt::MouseButton m) {
            MouseDownOnButtonOfMainMenu(button, m);
        };
    }
}

TButtonOfMainMenu& TMorda_fr::GetMainMenuButton(int index) {
    if (index < 0 || index >= MainMenuButtonCount) VT_INTERNAL_ERROR("Morda", "Main menu index out of range");
    return *MainMenu_[index];
}

void TMorda_fr::MouseDownOnButtonOfMainMenu(TButtonOfMainMenu& b, Qt::MouseButton m) {
    const int side = m == Qt::LeftButton ? LeftSide : RightSide;
    if (side == LeftSide ? b.LeftMenuOn() : b.RightMenuOn()) return;
    if (b.Tag == mkService && InstrumentConnected() && !IsVersionAtLeast(Identity().SWVersion, {3, 7, 10})) {
        Dialogs_.ShowMessage(this, QStringLiteral("FW version of Veltrane is older than v.3.7.10!"));
        return;
    }
    SetSideMenuCaption(side, b.Caption());
    auto setSideFlag = [side](TButtonOfMainMenu& button, bool on) {
        if (side == LeftSide) {
            button.SetLeftMenuOn(on);
        } else {
            button.SetRightMenuOn(on);
        }
    };
    if (SideButton_[side]) setSideFlag(*SideButton_[side], false);
    SideButton_[side] = &b;
    setSideFlag(b, true);
    DoStep(Steps_.ShowSideMenu, b.Tag, side);
}

void TMorda_fr::SetSideMenuCaption(int side, const QString& text) { CaptionPanel_[side]->setText(text); }
QString TMorda_fr::SideMenuCaption(int side) const { return CaptionPanel_[side]->text(); }
QWidget& TMorda_fr::SideCaptionPanel(int side) { return *CaptionPanel_[side]; }

void TMorda_fr::CloseSideMenus() {
    for (int side : {RightSide, LeftSide}) {
        TButtonOfMainMenu* b = SideButton_[side];
        if (!b) continue;
        if (side == LeftSide) {
            b->SetLeftMenuOn(false);
        } else {
            b->SetRightMenuOn(false);
        }
        DoStep(Steps_.ShowSideMenu, mkNone, side);
    }
}

void TMorda_fr::DeferSideMenuUpdate(int side, int target) {
    DeferSide_ = side;
    DeferTarget_ = target;
    if (!DeferTimer_) {
        DeferTimer_ = new QTimer(this);
        DeferTimer_->setSingleShot(true);
        DeferTimer_->setInterval(5);
        connect(DeferTimer_, &QTimer::timeout, this, [this] { DoStep(Steps_.ShowSideMenu, mkUtility + DeferTarget_, DeferSide_); });
    }
    DeferTimer_->start();
}

void TMorda_fr::EnableOptionMenus() {
    const TInstrumentIdentity& id = Identity();
    MainMenu_[mkOEConverter]->setEnabled(id.HasOptOptics());
    MainMenu_[mkGenerators]->setEnabled(id.HasOptGenerators());
    MainMenu_[mkTdr]->setEnabled(id.HasGenerators());
    MainMenu_[mkJitter]->setEnabled(TInstrumentIdentity::IsJitterModeAvailable());
}

void TMorda_fr::JitterPlotMessage(int action, int plot, int value) {
    switch (action) {
        case 0: DoStep(Steps_.ClearJitterPlotBit, plot); break;
        case 1:
        case 2:
            if (Shell_.Serial().JitterAnalyserExists() && plot >= 0 && plot < 7)
                Shell_.Serial().JitterDrawPlot(plot, action, action == 1 ? -1 : value);
            break;
        default: break;
    }
}

// ---------------------------------------------------------------------------------------------
// Geometry and visibility

void TMorda_fr::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FormResize(width(), height());
}

void TMorda_fr::FormResize(int W, int H) {
    Layout_ = ComputeMainLayout(W, H, btnInstruments_->geometry().x() + btnInstruments_->geometry().width());
    SetPlace(*rmpSystemSontrols_, Layout_.SystemStrip);
    SetPlace(*pnMainMenu_, Layout_.MainMenu);
    SetPlace(*rmpPermanentControls_, Layout_.PermanentControls);
    for (int side : {RightSide, LeftSide}) {
        const TPlace& slot = side == LeftSide ? Layout_.LeftSlot : Layout_.RightSlot;
        CaptionPanel_[side]->setGeometry(slot.Left, std::max(0, slot.Top - 24), slot.Width, 22);
    }
    DoStep(Steps_.PlaceSideMenus, Layout_.RightSlot, Layout_.LeftSlot);
    if (!PanelCreated_) {
        Shell_.Display().CreatePanel();
        PanelCreated_ = true;
    }
    DoStep(Steps_.BreakAcquisition, false);
    const TPlace& d = Layout_.DisplayArea;
    Shell_.Display().PlacePanel(d.Left, d.Top, d.Height - 2, d.Width);
    ShowMainControls(Shell_.StartInstrumentPresent());
}

void TMorda_fr::ShowMainControls(bool visible) {
    MainControlsVisible_ = visible;
    ApplyVisibility();
}

void TMorda_fr::SetSideMenusHidden(bool hidden) {
    SideMenusHidden_ = hidden;
    DoStep(Steps_.SetSideMenusVisible, !hidden);
}

void TMorda_fr::ApplyVisibility() {
    const bool v = MainControlsVisible_;
    Shell_.Display().SetPanelVisible(v);
    rmpSystemSontrols_->setVisible(v);
    rmpPermanentControls_->setVisible(v && Layout_.PermanentControls.Visible);
    pnMainMenu_->setVisible(v && Layout_.MainMenu.Visible);
    CaptionPanel_[LeftSide]->setVisible(v && Layout_.LeftSlot.Visible);
    CaptionPanel_[RightSide]->setVisible(v && Layout_.RightSlot.Visible);
}

void TMorda_fr::SetDefaultSize() {
    const QScreen* s = screen();
    const QRect sg = s ? s->geometry() : QRect(0, 0, 1920, 1080);
    const TWindowOrigin o = ComputeDefaultOrigin(x(), y(), width(), height(), sg.width(), sg.height());
    setWindowState(Qt::WindowNoState);
    resize(DefaultClientWidth, DefaultClientHeight);
    move(o.Left, o.Top);
}

void TMorda_fr::CreateGuiHandler() {
    TCommandTree* tree = Shell_.CommandTree();
    if (!tree) VT_INTERNAL_ERROR("Morda", "Gui registered without a command tree");
    TRadioOptions options{.Items = "RemoteLocal,RemoteOnly,Invisible"};
    options.AfterChange = [this](THandler& h) {
        SetGuiMode(static_cast<TGuiMode>(static_cast<TRadioSwHandler&>(h).GetItemIndex()));
    };
    tree->Root().AddRadioHandler("Gui", options).SetNoSave(true);
}

void TMorda_fr::SetGuiMode(TGuiMode mode) {
    GuiMode_ = mode;
    Shell_.GuiRemote = mode != TGuiMode::RemoteLocal;
    ApplyGuiMode();
}

void TMorda_fr::ApplyGuiMode() {
    switch (GuiMode_) {
        case TGuiMode::RemoteLocal:
            setEnabled(true);
            setVisible(true);
            break;
        case TGuiMode::RemoteOnly:
            setEnabled(false);
            setVisible(true);
            break;
        case TGuiMode::Invisible: setVisible(false); break;
    }
}

void TMorda_fr::SetBusy(bool busy) {
    setEnabled(!busy);
    if (busy) {
        SetHourglass();
    } else {
        SetNormalCursor();
    }
}

void TMorda_fr::SetHourglass() {
    if (!QGuiApplication::overrideCursor()) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    repaint();
}

void TMorda_fr::SetNormalCursor() {
    while (QGuiApplication::overrideCursor()) QGuiApplication::restoreOverrideCursor();
    repaint();
}

void TMorda_fr::PressCommandSwitcher(const char* switcherName) {
    QWidget* sw = rmpSystemSontrols_->findChild<QWidget*>(switcherName);
    if (!sw) return;
    const QPointF at(sw->width() / 2.0, sw->height() / 2.0);
    const QPointF global = sw->mapToGlobal(at);
    QMouseEvent down(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(sw, &down);
    sw->repaint();
    QThread::msleep(10);
    QMouseEvent up(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(sw, &up);
}

// ---------------------------------------------------------------------------------------------
// Context help

void TMorda_fr::SetWhatsThisMode(bool on) {
    if (on == WhatsThisMode_) return;
    WhatsThisMode_ = on;
    if (on) {
        setCursor(Qt::WhatsThisCursor);
        grabMouse();
        grabKeyboard();
    } else {
        unsetCursor();
        releaseMouse();
        releaseKeyboard();
    }
}

void TMorda_fr::mousePressEvent(QMouseEvent* event) {
    if (!WhatsThisMode_) {
        QWidget::mousePressEvent(event);
        return;
    }
    if (event->button() == Qt::LeftButton) {
        SetHourglass();
        QWidget* w = childAt(event->position().toPoint());
        int context = 0;
        for (; w && context <= 0; w = w->parentWidget()) context = w->property("HelpContext").toInt();
        SetNormalCursor();
        if (context > 0) DoStep(Steps_.ShowHelpContext, context);
    }
    SetWhatsThisMode(false);
    event->accept();
}

void TMorda_fr::keyPressEvent(QKeyEvent* event) {
    if (WhatsThisMode_) {
        SetWhatsThisMode(false);
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TMorda_fr::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange) SetWhatsThisMode(false);
    QWidget::changeEvent(event);
}

}  // namespace vt
