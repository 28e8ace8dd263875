// The "Save / Recall" side menu offscreen: its pages, the hidden "File Type" and the source that
// follows it, every switcher bound, captions that fit, and pictures of the three pages.
#include <gtest/gtest.h>

#include <QDir>

#include "UiTestSupport.h"
#include "acq/SaveRecall.h"
#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/Shell.h"
#include "core/temp_folder.h"
#include "test_sidemenu_support.h"
#include "ui/controls/CommandSwitchers.h"
#include "ui/menus/SaveMenu.h"

using namespace vt;
using namespace vt::test;

namespace {

class SaveMenu : public ::testing::Test {
protected:
    SaveMenu() {
        Shell.Folders = InitInstallFolders(Root.Path());
        Shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
        State.FillRows(Shell);
        RegisterAllCommandHandlers(Shell);
        MainWindow.setFont(QFont(QStringLiteral("Liberation Sans"), 8));
        MainWindow.resize(800, 600);
        Feature.RegisterForms(Menus);
        Menus.ShowSideMenu(mkSaveRecall, 0);
        Form = dynamic_cast<TSave_Form*>(Menus.Form(0));
    }
    ~SaveMenu() override { FlushDeletes(); }
    bool Shown(const char* name) const { return Form->Control(name)->isVisibleTo(Form); }

    TempFolder Root;
    TShell Shell;
    TKitContext Kit{[this](std::string_view path) { return Shell.CommandTree()->Root().FindHandler(path); }};
    QWidget MainWindow;
    TSideMenus Menus{Kit, &MainWindow};
    TSaveRecallFeature State;
    TSaveMenuFeature Feature{Shell};
    TSave_Form* Form = nullptr;
};

TEST_F(SaveMenu, PagesHiddenControlsBindingsAndPictures) {
    ASSERT_NE(Form, nullptr);
    EXPECT_EQ(Form->Pages().size(), 3u);
    const std::vector<std::string> unbound = UnboundSwitchersOf(*Form);
    EXPECT_TRUE(unbound.empty()) << unbound.front();
    EXPECT_EQ(TextsThatDoNotFit(*Form), std::vector<std::string>{});
    EXPECT_EQ(Form->Control("swDiskSource")->GetHandler(), Shell.CommandTree()->Root().FindHandler("Save:Disk:Source"));

    for (int page : {0, 4}) {
        Form->SetTopPanel(page);
        EXPECT_TRUE(Form->Page(1)->isVisibleTo(Form)) << page;
    }
    Form->SetTopPanel(2);
    EXPECT_TRUE(Form->Page(2)->isVisibleTo(Form));
    EXPECT_FALSE(Shown("swFileType"));
    EXPECT_TRUE(Shown("swDiskSource"));
    auto* fileType = dynamic_cast<TRadioSwHandler*>(Shell.CommandTree()->Root().FindHandler("Save:Disk:FileType"));
    ASSERT_NE(fileType, nullptr);
    fileType->SetItemIndex(1);
    EXPECT_FALSE(Shown("swDiskSource")) << "the database has a source of its own";
    EXPECT_TRUE(Shell.CommandTree()->Root().FindHandler("Save:Disk:NameMode")->IsDisabled());
    fileType->SetItemIndex(0);
    EXPECT_TRUE(Shown("swDiskSource"));

    // "Save" of the disk page raises the deferred request only.
    dynamic_cast<TRC_CustomCmmandSwitcher*>(Form->Control("swDiskSave"))->Click();
    EXPECT_TRUE(Shell.SaveRecall()->DiskSaveRequest);

    MainWindow.show();
    Form->show();
    const QString folder = QDir::current().absoluteFilePath("screenshots");
    ASSERT_TRUE(QDir().mkpath(folder));
    for (int page = 1; page <= 3; ++page) {
        Form->SetTopPanel(page);
        ASSERT_TRUE(Form->grab().toImage().save(folder + QString("/save_menu_page%1.png").arg(page), "PNG"));
    }
}

}  // namespace
