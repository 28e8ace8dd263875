// The display side menu offscreen: the pages bind and fit and follow the trace, style, format and
// database; a grade or element colour from the colour question is one undo step, an element's keeping
// its opacity, and the grade samples follow the grade colours however they change.
#include <gtest/gtest.h>

#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/LanguageState.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/UndoBuffer.h"
#include "display/DisplaySettings.h"
#include "display/ScopeDisplayServices.h"
#include "display/ScreenColors.h"
#include "test_sidemenu_support.h"
#include "UiTestSupport.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/ScreenColorsFeature.h"
#include "ui/controls/ListBoxSwitcher.h"
#include "ui/menus/DisplayMenu.h"

using namespace vt;
using namespace vt::test;

namespace {

// Answers the colour question with the next colour (none left: Cancel).
struct TColorAnswers : TScriptedDialogs {
    bool AskColor(QWidget*, std::uint32_t& colour) override {
        Asked.push_back("Color: " + std::to_string(colour));
        if (Colors.empty()) return false;
        colour = Colors.front(), Colors.pop_front();
        return true;
    }
    std::deque<std::uint32_t> Colors;
};

class DisplayMenu : public ::testing::Test {
protected:
    DisplayMenu() {
        Shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
        Shell.Records()->BuildSourceCaptions([this](std::string_view key) { return Shell.LangStr(key); });
        // A translated name shows in the Item list only.
        Shell.Language().Strings().ChangeLangStr("Histogram", "Histogramm");
        Display.FillRows(Shell);
        Colors.FillRows(Shell);
        Settings.FillRows(Shell);
        Settings.AttachToProgram(Shell);
        Menu.RegisterForms(Menus);
        RegisterAllCommandHandlers(Shell);
        ConnectSignalEnablity(Shell.Records()->SignalsOn(), Shell.CommandTree()->SignalEnablity());
        InitSourceSwitcherItems(Kit, *Shell.Records(), dynamic_cast<TScopeDisplayServices&>(Shell.Display()).Colors());
        Shell.SetUndoBuffer(std::make_unique<TUndoBuffer>());
        Shell.CommandTree()->SetUndoBuffer(Shell.UndoBuffer());
        Shell.UndoBuffer()->SetEnabled(true);
        Shell.AcqEnabled = true;
        Shell.Refresh.RunRow(Shell, TRefreshRow::RefreshDisplayHandlers);
        Window.setFont(QFont(QStringLiteral("Liberation Sans"), 8));
    }
    ~DisplayMenu() override {
        Shell.CommandTree()->SetUndoBuffer(nullptr);
        FlushDeletes();
    }
    std::string Run(std::string_view text) { return Shell.CommandTree()->ExecuteCommandString(text, false); }
    THandler* Setting(std::string_view path) { return Shell.CommandTree()->Root().FindHandler(path); }

    TShell Shell;
    TDisplayFeature Display;
    TScreenColorsFeature Colors;
    TDisplaySettings Settings{Shell};
    TColorAnswers Dialogs;
    TDisplayMenuFeature Menu{Shell, Settings, Dialogs};
    TKitContext Kit{[this](std::string_view path) { return Shell.CommandTree()->Root().FindHandler(path); }};
    TKitHostWidget Window{Kit};
    TSideMenus Menus{Kit, &Window};
};

}  // namespace

TEST_F(DisplayMenu, ThePagesFollowTheTraceStyleFormatAndDatabase) {
    Menus.ShowSideMenu(mkDisplay, 0);
    auto* form = dynamic_cast<TDisp_Form*>(Menus.Form(0));
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(TextsThatDoNotFit(*form).empty()) << TextsThatDoNotFit(*form).front();
    EXPECT_EQ(UnboundSwitchersOf(*form), std::vector<std::string>{});
    TRC_ListBoxSwitcher* itemList = form->findChild<TRC_ListBoxSwitcher*>("lswItem");
    const QStringList items = itemList->Items();
    ASSERT_EQ(items.size(), ScreenElementCount);
    EXPECT_EQ(items[1].toStdString(), "Ch1 B2");
    EXPECT_EQ(items[17].toStdString(), "Histogramm");
    ASSERT_NE(Setting("Displ:Color:Histogram"), nullptr);
    Run("Displ:TraceMode PerTrace");
    Run("Displ:TraceSel Ch2");
    EXPECT_EQ(form->Page(1)->GroupMnemonics(), "Displ:Ch2");
    EXPECT_EQ(form->StyleSwitcher()->GetFullMnemonic(), "Displ:Ch2:Style");
    EXPECT_EQ(form->TimeSwitcher()->GetFullMnemonic(), "Displ:Ch2:PersistTime");
    EXPECT_FALSE(form->GradeButton(0)->isEnabled());
    Run("Displ:Ch2:Style VColorGrad");
    EXPECT_EQ(form->TimeSwitcher()->GetFullMnemonic(), "Displ:Ch2:RefreshTime");
    EXPECT_EQ(form->TimeSwitcher()->Caption().toStdString(), "REFRESH TIME");
    EXPECT_TRUE(form->GradeButton(0)->isEnabled());

    Run("Displ:Format 2YT");
    EXPECT_EQ(form->PlaceSwitcher()->GetFullMnemonic(), "Displ:Screen2:Ch1");
    Shell.Display().SetDatabase("/data/run.db");
    EXPECT_EQ(form->StyleSwitcher()->GetFullMnemonic(), "Displ:DBStyle");

    // "50% - 100%" is the first grade colour; the choice is one undo step.
    Dialogs.Colors.push_back(0x0000FFu);
    form->SetTopPanel(4);
    form->GradeButton(0)->click();
    EXPECT_EQ(Dialogs.Asked, std::vector<std::string>{"Color: 16777215"});
    EXPECT_EQ(ReadRealSetting(Shell.CommandTree(), "Displ:GradeClr1", 0), 0xFF);
    EXPECT_EQ(form->GradeSample(0)->palette().color(QPalette::Window), QColor(255, 0, 0));
    const std::optional<TUndoList> undo = Shell.UndoBuffer()->Undo();
    ASSERT_TRUE(undo && undo->size() == 1u);
    EXPECT_EQ(undo->front().Handler, Setting("Displ:GradeClr1"));
    // A grade colour from a command or the defaults reaches the samples too.
    Run("Displ:GradeClr5 65280");
    EXPECT_EQ(form->GradeSample(4)->palette().color(QPalette::Window), QColor(0, 255, 0));
    Run("Displ:GradeDefCol");
    EXPECT_EQ(form->GradeSample(0)->palette().color(QPalette::Window), QColor(255, 255, 255));

    // "Set Color" on the chosen element keeps its opacity (the histogram's 50 %).
    itemList->List().setCurrentIndex(17);
    Dialogs.Colors.push_back(0x00FF00u);
    form->SetTopPanel(3);
    form->SetColorButton()->click();
    EXPECT_EQ(Dialogs.Asked.back(), "Color: 255");
    EXPECT_EQ(ReadRealSetting(Shell.CommandTree(), "Displ:Color:Histogram", 0), 0x3200FF00);
    const std::optional<TUndoList> colourUndo = Shell.UndoBuffer()->Undo();
    ASSERT_TRUE(colourUndo && colourUndo->size() == 1u);
    EXPECT_EQ(colourUndo->front().Handler, Setting("Displ:Color:Histogram"));

    // The four pages side by side.
    const int width = form->Page(1)->width();
    form->resize(width * 4, form->Page(1)->height());
    for (int p = 1; p <= 4; ++p) form->Page(p)->move((p - 1) * width, 0), form->Page(p)->show();
    SaveScreenshot(*form, "display_menu.png");
}
