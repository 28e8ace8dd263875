// The trigger side menu offscreen: its pages bind and fit, the pattern page follows the option, the
// strip's level edit follows the source, a picture of the main page, and its texts in the English file.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <fstream>

#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/LanguageFile.h"
#include "core/LanguageState.h"
#include "core/Shell.h"
#include "core/temp_folder.h"
#include "link/InstrumentIdentity.h"
#include "test_sidemenu_support.h"
#include "UiTestSupport.h"
#include "ui/PermanentControls.h"
#include "ui/SideMenuLanguage.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/menus/TimebaseChannelsMenus.h"
#include "ui/menus/TriggerMenu.h"

using namespace vt;
using namespace vt::test;

namespace {

class TriggerMenu : public ::testing::Test {
protected:
    TriggerMenu() {
        Shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
        Timebase.FillRows(Shell);
        Feature.FillRows(Shell);
        RegisterAllCommandHandlers(Shell);
        Window.setFont(QFont(QStringLiteral("Liberation Sans"), 8));
        Window.resize(800, 600);
        Strip = new TRC_RightMenuPanel(&Window);
        Strip->setGeometry(0, 540, 560, 50);
        BuildPermanentControls(*Strip);
        BindPermanentControls(*Strip, Kit);
        Feature.RegisterForms(Menus);
        Bindings = std::make_unique<TPermanentControlsBindings>(*Strip, Menus);
        Shell.SetWindowBindings(Bindings.get());
        UpdateUiForInstrument(Shell, {});
    }
    ~TriggerMenu() override {
        Shell.SetWindowBindings(nullptr);
        FlushDeletes();
    }
    std::string Run(std::string_view text) { return Shell.CommandTree()->ExecuteCommandString(text, false); }
    TTrig_Form* Open() {
        Menus.ShowSideMenu(mkTrigger, 0);
        return dynamic_cast<TTrig_Form*>(Menus.Form(0));
    }
    THandler* Setting(std::string_view path) { return Shell.CommandTree()->Root().FindHandler(path); }

    TShell Shell;
    TTimebaseChannelsMenus Timebase{Shell};
    TTrigMenuFeature Feature{Shell, &Timebase.Settings().Timebase()};
    TKitContext Kit{[this](std::string_view path) { return Shell.CommandTree()->Root().FindHandler(path); }};
    TKitHostWidget Window{Kit};
    TRC_RightMenuPanel* Strip = nullptr;
    TSideMenus Menus{Kit, &Window};
    std::unique_ptr<TPermanentControlsBindings> Bindings;
};

}  // namespace

TEST_F(TriggerMenu, PagesBindFitAndFollowTheOptionTheUnitAndTheSource) {
    TTrig_Form* form = Open();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->objectName(), "Trig_Form");
    EXPECT_EQ(form->Pages().size(), 3u);
    EXPECT_TRUE(UnboundSwitchersOf(*form).empty()) << UnboundSwitchersOf(*form).front();
    EXPECT_TRUE(TextsThatDoNotFit(*form).empty()) << TextsThatDoNotFit(*form).front();
    EXPECT_FALSE(form->PatternSyncButton()->isVisibleTo(form->Page(2)));
    EXPECT_FALSE(form->PatternLengthListButton()->isEnabled());
    EXPECT_FALSE(form->findChild<TRC_Switcher*>("oswLowJitter")->isVisibleTo(form->Page(2)));
    form->SetTopPanel(7);
    EXPECT_TRUE(form->Page(1)->isVisibleTo(form));

    GiveInstrument(Shell, TInstrumentLinkKind::Demo, optPatSyncTrig);
    form = Open();
    EXPECT_TRUE(form->PatternSyncButton()->isVisibleTo(form->Page(2)));
    form->SetTopPanel(2);
    form->PatternSyncButton()->click();
    EXPECT_TRUE(form->Page(3)->isVisibleTo(form));

    Run("Trig:Atten:Unit DB");
    EXPECT_EQ(form->Attenuation()->GetFullMnemonic(), "Trig:Atten:DB");
    auto* level = Strip->findChild<TRC_EditSwitcher*>("edswTrigExtLevel");
    Run("Trig:Source IntClock");
    EXPECT_EQ(level->GetHandler(), Setting("Trig:IntRate"));
    Run("Trig:Source Direct");
    EXPECT_EQ(level->GetHandler(), Setting("Trig:ExtLevel"));
}

TEST_F(TriggerMenu, ScreenshotOfTheMainPage) {
    Window.show();
    TTrig_Form* form = Open();
    form->show();
    const QImage shot = form->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    const QString folder = QDir::current().absoluteFilePath("screenshots");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(shot.save(folder + "/trigger_menu_main.png", "PNG"));
}

TEST_F(TriggerMenu, TheEnglishFileHoldsItsPagesCaptionsAndItems) {
    TempFolder folder;
    std::ofstream(folder.Path() / "Language-Vlt.Deu", std::ios::binary) << "[Common]\nCommon:Language=Deutsch\n";
    TLanguageSetup setup;
    setup.DataRoot = folder.Path();
    setup.ConfigFolder = folder.Path() / "config";
    setup.ProgramFile = "/opt/veltrane/bin/veltrane";
    setup.ShowMessage = [](const std::string&) {};
    setup.AskYesNo = [](const std::string&) { return false; };
    TLanguageState language(std::move(setup));
    language.InitLanguages();
    TEnglishFileForms forms;
    forms.Menus = &Menus;
    ASSERT_TRUE(CreateEnglishLanguageFile(language, forms));
    const TLangIniFile file(folder.Path() / "Language-Vlt.Eng");
    auto value = [&file](std::string_view key) {
        std::string raw, text;
        if (!file.FindRaw("Trig_Form", key, raw, false) || !ReadLangValue(raw, text)) return std::string("<absent>");
        return text;
    };
    EXPECT_EQ(value("Menu Panel rmpTriggerMain.Caption"), "Trigger");
    EXPECT_EQ(value("Menu Panel rmpTriggerCont.Caption"), "Trigger (cont.)");
    EXPECT_EQ(value("Menu Panel rmpTriggerPatternLock.Caption"), "Pattern Sync");
    EXPECT_EQ(value("Menu Panel rmpTriggerMain.rswSource.Caption"), "Source");
    EXPECT_EQ(value("Menu Panel rmpTriggerMain.rswHister.Items"), "Normal,\"High sensitivity\"");
    EXPECT_EQ(value("Menu Panel rmpTriggerPatternLock.rswPatternLock.Items"), "Off,\"Auto Detect\",Manual");
    EXPECT_EQ(value("Menu Panel rmpTriggerPatternLock.edswPattDelay.Caption"), "START BIT");
}
