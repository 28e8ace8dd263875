// The eye diagram's side menu offscreen: its pages fit and are bound; the page rules; the statistics
// entry follows "Eye:Mode" sent by command while its page is open.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFont>
#include <QPainter>

#include "UiTestSupport.h"
#include "acq/HistogramObjects.h"
#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "analysis/ScopeAnalysisServices.h"
#include "core/CommandTree.h"
#include "core/MenuKinds.h"
#include "core/Shell.h"
#include "core/WindowBindings.h"
#include "display/ScopeDisplayServices.h"
#include "serial/ScopeSerialServices.h"
#include "test_sidemenu_support.h"
#include "test_switcher_support.h"
#include "ui/SideMenu.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/menus/EyeMenu.h"

using namespace vt;
using namespace vt::test;

namespace {
// The window's part that the eye asks of: the menu's page.
struct TMenuPageBindings : TWindowBindings {
    explicit TMenuPageBindings(TSideMenus& menus) : Menus(menus) {}
    void BindChannelScaleEdit(int, const std::string&) override {}
    void BindChannelOffsetEdit(int, const std::string&) override {}
    void BindHorizontalScaleEdit(const std::string&, const std::string&) override {}
    void BindDelayEdit(const std::string&) override {}
    void RefreshSideMenu(TMenuKind) override {}
    void ResetMenuPage(TMenuKind kind) override { Menus.ResetMenuPage(kind); }
    TSideMenus& Menus;
};
}  // namespace

TEST(EyeMenuForm, PagesFitBindFollowTheModeAndCommands) {
    TShell shell;
    shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
    shell.SetFullHist(MakeOwnedPart(std::make_unique<TFullHist>()));
    TDisplayFeature().FillRows(shell);
    TAnalysisFeature analysis;
    analysis.FillRows(shell);
    TSerialFeature().FillRows(shell);
    RegisterAllCommandHandlers(shell);
    ConnectSignalEnablity(shell.Records()->SignalsOn(), shell.CommandTree()->SignalEnablity());
    shell.Records()->SignalsOn().SetOn(ssCh1, true);
    shell.Records()->BuildSourceCaptions([&shell](std::string_view key) { return shell.LangStr(key); });
    TKitContext kit{[&shell](std::string_view path) { return shell.CommandTree()->Root().FindHandler(path); }};
    TKitHostWidget window{kit};
    window.setFont(QFont(QStringLiteral("Liberation Sans"), 8));
    window.resize(800, 600);
    TSideMenus menus{kit, &window};
    TEyeMenuFeature feature(shell);
    feature.RegisterForms(menus);
    TMenuPageBindings bindings(menus);
    shell.SetWindowBindings(&bindings);
    auto run = [&shell](const char* command) { return shell.CommandTree()->ExecuteCommandString(command, false); };
    auto handler = [&shell](const char* path) { return shell.CommandTree()->Root().FindHandler(path); };
    menus.ShowSideMenu(mkEye, 0);
    auto* form = dynamic_cast<TEye_Form*>(menus.Form(0));
    ASSERT_NE(form, nullptr);
    window.show();
    form->show();
    EXPECT_EQ(UnboundSwitchersOf(*form), std::vector<std::string>{});
    for (int page = 1; page <= TEye_Form::PageCount; ++page) {
        form->SetTopPanel(page);
        EXPECT_EQ(form->CurrentPage, page);
        QCoreApplication::processEvents();
        EXPECT_EQ(SwitchersNotWhole(*form->Page(page)), std::vector<std::string>{}) << page;
        EXPECT_EQ(TextsThatDoNotFit(*form->Page(page)), std::vector<std::string>{}) << page;
        if (page >= 2) {
            form->BackButton(page)->click();
            EXPECT_EQ(form->CurrentPage, 1) << "every Back opens the first page";
        }
    }
    for (int page : {0, 8}) {
        form->SetTopPanel(page);
        EXPECT_EQ(form->CurrentPage, 1) << page;
    }

    // No mode: no parameter pages. The buttons open the lists of the mode chosen by command.
    EXPECT_FALSE(form->XButton()->isEnabled());
    EXPECT_FALSE(form->YButton()->isEnabled());
    run("Eye:Measure NRZ");
    ASSERT_TRUE(form->XButton()->isEnabled());
    form->XButton()->click();
    EXPECT_EQ(form->CurrentPage, 2);
    form->SetTopPanel(1);
    form->YButton()->click();
    EXPECT_EQ(form->CurrentPage, 4);
    run("Eye:Measure RZ");
    form->SetTopPanel(1);
    form->XButton()->click();
    EXPECT_EQ(form->CurrentPage, 3);
    form->SetTopPanel(1);
    form->YButton()->click();
    EXPECT_EQ(form->CurrentPage, 5);
    // A list's command shows at once in the open page.
    run("Eye:YRZParam EyeHeight");
    auto* list = dynamic_cast<TRC_CheckSwitcher*>(form->Page(5)->findChild<QWidget*>("chswYRZParam"));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->GetHandler(), handler("Eye:YRZParam"));
    EXPECT_TRUE(list->Button(10).Checked());
    EXPECT_FALSE(list->Button(9).Checked());

    // The statistics page: the one entry is the window's length, the weight's while Mode is Weight.
    form->SetTopPanel(1);
    form->StatisticsButton()->click();
    EXPECT_EQ(form->CurrentPage, 6);
    EXPECT_EQ(form->StatEdit()->GetHandler(), handler("Eye:Window"));
    EXPECT_EQ(form->StatEdit()->Caption().toStdString(), "WAVEFORMS");
    EXPECT_EQ(form->StatEdit()->HelpContext(), 493);
    run("Eye:Statistic ON");
    run("Eye:Mode WEIGHT");
    EXPECT_EQ(form->StatEdit()->GetHandler(), handler("Eye:Weight"));
    EXPECT_EQ(form->StatEdit()->Caption().toStdString(), "WEIGHT");
    EXPECT_EQ(form->StatEdit()->HelpContext(), 493);
    EXPECT_EQ(form->CurrentPage, 6);
    EXPECT_EQ(TextsThatDoNotFit(*form->Page(6)), std::vector<std::string>{});
    run("Eye:Weight 64");
    EXPECT_EQ(form->StatEdit()->GetHandler(), handler("Eye:Weight"));
    run("Eye:Mode Window");
    EXPECT_EQ(form->StatEdit()->GetHandler(), handler("Eye:Window"));
    EXPECT_EQ(form->StatEdit()->Caption().toStdString(), "WAVEFORMS");

    // A mode change returns the menu to its first page; Off disables the buttons.
    run("Eye:Measure NRZ");
    EXPECT_EQ(form->CurrentPage, 1);
    form->StatisticsButton()->click();
    run("Eye:Measure Off");
    EXPECT_EQ(form->CurrentPage, 1);
    EXPECT_FALSE(form->XButton()->isEnabled());
    EXPECT_EQ(UnboundSwitchersOf(*form), std::vector<std::string>{});

    // Pages side by side: the first, statistics and definition; and the four lists.
    run("Eye:Measure NRZ");
    const auto save = [form](std::initializer_list<int> pages, const char* name) {
        QImage picture(form->width() * static_cast<int>(pages.size()), form->height(), QImage::Format_ARGB32);
        picture.fill(Qt::black);
        QPainter painter(&picture);
        int x = 0;
        for (int page : pages) {
            form->SetTopPanel(page);
            QCoreApplication::processEvents();
            painter.drawPixmap(x, 0, form->grab());
            x += form->width();
        }
        painter.end();
        const QString folder = QDir::current().absoluteFilePath("screenshots");
        QDir().mkpath(folder);
        EXPECT_TRUE(picture.save(folder + "/" + name, "PNG")) << name;
    };
    save({1, 6, 7}, "eye_menu.png");
    save({2, 3, 4, 5}, "eye_menu_lists.png");
    menus.ShowSideMenu(mkNone, 0);
    shell.SetWindowBindings(nullptr);
    FlushDeletes();
}
