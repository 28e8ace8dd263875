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
#include <QTimer>
#include <memory>
#include <utility>
#include <stdexcept>

#include "acq/SignalSources.h"
#include "core/InternalError.h"
#include "core/LanguageFile.h"
#include "core/LanguageState.h"
#include "core/ProgramLog.h"
#include "core/DotNumberText.h"
#include "core/Shell.h"
#include "core/CommandTree.h"
#include "link/InstrumentLink.h"
#include "link/InstrumentIdentity.h"
#include "ui/HelpViewer.h"
#include "ui/MainCommandStrip.h"
#include "ui/MainMenuButton.h"
#include "ui/PermanentControls.h"
#include "ui/controls/CommandSwitchers.h"
#include "ui/controls/Switcher.h"
#include "ui/QtColor.h"
#include "ui/controls/LanguageForm.h"
#include "ui/UiFeature.h"
#include "ui/UserDialogs.h"
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

TMorda_fr::TMorda_fr(TShell& shell, TProgramLife& life, TUserDialogs& dialogs, QWidget* parent)
    : QWidget(parent), Shell_(shell), Life_(life), Dialogs_(dialogs) {
    setObjectName(FormName);

    btnInstruments_ = new QPushButton(QStringLiteral("System"), this);
    btnInstruments_->setObjectName("btnInstruments");
    btnInstruments_->setGeometry(2, 0, 62, 20);
    btnInstruments_->setFocusPolicy(Qt::NoFocus);
    connect(btnInstruments_, &QPushButton::clicked, this, [this] {
        // The selection answers false when the program must end.
        bool keepRunning = true;
        ForEachUiFeature(Life_.Features(), [&](TUiFeature& f) { keepRunning = f.SelectInstrumentsDialog() && keepRunning; });
        if (!keepRunning) close();
    });

    rmpSystemSontrols_ = CreateMainCommandStrip(this);
    auto* permanent = new TRC_RightMenuPanel(this);
    permanent->setObjectName("rmpPermanentControls");
    // A value that needs the strip's other height lays the window out again, once the change is over.
    BuildPermanentControls(*permanent, [this, pending = std::make_shared<bool>(false)] {
        if (std::exchange(*pending, true)) return;
        QTimer::singleShot(0, this, [this, pending] {
            *pending = false;
            FormResize(width(), height());
        });
    });
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

    for (int i = 0; i < static_cast<int>(TMainTimer::Count); ++i) {
        const auto timer = static_cast<TMainTimer>(i);
        MainTimers_[i].setInterval(MainTimerIntervalMs(timer));
        connect(&MainTimers_[i], &QTimer::timeout, this,
                [this, timer] { GuardedProgramCall([this, timer] { Life_.TimerTick(timer); }); });
    }
    // A deadline of the acquisition: the timer's event wakes the idle handler.
    IdleWakeTimer_.setSingleShot(true);
    connect(&IdleWakeTimer_, &QTimer::timeout, this, [] {});

    if (auto* app = dynamic_cast<TVeltraneApplication*>(QCoreApplication::instance())) {
        app->OnException = [this](const std::string& message) { OnException(message); };
        app->OnProgramException = [this](const std::string& message) { OnProgramException(message); };
    }
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) { Shell_.AppActive = state == Qt::ApplicationActive; });

    CreateActions();
    FormCreate();
    Life_.SetView(this);
}

TMorda_fr::~TMorda_fr() {
    Life_.SetView(nullptr);
    if (auto* app = dynamic_cast<TVeltraneApplication*>(QCoreApplication::instance())) {
        app->OnException = nullptr;
        app->OnProgramException = nullptr;
    }
}


std::string TMorda_fr::LangStr(const char* key) const { return Shell_.LangStr(key); }

const TInstrumentIdentity& TMorda_fr::Identity() {
    static const TInstrumentIdentity none{};
    const TInstrumentIdentityUnit* unit = Shell_.Identity();
    return unit ? unit->Identity : none;
}

bool TMorda_fr::InstrumentConnected() {
    const TInstrumentLink* link = Shell_.Link();
    return link && link->IsInstrumentConnected();
}

void TMorda_fr::FormCreate() {
    // Below it the window would lose its main menu or cut the quick controls at its edge.
    setMinimumSize(LeastClientWidth, LeastClientHeight);
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
                ForEachUiFeature(Life_.Features(), [this](TUiFeature& f) { f.ShowConsole(this); });
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
        // Without a screen nobody can answer the error question or choose another instrument: a start
        // that cannot go on ends the program, for the script that started it.
        const auto endStart = [](const std::string& why) {
            LogProgramLine(why + " The program ends.");
            QCoreApplication::exit(1);
        };
        bool started = false;
        try {
            started = Life_.StartUp();
        } catch (...) {
            if (!NoVisibleScreen()) throw;
            endStart("The start-up failed: " + ExceptionMessage(std::current_exception()) + ".");
            return;
        }
        if (!started && NoVisibleScreen())
            endStart("The identity of the instrument \"" + Shell_.StartInstrumentName +
                     "\" could not be read: \"Info:IndivData?\" got no reply.");
        return;
    }
    QWidget::customEvent(event);
}

void TMorda_fr::ProcessPendingEvents() { QCoreApplication::processEvents(); }

void TMorda_fr::OpenStartMenus() {
    MouseDownOnButtonOfMainMenu(*MainMenu_[mkChannels], Qt::LeftButton);
    MouseDownOnButtonOfMainMenu(*MainMenu_[mkTimebase], Qt::RightButton);
}

void TMorda_fr::SetCaption(const std::string& caption) { setWindowTitle(QString::fromStdString(caption)); }

void TMorda_fr::CreateEnglishLanguageFile() {
    Shell_.Language().CreateEnglishLanguageFile([this](TLangIniFile& file) { SaveFormTexts(file, *this); });
}

void TMorda_fr::ShowError(const std::string& text) { Dialogs_.ShowError(this, QString::fromStdString(text)); }

TCloseAnswer TMorda_fr::AskYesNoCancel(const std::string& text) {
    switch (Dialogs_.AskYesNoCancel(this, DialogText(text))) {
        case TDialogAnswer::Yes: return TCloseAnswer::Yes;
        case TDialogAnswer::Cancel: return TCloseAnswer::Cancel;
        default: return TCloseAnswer::No;
    }
}

// ---------------------------------------------------------------------------------------------
// Close

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

bool TMorda_fr::MyIdleHandler() { return Life_.IdleStep(); }

void TMorda_fr::FollowTimerRequests() {
    auto follow = [](QTimer& timer, bool on) {
        if (on && !timer.isActive()) timer.start();
        if (!on && timer.isActive()) timer.stop();
    };
    for (int i = 0; i < static_cast<int>(TMainTimer::Count); ++i)
        follow(MainTimers_[i], Life_.TimerWanted(static_cast<TMainTimer>(i)));
    if (const int ms = Shell_.TakeIdleWake(); ms >= 0) IdleWakeTimer_.start(ms);
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

void TMorda_fr::OnProgramException(const std::string& message) {
    // Nobody may be there to answer: the idle pass goes on, the question stays open beside it (its
    // No closes the program), and the same error asks again only once its box has gone.
    if (Dialogs_.AskErrorYesNoNonModal(this, DialogText(FormatDot(LangStr("OnException"), message)), [this] { close(); }))
        Shell_.ShowProgramMessage(message, false);
}

// ---------------------------------------------------------------------------------------------
// Main menu and side menus

void TMorda_fr::BuildMainMenuTable() {
    SideButton_ = {};
    for (int i = 0; i < MainMenuButtonCount; ++i) {
        TButtonOfMainMenu& b = *MainMenu_[i];
        b.Tag = i;
        b.OnMouseDown = [this](TButtonOfMainMenu& button, Qt::MouseButton m) {
            // A window too narrow for the right slot opens a right click's menu where it can be seen.
            if (m == Qt::RightButton && !Layout_.RightSlot.Visible) m = Qt::LeftButton;
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
    ShowSideMenu(b.Tag, side);
}

void TMorda_fr::ShowSideMenu(int kind, int side) {
    if (SideMenus_) SideMenus_->ShowSideMenu(kind, side);
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
        ShowSideMenu(mkNone, side);
    }
}

void TMorda_fr::DeferSideMenuUpdate(int side, int target) {
    DeferSide_ = side;
    DeferTarget_ = target;
    if (!DeferTimer_) {
        DeferTimer_ = new QTimer(this);
        DeferTimer_->setSingleShot(true);
        DeferTimer_->setInterval(5);
        connect(DeferTimer_, &QTimer::timeout, this, [this] { ShowSideMenu(mkUtility + DeferTarget_, DeferSide_); });
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
        case 0: ForEachUiFeature(Life_.Features(), [plot](TUiFeature& f) { f.ClearJitterPlotBit(plot); }); break;
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
    const int systemRight = btnInstruments_->geometry().x() + btnInstruments_->geometry().width();
    Layout_ = ComputeMainLayout(W, H, systemRight);
    auto& strip = static_cast<TRC_RightMenuPanel&>(*rmpPermanentControls_);
    if (const int stripHeight = PermanentControlsHeightFor(strip, Layout_.PermanentControls.Width);
        stripHeight != Layout_.PermanentControls.Height)
        Layout_ = ComputeMainLayout(W, H, systemRight, stripHeight);
    SetPlace(*rmpSystemSontrols_, Layout_.SystemStrip);
    PlaceMainCommandStrip(static_cast<TRC_RightMenuPanel&>(*rmpSystemSontrols_), Layout_.SystemStrip.Width);
    SetPlace(*pnMainMenu_, Layout_.MainMenu);
    PlaceMainMenuButtons(Layout_.MainMenu.Width);
    SetPlace(*rmpPermanentControls_, Layout_.PermanentControls);
    PlacePermanentControls(strip, Layout_.PermanentControls.Width);
    const std::array<TPlace, 2> places = CaptionedSlots(Layout_);
    for (int side : {RightSide, LeftSide}) {
        const TPlace& slot = places[static_cast<std::size_t>(side)];
        CaptionPanel_[side]->setGeometry(slot.Left, std::max(0, slot.Top - CaptionRoom), slot.Width, CaptionHeight);
    }
    if (SideMenus_) SideMenus_->PlaceSideMenus(places[RightSide], places[LeftSide]);
    if (!PanelCreated_) {
        Shell_.Display().CreatePanel();
        PanelCreated_ = true;
    }
    Life_.BreakAcquisition();
    const TPlace& d = Layout_.DisplayArea;
    Shell_.Display().PlacePanel(d.Left, d.Top, d.Height - 2, d.Width);
    ShowMainControls(Shell_.StartInstrumentPresent());
}

void TMorda_fr::PlaceMainMenuButtons(int menuWidth) {
    // Narrower than its eleven buttons, the menu narrows every button alike and keeps them all inside.
    const int width = std::min(ButtonWidth, menuWidth / ButtonsPerRow);
    for (int i = 0; i < MainMenuButtonCount; ++i)
        MainMenu_[i]->setGeometry((i % ButtonsPerRow) * width, (i / ButtonsPerRow) * (ButtonHeight + 1), width,
                                  ButtonHeight);
    if (auto* spare = pnMainMenu_->findChild<QWidget*>("ButtonOfMainMenu2", Qt::FindDirectChildrenOnly))
        spare->setGeometry((ButtonsPerRow - 1) * width, ButtonHeight + 1, width, ButtonHeight);
}

std::array<TPlace, 2> CaptionedSlots(const TMainLayout& layout) {
    std::array<TPlace, 2> places{};
    places[RightSide] = layout.RightSlot;
    places[LeftSide] = layout.LeftSlot;
    // A caption never covers the top strip (the System button, Help): where the slot starts too high
    // for its caption, the slot starts lower by as much and its menu scrolls.
    const int lowest = layout.SystemStrip.Top + layout.SystemStrip.Height + 2;
    for (TPlace& slot : places) {
        const int shift = lowest - (slot.Top - CaptionRoom);
        if (layout.SystemStrip.Height <= 1 || shift <= 0) continue;
        slot.Top += shift;
        slot.Height = std::max(0, slot.Height - shift);
    }
    return places;
}

void TMorda_fr::ShowMainControls(bool visible) {
    MainControlsVisible_ = visible;
    ApplyVisibility();
}

void TMorda_fr::SetSideMenusHidden(bool hidden) {
    SideMenusHidden_ = hidden;
    if (SideMenus_) SideMenus_->SetSideMenusVisible(!hidden);
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
    const QRect area = s ? s->availableGeometry() : QRect(0, 0, 1920, 1080);
    // The frame the window system adds, once the window has one.
    const QSize frame = frameGeometry().size() - size();
    const TPlace p = ComputeDefaultPlace({x(), y(), width(), height()},
                                         {area.x(), area.y(), area.width() - frame.width(), area.height() - frame.height()});
    setWindowState(Qt::WindowNoState);
    resize(p.Width, p.Height);
    move(p.Left, p.Top);
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
    if (auto* sw = rmpSystemSontrols_->findChild<TRC_CustomCmmandSwitcher*>(switcherName)) sw->Click();
}

// ---------------------------------------------------------------------------------------------
// Context help

void TMorda_fr::SetWhatsThisMode(bool on) {
    if (on == WhatsThisMode_) return;
    WhatsThisMode_ = on;
    SetContextHelpCapture(*this, on);
}

void TMorda_fr::mousePressEvent(QMouseEvent* event) {
    if (!WhatsThisMode_) {
        QWidget::mousePressEvent(event);
        return;
    }
    if (event->button() == Qt::LeftButton) {
        SetHourglass();
        const int context = FindControlAtPoint(*this, event->globalPosition().toPoint());
        SetNormalCursor();
        if (context > 0) ForEachUiFeature(Life_.Features(), [context](TUiFeature& f) { f.ShowHelpContext(context); });
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
