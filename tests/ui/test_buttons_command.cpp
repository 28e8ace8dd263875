// Command buttons: the press / drag / release / key rules, the button places, the main command button's
// latching, pop-up menu and check marks, the right command buttons, and the main window's strip.
#include <gtest/gtest.h>

#include <QAction>
#include <QFocusEvent>
#include <QMenu>
#include <QTest>

#include "core/LanguageFile.h"
#include "test_switcher_support.h"
#include "ui/MainCommandStrip.h"
#include "ui/controls/CommandSwitchers.h"

using namespace vt;
using namespace vt::test;

namespace {

TEST(CommandButtons, PlainButtonRunsOnReleaseOverItOnly) {
    TCommandButtonsLogic l(1);
    EXPECT_FALSE(l.MousePress(-1));
    ASSERT_TRUE(l.MousePress(0));
    EXPECT_EQ(l.ShownState(0), cbsPushed);
    EXPECT_EQ(l.MouseRelease(true), 0);
    EXPECT_EQ(l.State(0), cbsUp);
    EXPECT_EQ(l.MousePressed(), -1);

    // Dragged off: shown up and nothing runs; dragged back: pushed again and it runs.
    l.MousePress(0);
    l.MouseMove(false);
    EXPECT_EQ(l.ShownState(0), cbsUp);
    EXPECT_EQ(l.MouseRelease(false), -1);
    l.MousePress(0);
    l.MouseMove(false);
    l.MouseMove(true);
    EXPECT_EQ(l.ShownState(0), cbsPushed);
    EXPECT_EQ(l.MouseRelease(true), 0);
    EXPECT_EQ(l.MouseRelease(true), -1);  // no press left
}

TEST(CommandButtons, LatchingButtonReleasesOnlyWhenReleasable) {
    TCommandButtonsLogic l(1);
    l.SetReleasable(true);
    EXPECT_FALSE(l.Releasable());  // only while latching
    l.SetLatching(true);

    l.MousePress(0);
    EXPECT_EQ(l.MouseRelease(true), 0);
    EXPECT_EQ(l.State(0), cbsLatched);
    l.MousePress(0);
    EXPECT_EQ(l.ShownState(0), cbsLatched);
    EXPECT_EQ(l.MouseRelease(true), -1);  // not releasable: the click is ignored
    EXPECT_EQ(l.State(0), cbsLatched);

    l.SetReleasable(true);
    l.MousePress(0);
    l.MouseMove(false);
    EXPECT_EQ(l.ShownState(0), cbsLatched);  // a latched button dragged off stays latched
    EXPECT_EQ(l.MouseRelease(false), -1);
    l.MousePress(0);
    EXPECT_EQ(l.MouseRelease(true), 0);
    EXPECT_EQ(l.State(0), cbsUp);

    l.SetLatching(false);
    EXPECT_FALSE(l.Releasable());
}

TEST(CommandButtons, KeysMoveTheFocusAndSpacePresses) {
    TCommandButtonsLogic l(2);
    EXPECT_FALSE(l.SpacePress());  // nothing focused
    l.Enter();
    EXPECT_EQ(l.Focused(), 0);
    l.KeyLeft();
    EXPECT_EQ(l.Focused(), 0);
    l.KeyRight();
    EXPECT_EQ(l.Focused(), 1);
    l.KeyRight();
    EXPECT_EQ(l.Focused(), 1);
    ASSERT_TRUE(l.SpacePress());
    EXPECT_EQ(l.ShownState(1), cbsPushed);
    EXPECT_FALSE(l.MousePress(0));  // no mouse press while Space is down
    EXPECT_EQ(l.SpaceRelease(), 1);
    l.KeyLeft();
    EXPECT_EQ(l.Focused(), 0);
    // Leaving with Space held forgets the press.
    l.SpacePress();
    l.Leave();
    EXPECT_EQ(l.Focused(), -1);
    EXPECT_EQ(l.SpaceRelease(), -1);
    EXPECT_EQ(l.ShownState(0), cbsUp);

    TCommandButtonsLogic one(1);
    one.Enter();
    one.KeyRight();
    EXPECT_EQ(one.Focused(), 0);
}

TEST(CommandButtons, PlacesOfOneOrTwoButtons) {
    EXPECT_EQ(CommandButtonRects(false, 1, QRect()), std::vector<QRect>{QRect(4, 20, 65, 18)});
    EXPECT_EQ(CommandButtonRects(false, 2, QRect()), (std::vector<QRect>{QRect(4, 20, 48, 18), QRect(52, 20, 47, 18)}));
    EXPECT_EQ(CommandButtonRects(true, 1, QRect(0, 0, 50, 20)), std::vector<QRect>{QRect(0, 0, 50, 20)});
}

TEST(CommandMenu, SeparatorsAreNoEntriesAndEntriesStopAtEleven) {
    TCommandMenuTable t = BuildCommandMenuTable({"Print", "~Delimiter", "Setup"});
    EXPECT_EQ(t.EntryCount(), 2);
    EXPECT_EQ(t.EntryLine, (std::vector<int>{0, 2}));
    EXPECT_EQ(t.LineEntry, (std::vector<int>{0, -1, 1}));
    QStringList many;
    for (int i = 0; i < 13; ++i) many.push_back(QString::number(i));
    t = BuildCommandMenuTable(many);
    EXPECT_EQ(t.EntryCount(), 11);
    EXPECT_EQ(t.LineEntry.back(), -2);
    EXPECT_EQ(CommandMenuEntryOfName("Item10"), 10);
    EXPECT_EQ(CommandMenuEntryOfName("Itemx"), -1);
    EXPECT_EQ(CommandMenuEntryOfName("Menu1"), -1);
}

class FakeHold : public ICommandHoldTimer {
public:
    explicit FakeHold(int& started, int& stopped) : Started_(started), Stopped_(stopped) {}
    void Start(int ms) override { Started_ = ms; }
    void Stop() override { ++Stopped_; }

private:
    int& Started_;
    int& Stopped_;
};

class CommandSwitcherTest : public ::testing::Test {
protected:
    TKitFixture f;
    TKitHostWidget host{f.Kit};
    TRC_RightMenuPanel* page = new TRC_RightMenuPanel(&host);
    bool runOn = false;
    bool singleOn = false;
    int actions = 0;

    void SetUp() override {
        page->SetGroupMnemonics("*");
        host.resize(300, 500);
        page->show();
        host.show();
    }
    TMainCommandHandler& Command(std::string_view path, TMainCommandOptions o) {
        o.Action = [this](THandler&) { ++actions; };
        return f.Tree->Root().AddMainCommandHandler(path, o);
    }
    TRC_MainCommandSwitcher* Main(std::string_view mnemonic, const QStringList& menu = {}) {
        auto* sw = new TRC_MainCommandSwitcher(page);
        sw->SetMnemonics(mnemonic);
        sw->SetMenuItems(menu);
        sw->show();
        return sw;
    }
    static void Click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(w->width() / 2, w->height() / 2)); }
    static QAction* Entry(TRC_MainCommandSwitcher* sw, int n) {
        for (QAction* a : sw->PopupMenu()->actions())
            if (a->objectName() == QStringLiteral("Item%1").arg(n)) return a;
        return nullptr;
    }
};

TEST_F(CommandSwitcherTest, RunLatchesAndIgnoresAClickWhileLatched) {
    Command("*Run", {.Variable = &runOn});
    auto* sw = Main("Run");
    EXPECT_TRUE(sw->Frameless());
    EXPECT_EQ(sw->size(), QSize(50, 20));
    BindSwitchersOf(*page);
    EXPECT_TRUE(sw->Logic().Latching());
    EXPECT_FALSE(sw->Logic().Releasable());

    Click(sw);
    EXPECT_TRUE(runOn);
    EXPECT_EQ(actions, 1);
    EXPECT_EQ(sw->Logic().State(0), cbsLatched);
    Click(sw);
    EXPECT_TRUE(runOn);
    EXPECT_EQ(actions, 1);

    // The state comes from the command: stopped elsewhere, the button is up again.
    runOn = false;
    sw->GetHandler()->NotifySwitchers();
    EXPECT_EQ(sw->Logic().State(0), cbsUp);
    // A press dragged off runs nothing.
    QTest::mousePress(sw, Qt::LeftButton, {}, QPoint(10, 10));
    QMouseEvent move(QEvent::MouseMove, QPointF(80, 10), sw->mapToGlobal(QPointF(80, 10)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(sw, &move);
    QTest::mouseRelease(sw, Qt::LeftButton, {}, QPoint(80, 10));
    EXPECT_FALSE(runOn);
    EXPECT_EQ(actions, 1);
}

TEST_F(CommandSwitcherTest, StopSingleReleasesAndSpaceActsAsAClick) {
    Command("*StopSingle", {.Variable = &singleOn, .StateWords = "Stop,Single"});
    auto* sw = Main("StopSingle");
    BindSwitchersOf(*page);
    EXPECT_TRUE(sw->Logic().Releasable());
    Click(sw);
    EXPECT_TRUE(singleOn);
    EXPECT_EQ(sw->Logic().State(0), cbsLatched);
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QCoreApplication::sendEvent(sw, &in);
    EXPECT_EQ(sw->Logic().Focused(), 0);
    QTest::keyClick(sw, Qt::Key_Space);
    EXPECT_FALSE(singleOn);
    EXPECT_EQ(sw->Logic().State(0), cbsUp);
    EXPECT_EQ(actions, 2);
}

TEST_F(CommandSwitcherTest, MenuEntriesChecksAndTheFaceClick) {
    auto& h = Command("*Autoscale", {.InitialIndex = 0, .MenuWords = "Auto,SingleVal,NRZ,RZ"});
    auto* sw = Main("Autoscale", {"Auto", "Single-valued", "~Delimiter", "NRZ", "RZ"});
    int updates = 0;
    sw->SetOnUpdateMe([&](TRC_Switcher&) { ++updates; });
    BindSwitchersOf(*page);
    ASSERT_NE(sw->PopupMenu(), nullptr);
    EXPECT_TRUE(sw->CheckMarks());
    EXPECT_FALSE(sw->Logic().Latching());
    EXPECT_EQ(sw->PopupMenu()->actions().size(), 5);
    EXPECT_TRUE(sw->PopupMenu()->actions()[2]->isSeparator());
    EXPECT_EQ(Entry(sw, 2)->text(), "NRZ");
    EXPECT_TRUE(Entry(sw, 0)->isChecked());

    const int before = updates;
    Entry(sw, 2)->trigger();
    EXPECT_EQ(h.CurrentIndex(), 2);
    EXPECT_EQ(h.LastRequestedIndex(), 2);
    EXPECT_EQ(sw->SelectedEntry(), 2);
    EXPECT_TRUE(Entry(sw, 2)->isChecked());
    EXPECT_FALSE(Entry(sw, 0)->isChecked());
    EXPECT_GT(updates, before);

    // The face runs the command without a choice; the remembered entry stays.
    Click(sw);
    EXPECT_EQ(h.LastRequestedIndex(), -1);
    EXPECT_EQ(h.CurrentIndex(), 2);
    EXPECT_TRUE(Entry(sw, 2)->isChecked());
    EXPECT_EQ(actions, 2);
}

TEST_F(CommandSwitcherTest, MenuWithoutRememberedItemHasNoChecksButADefault) {
    auto& h = Command("*DefSetup", {.InitialIndex = -1, .MenuWords = "Default,Factory,PowerOff,SaveAsDef"});
    auto* sw = Main("DefSetup", {"Default Setup", "Factory Setup", "Power Off Setup", "~Delimiter", "Save As Default"});
    sw->SetMenuDefaultItem(0);
    BindSwitchersOf(*page);
    EXPECT_FALSE(sw->CheckMarks());
    EXPECT_EQ(sw->PopupMenu()->defaultAction(), Entry(sw, 0));
    Entry(sw, 3)->trigger();
    EXPECT_EQ(h.LastRequestedIndex(), 3);
    EXPECT_FALSE(Entry(sw, 3)->isChecked());
    EXPECT_EQ(sw->MenuTable().EntryLine[3], 4);
}

TEST_F(CommandSwitcherTest, HeldPressOrRightClickOpensTheMenuInsteadOfRunning) {
    auto& h = Command("*Copy", {.InitialIndex = 1, .MenuWords = "FullScreen,FullWindow"});
    auto* sw = Main("Copy", {"Full Screen", "Full Window"});
    int started = 0, stopped = 0;
    sw->SetHoldTimer(std::make_unique<FakeHold>(started, stopped));
    BindSwitchersOf(*page);

    QTest::mousePress(sw, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(started, TRC_MainCommandSwitcher::HoldMs);
    sw->HoldElapsed();
    EXPECT_TRUE(sw->PopupMenu()->isVisible());
    QTest::mouseRelease(sw, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(actions, 0);
    EXPECT_EQ(stopped, 1);
    sw->PopupMenu()->hide();

    QTest::mouseClick(sw, Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_TRUE(sw->PopupMenu()->isVisible());
    EXPECT_EQ(actions, 0);
    sw->PopupMenu()->hide();
    // A quick click runs the command.
    Click(sw);
    EXPECT_EQ(actions, 1);
    EXPECT_EQ(h.LastRequestedIndex(), -1);
}

TEST_F(CommandSwitcherTest, MismatchedMenuOrHandlerIsAnInternalError) {
    Command("*Print", {.MenuWords = "Print,PrinterSetup"});
    f.OnOff("*Hold");
    auto* sw = Main("Print", {"Print", "~Delimiter", "Setup", "Preview"});
    EXPECT_EQ(InternalErrorOf([&] { sw->BindToHandler(true); }), "Incorrent Number of Menu Items");
    EXPECT_EQ(sw->PopupMenu(), nullptr);
    auto* wrong = Main("Hold");
    EXPECT_EQ(InternalErrorOf([&] { wrong->BindToHandler(true); }), "HANDLER ERROR");
}

TEST_F(CommandSwitcherTest, HintAndMenuGoToTheLanguageFile) {
    auto* sw = Main("Print", {"Print", "~Delimiter", "Printer Setup"});
    sw->setToolTip("Print the window");
    TLangIniFile file;
    sw->WriteLangTexts(TFormTextSink{file, "Morda_fr"}, "Menu Panel rmpSystemSontrols.mcsPrint");
    auto value = [&](const char* key) {
        std::string raw, text;
        EXPECT_TRUE(file.FindRaw("Morda_fr", std::string("Menu Panel rmpSystemSontrols.mcsPrint") + key, raw, false));
        EXPECT_TRUE(ReadLangValue(raw, text));
        return text;
    };
    EXPECT_EQ(value(".Hint"), "Print the window");
    EXPECT_EQ(value(".Menu"), "Print,~Delimiter,\"Printer Setup\"");  // items with blanks are quoted
}

class ExposedRight : public TRC_RightCommandSwitcher {
public:
    using TRC_RightCommandSwitcher::ExecuteButton;
    using TRC_RightCommandSwitcher::TRC_RightCommandSwitcher;
};

TEST_F(CommandSwitcherTest, RightCommandShowsPressedWhileItRuns) {
    auto* sw = new ExposedRight(page);
    int shownDuringAction = -1;
    f.Tree->Root().AddRightCommandHandler("*Clear", [&](THandler&) { shownDuringAction = sw->Logic().State(0); });
    sw->SetMnemonics("Clear");
    sw->show();
    EXPECT_EQ(sw->height(), 41);
    BindSwitchersOf(*page);
    QTest::mouseClick(sw, Qt::LeftButton, {}, QPoint(90, 10));  // beside the button: nothing
    EXPECT_EQ(shownDuringAction, -1);
    QTest::mouseClick(sw, Qt::LeftButton, {}, QPoint(30, 28));
    EXPECT_EQ(shownDuringAction, cbsLatched);
    EXPECT_EQ(sw->Logic().State(0), cbsUp);

    sw->UnbindFromHandler();
    EXPECT_EQ(InternalErrorOf([&] { sw->ExecuteButton(0); }), "HANDLER UNDEFINED");
}

TEST_F(CommandSwitcherTest, PassiveCommandStaysUnboundAndTellsItsForm) {
    f.OnOff("*None Handler");
    auto* sw = new TRC_RightPassiveCommandSwitcher(page);
    sw->show();
    int updates = 0;
    sw->SetOnUpdateMe([&](TRC_Switcher&) { ++updates; });
    BindSwitchersOf(*page);
    EXPECT_EQ(sw->GetHandler(), nullptr);
    QTest::mouseClick(sw, Qt::LeftButton, {}, QPoint(30, 28));
    EXPECT_EQ(updates, 1);
}

TEST(MainCommandStrip, NineButtonsSideBySideBoundWhereTheirCommandExists) {
    QWidget window;
    window.resize(792, 575);
    TRC_RightMenuPanel* strip = CreateMainCommandStrip(&window);
    EXPECT_EQ(strip->GroupMnemonics(), "*");
    EXPECT_TRUE(strip->WithoutFrame());
    const std::vector<TRC_Switcher*> buttons = SwitchersOf(*strip);
    ASSERT_EQ(buttons.size(), 9u);
    int right = -1;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        EXPECT_EQ(buttons[i]->objectName().toStdString(), MainCommandPlaces[i].Name);
        EXPECT_GT(buttons[i]->x(), right);
        right = buttons[i]->geometry().right();
        EXPECT_FALSE(buttons[i]->isEnabled());
    }
    EXPECT_LE(right, 792 - 72);

    auto tree = CreateCommandTree();
    bool run = false;
    tree->Root().AddMainCommandHandler("*Run", {.Variable = &run});
    auto& help = tree->Root().AddMainCommandHandler("SHADOW:Help", {.MenuWords = "1,2", .Action = [](THandler&) {}});
    TKitContext kit([&](std::string_view path) { return tree->Root().FindHandler(path); });
    BindMainCommandStrip(*strip, kit);
    auto* runButton = strip->findChild<TRC_MainCommandSwitcher*>("mcsRun");
    auto* helpButton = strip->findChild<TRC_MainCommandSwitcher*>("mcsHelp");
    EXPECT_TRUE(runButton->isEnabled());
    EXPECT_EQ(runButton->TextBtn(), "Run");
    EXPECT_EQ(runButton->ColorOfText(), QColor(0, 128, 0));
    EXPECT_EQ(helpButton->GetHandler(), &help);
    EXPECT_FALSE(strip->findChild<TRC_MainCommandSwitcher*>("mcsPrint")->isEnabled());
}

}  // namespace
