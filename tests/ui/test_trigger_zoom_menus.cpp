// The trigger and zoom side menus offscreen: their pages bind and fit, the trigger's pattern page
// follows the option and the strip's level edit the source, the zoom's vertical edits follow the view
// of the chosen source; pictures of both, and their texts in the English file.
#include <gtest/gtest.h>

#include <QDir>
#include <fstream>

#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/LanguageFile.h"
#include "core/LanguageState.h"
#include "core/Shell.h"
#include "core/SourceHandlers.h"
#include "core/language_setup.h"
#include "core/temp_folder.h"
#include "link/InstrumentIdentity.h"
#include "test_sidemenu_support.h"
#include "UiTestSupport.h"
#include "ui/PermanentControls.h"
#include "ui/SideMenuLanguage.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/menus/TimebaseChannelsMenus.h"
#include "ui/menus/TriggerMenu.h"
#include "ui/menus/ZoomMenu.h"

using namespace vt;
using namespace vt::test;

namespace {

class TriggerZoomMenus : public ::testing::Test {
protected:
    TriggerZoomMenus() {
        Shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
        Shell.Records()->ResetSignalObjects();
        for (TUiFeature* f : {static_cast<TUiFeature*>(&Timebase), static_cast<TUiFeature*>(&Trigger),
                              static_cast<TUiFeature*>(&Zoom)})
            f->FillRows(Shell), f->RegisterForms(Menus);
        RegisterAllCommandHandlers(Shell);
        Window.setFont(QFont(QStringLiteral("Liberation Sans"), 8));
        Window.resize(800, 600);
        Strip = new TRC_RightMenuPanel(&Window);
        BuildPermanentControls(*Strip);
        BindPermanentControls(*Strip, Kit);
        Bindings = std::make_unique<TPermanentControlsBindings>(*Strip, Menus);
        Shell.SetWindowBindings(Bindings.get());
        UpdateUiForInstrument(Shell, {});
    }
    ~TriggerZoomMenus() override {
        Shell.SetWindowBindings(nullptr);
        FlushDeletes();
    }
    std::string Run(std::string_view text) { return Shell.CommandTree()->ExecuteCommandString(text, false); }
    template <class T>
    T* Open(int kind) {
        Menus.ShowSideMenu(kind, 0);
        auto* form = dynamic_cast<T*>(Menus.Form(0));
        EXPECT_TRUE(form && UnboundSwitchersOf(*form).empty()) << kind;
        EXPECT_TRUE(form && TextsThatDoNotFit(*form).empty()) << TextsThatDoNotFit(*form).front();
        return form;
    }
    THandler* Setting(std::string_view path) { return Shell.CommandTree()->Root().FindHandler(path); }
    void Save(QWidget& form, const char* name) {
        const QString folder = QDir::current().absoluteFilePath("screenshots");
        ASSERT_TRUE(QDir().mkpath(folder));
        ASSERT_TRUE(form.grab().toImage().save(folder + "/" + name, "PNG"));
    }

    TShell Shell;
    TTimebaseChannelsMenus Timebase{Shell};
    TTrigMenuFeature Trigger{Shell, &Timebase.Settings().Timebase()};
    TZoomMenuFeature Zoom{Shell};
    TKitContext Kit{[this](std::string_view path) { return Shell.CommandTree()->Root().FindHandler(path); }};
    TKitHostWidget Window{Kit};
    TRC_RightMenuPanel* Strip = nullptr;
    TSideMenus Menus{Kit, &Window};
    std::unique_ptr<TPermanentControlsBindings> Bindings;
};

}  // namespace

TEST_F(TriggerZoomMenus, TheTriggerMenuFollowsTheOptionTheUnitAndTheSource) {
    auto* form = Open<TTrig_Form>(mkTrigger);
    ASSERT_NE(form, nullptr);
    EXPECT_FALSE(form->PatternSyncButton()->isVisibleTo(form->Page(2)));
    EXPECT_FALSE(form->PatternLengthListButton()->isEnabled());
    form->SetTopPanel(7);
    EXPECT_TRUE(form->Page(1)->isVisibleTo(form));

    GiveInstrument(Shell, TInstrumentLinkKind::Demo, optPatSyncTrig);
    form = Open<TTrig_Form>(mkTrigger);
    form->SetTopPanel(2);
    form->PatternSyncButton()->click();
    EXPECT_TRUE(form->Page(3)->isVisibleTo(form));
    Window.show();
    form->show();
    Save(*form, "trigger_menu_pattern_sync.png");
    form->SetTopPanel(1);
    Save(*form, "trigger_menu_main.png");

    Run("Trig:Atten:Unit DB");
    EXPECT_EQ(form->Attenuation()->GetFullMnemonic(), "Trig:Atten:DB");
    auto* level = Strip->findChild<TRC_EditSwitcher*>("edswTrigExtLevel");
    Run("Trig:Source IntClock");
    EXPECT_EQ(level->GetHandler(), Setting("Trig:IntRate"));
    Run("Trig:Source Direct");
    EXPECT_EQ(level->GetHandler(), Setting("Trig:ExtLevel"));
}

TEST_F(TriggerZoomMenus, TheZoomMenusVerticalEditsFollowTheViewOfTheChosenSource) {
    auto* form = Open<TZoom_Form>(mkZoom);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->Page(1)->GroupMnemonics(), "Zoom:F1");
    EXPECT_FALSE(form->ScalingButton()->isEnabled());  // F1 is off: no scaling page
    form->SetTopPanel(2);
    EXPECT_TRUE(form->Page(1)->isVisibleTo(form));

    Shell.Records()->SignalsOn().SetOn(ssS1, true);
    // A shadow setting takes no remote command: the menu's own choice.
    dynamic_cast<TSignalSourceSwHandler*>(Setting("Shadow:ZoomSource"))->SetSource(ssS1);
    EXPECT_EQ(form->Page(2)->GroupMnemonics(), "Zoom:S1");
    form->ScalingButton()->click();
    EXPECT_TRUE(form->Page(2)->isVisibleTo(form));
    EXPECT_EQ(form->VerticalScale()->GetFullMnemonic(), "Zoom:S1:VertScale");
    Run("Zoom:S1:ComplexScale Phase");
    EXPECT_EQ(form->VerticalScale()->GetFullMnemonic(), "Zoom:S1:PhaseScale");
    EXPECT_EQ(form->VerticalScale()->Caption().toStdString(), "PHASE SCALE");
    EXPECT_FALSE(form->VerticalScale()->GetHandler()->IsDisabled());
    Run("Zoom:S1:ComplexScale Magnitude");
    Run("Zoom:S1:VScaleType Logaritm");
    EXPECT_EQ(form->VerticalScale()->GetFullMnemonic(), "Zoom:S1:VertDBScale");
    EXPECT_EQ(form->VerticalPosition()->GetFullMnemonic(), "Zoom:S1:OffsInDB");
    EXPECT_EQ(form->VerticalPosition()->Caption().toStdString(), "VERT POSITION");
    Window.show();
    form->show();
    Save(*form, "zoom_menu_scaling_db.png");
}

TEST_F(TriggerZoomMenus, TheEnglishFileHoldsBothForms) {
    TempFolder folder;
    const test::TFormText value = test::WriteEnglishFileOfMenus(Menus, folder.Path());
    EXPECT_EQ(value("Trig_Form", "Menu Panel rmpTriggerMain.rswHister.Items"), "Normal,\"High sensitivity\"");
    EXPECT_EQ(value("Trig_Form", "Menu Panel rmpTriggerPatternLock.rswPatternLock.Items"), "Off,\"Auto Detect\",Manual");
    EXPECT_EQ(value("Trig_Form", "Menu Panel rmpTriggerPatternLock.edswPattDelay.Caption"), "START BIT");
    EXPECT_EQ(value("Zoom_Form", "Menu Panel rmpZoom.rswComplexScale.Items"), "Magnitude,Phase,Real,Imaginary");
    EXPECT_EQ(value("Zoom_Form", "Menu Panel rmpScaling.edswHorScale.Caption"), "HORIZ  SCALE");
}
