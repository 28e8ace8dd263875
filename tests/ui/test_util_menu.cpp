#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <deque>
#include <fstream>

#include "UiTestSupport.h"
#include "core/AdjustAccess.h"
#include "core/CommandTree.h"
#include "core/LanguageState.h"
#include "core/language_setup.h"
#include "core/temp_folder.h"
#include "link/UtilSettings.h"
#include "test_sidemenu_support.h"
#include "ui/UtilMenuFeature.h"
#include "ui/controls/ListBoxSwitcher.h"
#include "ui/dialogs/AdjustAccessForm.h"
#include "ui/menus/UtilMenu.h"

namespace vt {
namespace {

class UtilMenu : public ::testing::Test {
protected:
    void Open(bool withLanguages) {
        if (withLanguages) {
            for (const auto& [ext, name] : {std::pair{"Eng", "English"}, {"Deu", "Deutsch"}, {"Fra", "Francais"}})
                std::ofstream(Temp / (std::string("Language-Vlt.") + ext), std::ios::binary)
                    << "[Common]\nCommon:Language=" << name << "\n";
            TLanguageSetup setup = test::QuietLanguageSetup(Temp.Path());
            Shell.SetLanguage(std::make_unique<TLanguageState>(std::move(setup)));
            Shell.Language().InitLanguages();
        }
        Shell.SetCommandTree(CreateCommandTree());
        CreateUtilHandlers(Shell);
        MainWindow.setFont(QFont(QStringLiteral("Liberation Sans"), 8));
        MainWindow.resize(800, 600);
        Feature.DeferSideMenuUpdate = [this](int side, int target) { Deferred.push_back({side, target}); };
        Feature.Beep = [this] { ++Beeps; };
        Feature.Runner = Script.Runner();
        Feature.RegisterForms(Menus);
        Menus.ShowSideMenu(mkUtility, 0);
        Form = dynamic_cast<TUtil_Form*>(Menus.Form(0));
        ASSERT_NE(Form, nullptr);
    }
    ~UtilMenu() override { test::FlushDeletes(); }
    void Click(const char* name) {
        TRC_Switcher* sw = Form->Control(name);
        QTest::mouseClick(sw, Qt::LeftButton, {}, QPoint(sw->width() / 2, sw->height() - 8));
    }
    static void Enter(TAdjustAccess& d, const char* code) {
        d.PasswordEdit().setText(code);
        d.OkButton().click();
    }
    TRadioSwHandler& Lang() { return *dynamic_cast<TRadioSwHandler*>(Shell.CommandTree()->Root().FindHandler("Shadow:Lang")); }

    test::TempFolder Temp;
    TShell Shell;
    TKitContext Kit{[this](std::string_view path) { return Shell.CommandTree()->Root().FindHandler(path); }};
    QWidget MainWindow;
    TSideMenus Menus{Kit, &MainWindow};
    TUtilMenuFeature Feature{Shell};
    TUtil_Form* Form = nullptr;
    std::vector<std::pair<int, int>> Deferred;
    test::TDialogScript Script;
    int Beeps = 0;
};

TEST_F(UtilMenu, LanguagesAndTheWaysToTheOtherMenus) {
    Open(true);
    EXPECT_TRUE(UnboundSwitchersOf(*Form).empty());
    EXPECT_TRUE(test::TextsThatDoNotFit(*Form).empty());
    auto& list = *static_cast<TRC_ListBoxSwitcher*>(Form->Control("lbswLanguage"));
    EXPECT_EQ(Lang().Items(), (std::vector<std::string>{"L1", "L2", "L3"}));
    EXPECT_EQ(list.Items().size(), 3);
    EXPECT_TRUE(list.Items().contains("Deutsch"));
    EXPECT_TRUE(list.isEnabled());
    EXPECT_EQ(Lang().GetItemIndex(), Shell.Language().Languages()->ChosenIndex());
    EXPECT_FALSE(Form->Control("pcswCalibrators")->isVisibleTo(Form));
    test::SaveScreenshot(*Form, "utility_menu.png");
    Lang().SetItemIndexFromSwitcher((Lang().GetItemIndex() + 1) % 3);
    EXPECT_TRUE(Shell.LanguageSwitchRequest) << "the running program switches";

    Click("pcswCalibrating");
    Click("rpcsGSS");
    EXPECT_EQ(Deferred, (std::vector<std::pair<int, int>>{{0, 1}, {0, 3}}));
}

TEST_F(UtilMenu, WithoutLanguageFilesOnlyADisabledEnglish) {
    Open(false);
    auto& list = *static_cast<TRC_ListBoxSwitcher*>(Form->Control("lbswLanguage"));
    EXPECT_EQ(list.Items(), QStringList{"English"});
    EXPECT_EQ(Lang().Items(), std::vector<std::string>{"L1"});
    EXPECT_FALSE(list.isEnabled());
}

TEST_F(UtilMenu, TheAdjustmentMenuOpensOnlyAfterTheRightCode) {
    Open(false);
    Script.Steps.push_back([](QDialog& dialog) {
        auto& d = dynamic_cast<TAdjustAccess&>(dialog);
        test::SaveScreenshot(d, "adjust_access.png");
        Enter(d, "rx4-73k");
        EXPECT_TRUE(d.isVisible()) << "the code is compared with case";
        EXPECT_TRUE(d.PasswordEdit().text().isEmpty());
        Enter(d, "RX4-73K");
        EXPECT_FALSE(d.isVisible());
    });
    Click("pcswAdjusting");
    EXPECT_TRUE(Shell.AdjustAccessGranted);
    EXPECT_FALSE(Shell.ServiceAccess);
    EXPECT_EQ(Deferred, (std::vector<std::pair<int, int>>{{0, 2}}));
    Click("pcswAdjusting");
    EXPECT_EQ(Deferred.size(), 2u) << "no dialog once granted";
}

TEST_F(UtilMenu, ThreeWrongCodesCloseTheDialogAndLaterPressesBeep) {
    Open(false);
    Script.Steps.push_back([](QDialog& dialog) {
        auto& d = dynamic_cast<TAdjustAccess&>(dialog);
        Enter(d, "a");
        Enter(d, "b");
        EXPECT_TRUE(d.isVisible());
        Enter(d, "c");
        EXPECT_FALSE(d.isVisible());
    });
    Click("pcswAdjusting");
    Click("pcswAdjusting");
    EXPECT_TRUE(Script.Steps.empty());
    EXPECT_EQ(Beeps, 1);
    EXPECT_TRUE(Deferred.empty());
    EXPECT_FALSE(Shell.AdjustAccessGranted);

    TShell fresh;
    EXPECT_TRUE(EnterAccessCode(fresh, "Servicer"));
    EXPECT_TRUE(fresh.AdjustAccessGranted && fresh.ServiceAccess);
}

}  // namespace
}  // namespace vt
