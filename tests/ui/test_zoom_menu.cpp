// The zoom side menu offscreen: the group follows the chosen source, the vertical edits follow its
// view (linear, dB, phase), the scaling page needs a source that is on, and its texts reach the
// English file.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <fstream>

#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/LanguageFile.h"
#include "core/LanguageState.h"
#include "core/Shell.h"
#include "core/SourceHandlers.h"
#include "core/temp_folder.h"
#include "test_sidemenu_support.h"
#include "UiTestSupport.h"
#include "ui/PermanentControls.h"
#include "ui/SideMenuLanguage.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/menus/ZoomMenu.h"

using namespace vt;
using namespace vt::test;

namespace {

class ZoomMenu : public ::testing::Test {
protected:
    ZoomMenu() {
        Shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
        Shell.Records()->ResetSignalObjects();
        Feature.FillRows(Shell);
        RegisterAllCommandHandlers(Shell);
        Window.setFont(QFont(QStringLiteral("Liberation Sans"), 8));
        Window.resize(800, 600);
        Feature.RegisterForms(Menus);
        Bindings = std::make_unique<TPermanentControlsBindings>(*new TRC_RightMenuPanel(&Window), Menus);
        Shell.SetWindowBindings(Bindings.get());
        UpdateUiForInstrument(Shell, {});
    }
    ~ZoomMenu() override {
        Shell.SetWindowBindings(nullptr);
        FlushDeletes();
    }
    std::string Run(std::string_view text) { return Shell.CommandTree()->ExecuteCommandString(text, false); }
    TZoom_Form* Open() {
        Menus.ShowSideMenu(mkZoom, 0);
        return dynamic_cast<TZoom_Form*>(Menus.Form(0));
    }

    TShell Shell;
    TZoomMenuFeature Feature{Shell};
    TKitContext Kit{[this](std::string_view path) { return Shell.CommandTree()->Root().FindHandler(path); }};
    TKitHostWidget Window{Kit};
    TSideMenus Menus{Kit, &Window};
    std::unique_ptr<TPermanentControlsBindings> Bindings;
};

}  // namespace

TEST_F(ZoomMenu, TheVerticalEditsFollowTheViewOfTheChosenSource) {
    TZoom_Form* form = Open();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->objectName(), "Zoom_Form");
    EXPECT_EQ(form->Page(1)->GroupMnemonics(), "Zoom:F1");
    EXPECT_TRUE(UnboundSwitchersOf(*form).empty()) << UnboundSwitchersOf(*form).front();
    EXPECT_TRUE(TextsThatDoNotFit(*form).empty()) << TextsThatDoNotFit(*form).front();
    // F1 is off: no scaling page.
    EXPECT_FALSE(form->ScalingButton()->isEnabled());
    form->SetTopPanel(2);
    EXPECT_TRUE(form->Page(1)->isVisibleTo(form));

    Shell.Records()->SignalsOn().SetOn(ssS1, true);
    // A shadow setting takes no remote command: the menu's own choice.
    dynamic_cast<TSignalSourceSwHandler*>(Shell.CommandTree()->Root().FindHandler("Shadow:ZoomSource"))->SetSource(ssS1);
    EXPECT_EQ(form->Page(2)->GroupMnemonics(), "Zoom:S1");
    EXPECT_TRUE(form->ScalingButton()->isEnabled());
    form->SetTopPanel(2);
    EXPECT_TRUE(form->Page(2)->isVisibleTo(form));
    EXPECT_EQ(form->VerticalScale()->GetFullMnemonic(), "Zoom:S1:VertScale");

    Run("Zoom:S1:ComplexScale Phase");
    EXPECT_EQ(form->VerticalScale()->GetFullMnemonic(), "Zoom:S1:PhaseScale");
    EXPECT_EQ(form->VerticalPosition()->GetFullMnemonic(), "Zoom:S1:OffsPhase");
    EXPECT_EQ(form->VerticalScale()->Caption().toStdString(), "PHASE SCALE");
    EXPECT_FALSE(form->VerticalScale()->GetHandler()->IsDisabled());

    Run("Zoom:S1:ComplexScale Magnitude");
    Run("Zoom:S1:VScaleType Logaritm");
    EXPECT_EQ(form->VerticalScale()->GetFullMnemonic(), "Zoom:S1:VertDBScale");
    EXPECT_EQ(form->VerticalPosition()->GetFullMnemonic(), "Zoom:S1:OffsInDB");
    EXPECT_EQ(form->VerticalPosition()->Caption().toStdString(), "VERT POSITION");

    Window.show();
    form->show();
    const QImage shot = form->grab().toImage();
    const QString folder = QDir::current().absoluteFilePath("screenshots");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(shot.save(folder + "/zoom_menu_scaling_db.png", "PNG"));
}

TEST_F(ZoomMenu, TheEnglishFileHoldsItsPagesCaptionsAndItems) {
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
        if (!file.FindRaw("Zoom_Form", key, raw, false) || !ReadLangValue(raw, text)) return std::string("<absent>");
        return text;
    };
    EXPECT_EQ(value("Menu Panel rmpZoom.Caption"), "Zoom");
    EXPECT_EQ(value("Menu Panel rmpScaling.Caption"), "Scaling");
    EXPECT_EQ(value("Menu Panel rmpZoom.rswComplexScale.Items"), "Magnitude,Phase,Real,Imaginary");
    EXPECT_EQ(value("Menu Panel rmpScaling.edswHorScale.Caption"), "HORIZ  SCALE");
}
