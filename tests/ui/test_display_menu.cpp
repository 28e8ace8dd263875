// The display side menu offscreen: its pages bind and fit, the Display page follows the selected trace,
// its style and the database, the place switcher the format, and a grade colour chosen in the colour
// question is one undo step.
#include <gtest/gtest.h>

#include <QDir>
#include <QPainter>

#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/UndoBuffer.h"
#include "display/DisplaySettings.h"
#include "display/ScopeDisplayServices.h"
#include "test_sidemenu_support.h"
#include "UiTestSupport.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/menus/DisplayMenu.h"

using namespace vt;
using namespace vt::test;

namespace {

class DisplayMenu : public ::testing::Test {
protected:
    DisplayMenu() {
        Shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
        Display.FillRows(Shell);
        Settings.FillRows(Shell);
        Settings.AttachToProgram(Shell);
        Menu.RegisterForms(Menus);
        RegisterAllCommandHandlers(Shell);
        ConnectSignalEnablity(Shell.Records()->SignalsOn(), Shell.CommandTree()->SignalEnablity());
        // The colour settings come with the colours' feature; the grade sample needs one of them.
        if (!Setting("Displ:GradeClr1"))
            Shell.CommandTree()->Root().AddIntEditHandler(
                "Displ:GradeClr1", {.Initial = 0xFFFFFF, .Config = {.Minimum = 0, .Default = 0x808080, .Maximum = 0xFFFFFF,
                                                                    .CoarseStep = 1, .CoarseKind = skGrid, .FineStep = 1,
                                                                    .FineKind = skGrid}});
        Shell.SetUndoBuffer(std::make_unique<TUndoBuffer>());
        Shell.CommandTree()->SetUndoBuffer(Shell.UndoBuffer());
        Shell.UndoBuffer()->SetEnabled(true);
        Shell.AcqEnabled = true;
        Shell.Refresh.RunRow(Shell, TRefreshRow::RefreshDisplayHandlers);
        Window.setFont(QFont(QStringLiteral("Liberation Sans"), 8));
        Window.resize(800, 600);
    }
    ~DisplayMenu() override {
        Shell.CommandTree()->SetUndoBuffer(nullptr);
        FlushDeletes();
    }
    std::string Run(std::string_view text) { return Shell.CommandTree()->ExecuteCommandString(text, false); }
    THandler* Setting(std::string_view path) { return Shell.CommandTree()->Root().FindHandler(path); }

    TShell Shell;
    TDisplayFeature Display;
    TDisplaySettings Settings{Shell};
    TScriptedDialogs Dialogs;
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
    // The colour pages bind once the colour settings exist.
    for (const std::string& unbound : UnboundSwitchersOf(*form))
        EXPECT_TRUE(unbound.starts_with("rmpColor") || unbound.starts_with("rmpGrade")) << unbound;
    form->SetTopPanel(9);
    EXPECT_TRUE(form->Page(1)->isVisibleTo(form));

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
    Dialogs.ColorAnswers.push_back(0x0000FFu);
    form->SetTopPanel(4);
    form->GradeButton(0)->click();
    EXPECT_EQ(Dialogs.ColorsAsked, std::vector<std::uint32_t>{0xFFFFFFu});
    EXPECT_EQ(ReadRealSetting(Shell.CommandTree(), "Displ:GradeClr1", 0), 0xFF);
    EXPECT_EQ(form->GradeSample(0)->palette().color(QPalette::Window), QColor(255, 0, 0));
    std::optional<TUndoList> undo = Shell.UndoBuffer()->Undo();
    ASSERT_TRUE(undo.has_value());
    ASSERT_EQ(undo->size(), 1u);
    EXPECT_EQ(undo->front().Handler, Setting("Displ:GradeClr1"));

    // The four pages side by side.
    Window.show();
    form->show();
    const QSize page = form->Page(1)->size();
    QImage sheet(page.width() * 4, page.height(), QImage::Format_RGB32);
    QPainter painter(&sheet);
    for (int p = 1; p <= 4; ++p) {
        form->SetTopPanel(p);
        painter.drawImage((p - 1) * page.width(), 0, form->Page(p)->grab().toImage());
    }
    painter.end();
    const QString folder = QDir::current().absoluteFilePath("screenshots");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(sheet.save(folder + "/display_menu.png", "PNG"));
}
