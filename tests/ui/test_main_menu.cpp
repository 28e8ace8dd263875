#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QPushButton>
#include <QResizeEvent>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "UiTestSupport.h"
#include "core/LanguageFile.h"
#include "core/LanguageState.h"
#include "core/temp_folder.h"
#include "link/InstrumentLink.h"
#include "core/InternalError.h"
#include "core/Shell.h"
#include "core/CommandTree.h"
#include "ui/MainMenuButton.h"
#include "ui/MainCommandStrip.h"
#include "ui/MainWindow.h"

namespace vt {
namespace {

using S = TButtonOfMainMenuState;

TEST(ButtonOfMainMenu, SideFlagsMoveTheStateAndFollowEnabling) {
    TButtonOfMainMenu b;
    b.SetLeftMenuOn(true);
    EXPECT_EQ(b.State(), S::bmmsLeft);
    b.SetRightMenuOn(true);
    EXPECT_EQ(b.State(), S::bmmsBoth);
    EXPECT_TRUE(b.LeftMenuOn());
    EXPECT_TRUE(b.RightMenuOn());
    b.SetLeftMenuOn(false);
    EXPECT_EQ(b.State(), S::bmmsRight);
    b.SetLeftMenuOn(false);
    EXPECT_EQ(b.State(), S::bmmsRight) << "switching off a side that is off changes nothing";
    b.SetRightMenuOn(false);
    EXPECT_EQ(b.State(), S::bmmsOff);
    b.SetRightMenuOn(true);
    b.SetLeftMenuOn(true);
    EXPECT_EQ(b.State(), S::bmmsBoth);

    b.setEnabled(false);
    EXPECT_FALSE(b.LeftMenuOn()) << "a disabled button shows no menu";
    EXPECT_FALSE(b.RightMenuOn());
    EXPECT_EQ(b.FillColor(), TColor(0xC0C0C0));
    b.setEnabled(true);
    EXPECT_EQ(b.FillColor(), TColor(0xFFFFCC));
    b.SetState(S::bmmsLeft);
    EXPECT_EQ(b.FillColor(), TColor(0xB3FFFF));
    b.SetState(S::bmmsRight);
    EXPECT_EQ(b.FillColor(), TColor(0xBBFBCA));
    b.SetState(S::bmmsOff);
    EXPECT_EQ(b.FillColor(), TColor(0xD0D0D0));
}

class MainMenu : public ::testing::Test {
protected:
    TShell Shell;
    test::TRecordingLife Rec{Shell};
    test::TScriptedDialogs Dialogs;
};

TEST_F(MainMenu, TableHoldsTheCaptionsAndOptionsEnableTheirMenus) {
    test::TTestWindow w(Shell, Rec, Dialogs);
    w.BuildMainMenuTable();
    const char* captions[] = {"Channels", "O/E Converter", "Time Base", "Trigger", "Acquisition", "Display",
                              "Save/Recall", "Marker", "Measure", "Limit Test", "Mathematics", "FFT", "Zoom",
                              "Histogram", "Eye Diagram", "Mask Test", "Generators", "TDR / TDT", "Jitter", "",
                              "Utility"};
    for (int i = 0; i < MainMenuButtonCount; ++i) {
        EXPECT_EQ(w.GetMainMenuButton(i).Caption().toStdString(), captions[i]) << i;
        EXPECT_EQ(w.GetMainMenuButton(i).Tag, i);
    }
    EXPECT_THROW(w.GetMainMenuButton(21), EInternalError);
    EXPECT_THROW(w.GetMainMenuButton(-1), EInternalError);

    auto enabled = [&] {
        std::string s;
        for (int i = 0; i < MainMenuButtonCount; ++i) s += w.GetMainMenuButton(i).isEnabled() ? '1' : '0';
        return s;
    };
    w.EnableOptionMenus();
    EXPECT_EQ(enabled(), "101111111111111100001");
    test::GiveInstrument(Shell, TInstrumentLinkKind::Demo, optOptics);
    w.EnableOptionMenus();
    EXPECT_EQ(enabled(), "111111111111111100001");
    test::GiveInstrument(Shell, TInstrumentLinkKind::Demo, optOptics | optGenerators | optJitter);
    w.EnableOptionMenus();
    EXPECT_EQ(enabled(), "111111111111111111001") << "jitter and the service button stay disabled";
    auto* spare = w.MainMenuPanel().findChild<TButtonOfMainMenu*>("ButtonOfMainMenu2");
    ASSERT_NE(spare, nullptr);
    EXPECT_FALSE(spare->isEnabled());
}

TEST_F(MainMenu, CaptionsComeFromTheChosenLanguageFile) {
    test::TempFolder root;
    std::ofstream(root / "Language-Vlt.Eng") << "[Common]\nCommon:Language=English\n[Morda_fr]\n"
                                                "Morda_fr:Panel pnMainMenu.bmmFFT.Caption=Spektrum\n"
                                                "Morda_fr:btnInstruments.Caption=Anlage\n";
    TLanguageSetup setup;
    setup.DataRoot = root.Path();
    setup.ConfigFolder = root / "config";
    Shell.SetLanguage(std::make_unique<TLanguageState>(setup));
    Shell.Language().InitLanguages();
    test::TTestWindow w(Shell, Rec, Dialogs);
    EXPECT_EQ(w.GetMainMenuButton(mkFFT).Caption().toStdString(), "Spektrum");
    EXPECT_EQ(w.GetMainMenuButton(mkChannels).Caption().toStdString(), "Channels") << "a missing key keeps the caption";
    auto* system = w.findChild<QPushButton*>("btnInstruments");
    ASSERT_NE(system, nullptr);
    EXPECT_EQ(system->text().toStdString(), "Anlage");
}

TEST_F(MainMenu, MissingEnglishFileIsWrittenWithTheWindowsTexts) {
    test::TempFolder root;
    std::ofstream(root / "Language-Vlt.Deu") << "[Common]\nCommon:Language=Deutsch\n";
    TLanguageSetup setup;
    setup.DataRoot = root.Path();
    setup.ConfigFolder = root / "config";
    std::vector<std::string> messages;
    setup.ShowMessage = [&](const std::string& m) { messages.push_back(m); };
    Shell.SetLanguage(std::make_unique<TLanguageState>(setup));
    Shell.Language().InitLanguages();
    ASSERT_TRUE(Shell.Language().EnglishFileMissing());
    test::TTestWindow w(Shell, Rec, Dialogs);
    Rec.StartUp();
    ASSERT_TRUE(std::filesystem::exists(root / "Language-Vlt.Eng"));
    const TLangIniFile english(root / "Language-Vlt.Eng");
    std::string raw;
    ASSERT_TRUE(english.FindRaw("Morda_fr", "Panel pnMainMenu.bmmTimeBase.Caption", raw));
    EXPECT_EQ(raw, "Time Base");
    ASSERT_TRUE(english.FindRaw("Morda_fr", "btnInstruments.Caption", raw));
    EXPECT_EQ(raw, "System");
    ASSERT_TRUE(english.FindRaw("Resource Strings", "rsDefaultSize", raw));
    EXPECT_EQ(messages, std::vector<std::string>{"English Language File must be Created."});
}

TEST_F(MainMenu, ClicksOpenMenusOnTheirSideOnce) {
    test::TTestWindow w(Shell, Rec, Dialogs);
    w.BuildMainMenuTable();
    TButtonOfMainMenu& trigger = w.GetMainMenuButton(mkTrigger);
    TButtonOfMainMenu& display = w.GetMainMenuButton(mkDisplay);

    QTest::mouseClick(&trigger, Qt::LeftButton);
    EXPECT_EQ(trigger.State(), S::bmmsLeft);
    EXPECT_EQ(w.SideMenuCaption(LeftSide).toStdString(), "Trigger");
    EXPECT_EQ(Rec.Log.back(), "ShowSideMenu 3 1");

    const size_t before = Rec.Log.size();
    QTest::mouseClick(&trigger, Qt::LeftButton);
    EXPECT_EQ(Rec.Log.size(), before) << "a menu already open on that side is left alone";

    QTest::mouseClick(&trigger, Qt::RightButton);
    EXPECT_EQ(trigger.State(), S::bmmsBoth);
    EXPECT_EQ(Rec.Log.back(), "ShowSideMenu 3 0");
    EXPECT_EQ(w.SideMenuCaption(RightSide).toStdString(), "Trigger");

    QTest::mouseClick(&display, Qt::RightButton);
    EXPECT_EQ(trigger.State(), S::bmmsLeft) << "the right side moved to the other button";
    EXPECT_EQ(display.State(), S::bmmsRight);
    EXPECT_EQ(w.SideButton(RightSide), &display);

    w.CloseSideMenus();
    EXPECT_EQ(trigger.State(), S::bmmsOff);
    EXPECT_EQ(display.State(), S::bmmsOff);
    EXPECT_EQ(Rec.Count("ShowSideMenu 24 0"), 1);
    EXPECT_EQ(Rec.Count("ShowSideMenu 24 1"), 1);

    // Too narrow for the right slot (640 pixels): a right click opens its menu on the left.
    w.show();
    w.resize(640, 480);
    QCoreApplication::processEvents();
    TButtonOfMainMenu& acquisition = w.GetMainMenuButton(mkAcquisition);
    QTest::mouseClick(&acquisition, Qt::RightButton);
    EXPECT_EQ(acquisition.State(), S::bmmsLeft);
    EXPECT_EQ(w.SideButton(LeftSide), &acquisition);
    EXPECT_EQ(w.SideMenuCaption(LeftSide).toStdString(), "Acquisition");
}

TEST_F(MainMenu, ServiceMenuIsRefusedOnOldFirmware) {
    test::TTestWindow w(Shell, Rec, Dialogs);
    w.BuildMainMenuTable();
    TInstrumentIdentity& id = test::GiveInstrument(Shell, TInstrumentLinkKind::Usb, 0, "3.7.9 (1 Jan 2011)");
    w.MouseDownOnButtonOfMainMenu(w.GetMainMenuButton(mkChannels), Qt::LeftButton);
    TButtonOfMainMenu& service = w.GetMainMenuButton(mkService);
    service.setEnabled(true);
    const size_t before = Rec.Log.size();
    w.MouseDownOnButtonOfMainMenu(service, Qt::LeftButton);
    ASSERT_EQ(Dialogs.Asked.size(), 1u);
    EXPECT_EQ(Dialogs.Asked[0], "Message: FW version of Veltrane is older than v.3.7.10!");
    EXPECT_EQ(Rec.Log.size(), before);
    EXPECT_EQ(w.SideButton(LeftSide), &w.GetMainMenuButton(mkChannels)) << "both sides stay as they were";
    EXPECT_EQ(w.SideMenuCaption(LeftSide).toStdString(), "Channels");

    id.SWVersion.Text = "3.7.10";
    ParseVersionString(id.SWVersion);
    w.MouseDownOnButtonOfMainMenu(service, Qt::LeftButton);
    EXPECT_EQ(Rec.Log.back(), "ShowSideMenu 19 1");
}

TEST_F(MainMenu, DeferredSideMenuOpensTheFollowUpKindAfterTheEvent) {
    test::TTestWindow w(Shell, Rec, Dialogs);
    w.DeferSideMenuUpdate(RightSide, 2);
    EXPECT_EQ(Rec.Count("ShowSideMenu 22 0"), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Rec.Count("ShowSideMenu 22 0") == 1; }, 5000));
}

TEST_F(MainMenu, AbsentInstrumentKeepsTheMainControlsHiddenThroughResizes) {
    test::TTestWindow w(Shell, Rec, Dialogs);
    w.show();
    for (QSize s : {QSize(800, 600), QSize(1200, 900), QSize(300, 200)}) {
        w.resize(s);
        QCoreApplication::processEvents();
        EXPECT_FALSE(w.MainMenuPanel().isVisible());
        EXPECT_FALSE(w.PermanentControls().isVisible());
        EXPECT_FALSE(w.SideCaptionPanel(RightSide).isVisible());
    }

    Shell.StartInstrumentName = "Demo";
    Shell.StartInstrumentKind = TInstrumentLinkKind::Demo;
    w.resize(800, 600);
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.MainMenuPanel().isVisible());
    EXPECT_EQ(w.MainMenuPanel().geometry(), QRect(4, 551, 792, 49));
    EXPECT_EQ(w.PermanentControls().geometry(), QRect(124, 501, 556, 50));
    // Lower or narrower than its least size the window does not go: the main menu stays.
    w.resize(300, 280);
    QCoreApplication::processEvents();
    EXPECT_EQ(w.size(), QSize(LeastClientWidth, LeastClientHeight));
    EXPECT_EQ(w.minimumSize(), QSize(LeastClientWidth, LeastClientHeight));
    EXPECT_TRUE(w.MainMenuPanel().isVisible());
    EXPECT_TRUE(w.PermanentControls().isVisible());
}

// Down to 410 pixels of width every main-menu caption is drawn whole inside its margins, its letters
// narrowed but at least 7 pixels high; in a narrower window a caption that no longer fits keeps its
// start and ends in an ellipsis, still at that height. The captions of a row share one size.
TEST_F(MainMenu, CaptionsStayWholeAndReadableDownToTheNarrowestWidth) {
    test::TTestWindow w(Shell, Rec, Dialogs);
    for (const int width : {792, 640, 500, 420, 410, 380, LeastClientWidth}) {
        const QSize old = w.size();
        w.resize(width, DefaultClientHeight);
        ASSERT_EQ(w.width(), width);
        QResizeEvent event(w.size(), old);
        QApplication::sendEvent(&w, &event);
        std::map<int, std::set<double>> rowSizes;
        for (int i = 0; i < MainMenuButtonCount; ++i) {
            const TButtonOfMainMenu& b = w.GetMainMenuButton(i);
            if (!b.Caption().isEmpty()) rowSizes[b.y()].insert(b.CaptionFont().pointSizeF());
        }
        for (const auto& [top, sizes] : rowSizes)
            EXPECT_EQ(sizes.size(), 1u) << width << " px, the row at " << top << ": " << ::testing::PrintToString(sizes);
        for (int i = 0; i < MainMenuButtonCount; ++i) {
            const TButtonOfMainMenu& b = w.GetMainMenuButton(i);
            if (b.Caption().isEmpty()) continue;
            const std::string at = std::to_string(width) + " px: " + b.Caption().toStdString();
            const QFontMetrics fm(b.CaptionFont());
            EXPECT_GE(fm.capHeight(), 7) << at;
            EXPECT_LE(fm.horizontalAdvance(b.ShownCaption()), b.CaptionRoom().width()) << at;
            EXPECT_EQ(b.CaptionRoom().width(), width / 11 - 2 * CaptionMargin) << at;
            if (width >= 410) {
                EXPECT_EQ(b.ShownCaption(), b.Caption()) << at;
            } else if (b.ShownCaption() != b.Caption()) {
                EXPECT_TRUE(b.ShownCaption().endsWith(QChar(0x2026))) << at;
                EXPECT_TRUE(b.Caption().startsWith(b.ShownCaption().chopped(1))) << at;
            }
        }
    }
}

TEST_F(MainMenu, DefaultSizeGivesTheStandardClientArea) {
    test::TTestWindow w(Shell, Rec, Dialogs);
    w.resize(500, 400);
    w.DefaultSizeAction().trigger();
    EXPECT_EQ(w.size(), QSize(792, 575));
    EXPECT_EQ(w.DefaultSizeAction().text().toStdString(), "Default Size");
}

TEST_F(MainMenu, KeysPressTheMainCommandSwitchers) {
    test::TTestWindow w(Shell, Rec, Dialogs);
    // The strip's Run button bound to a command of its own: F6 presses it as a click would.
    auto tree = CreateCommandTree();
    bool runOn = false;
    int runs = 0;
    tree->Root().AddMainCommandHandler("*Run", {.Variable = &runOn, .Action = [&](THandler&) { ++runs; }});
    TKitContext kit([&](std::string_view path) { return tree->Root().FindHandler(path); });
    BindMainCommandStrip(dynamic_cast<TRC_RightMenuPanel&>(w.SystemControls()), kit);
    w.show();
    for (QAction* a : w.actions()) {
        if (a->shortcut() == QKeySequence(Qt::Key_F6)) a->trigger();
        if (a->shortcut() == QKeySequence(Qt::Key_F4)) a->trigger();
        if (a->shortcut() == QKeySequence(Qt::Key_F3)) a->trigger();
    }
    EXPECT_TRUE(runOn);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(Rec.Rec.ConsoleOwners, std::vector<QWidget*>{&w});
    // A button whose command does not exist yet is disabled: the key does nothing.
    w.PressCommandSwitcher("mcsPrint");
    w.PressCommandSwitcher("mcsNone");
}

}  // namespace
}  // namespace vt

namespace vt {
namespace {

TEST(MainWindowHelp, WhatsThisModeShowsTheHelpOfTheControlClickedAndEnds) {
    TShell shell;
    test::TRecordingLife rec{shell};
    test::TScriptedDialogs dialogs;
    const std::vector<int>& contexts = rec.Rec.HelpContexts;
    test::TTestWindow w(shell, rec, dialogs);
    shell.StartInstrumentName = "Demo";
    shell.StartInstrumentKind = TInstrumentLinkKind::Demo;
    w.show();
    w.resize(800, 600);
    QWidget& strip = w.SystemControls();
    auto* control = new TRC_RightMenuPanel(&strip);
    control->setGeometry(0, 0, 40, 20);
    control->SetHelpContext(1409);
    control->show();

    w.SetWhatsThisMode(true);
    EXPECT_TRUE(w.WhatsThisMode());
    QTest::keyClick(&w, Qt::Key_A);
    EXPECT_FALSE(w.WhatsThisMode()) << "a key ends the mode";
    EXPECT_TRUE(contexts.empty());

    w.SetWhatsThisMode(true);
    QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, strip.mapTo(&w, QPoint(5, 5)));
    EXPECT_FALSE(w.WhatsThisMode());
    EXPECT_EQ(contexts, std::vector<int>{1409});

    w.SetWhatsThisMode(true);
    QTest::mouseClick(&w, Qt::RightButton, Qt::NoModifier, strip.mapTo(&w, QPoint(5, 5)));
    EXPECT_FALSE(w.WhatsThisMode()) << "any click ends it";
    EXPECT_EQ(contexts.size(), 1u) << "only the left button asks for help";
}

TEST(MainWindowHelp, SystemButtonClosesWhenTheSelectionEndsTheProgram) {
    TShell shell;
    shell.AcqEnabled = true;
    test::TRecordingLife rec{shell};
    test::TScriptedDialogs dialogs;
    bool& keepRunning = rec.Rec.KeepRunning;
    test::TTestWindow w(shell, rec, dialogs);
    w.show();
    auto* system = w.findChild<QPushButton*>("btnInstruments");
    ASSERT_NE(system, nullptr);
    system->click();
    EXPECT_TRUE(w.isVisible());
    keepRunning = false;
    system->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(rec.Count("SavePowerOffSetup"), 1) << "through the close query";
}

}  // namespace
}  // namespace vt
