// The generators' and the converter's side menus offscreen: their pages bind and fit, the generator
// page follows the mode and the output, the converter's point page follows the chosen point; pictures
// of the pages and of the calibration dialog in mid-run, and the forms' texts in the English file.
#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <fstream>

#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/LanguageFile.h"
#include "core/LanguageState.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/language_setup.h"
#include "core/temp_folder.h"
#include "link/AdjustmentCommands.h"
#include "link/InstrumentIdentity.h"
#include "test_sidemenu_support.h"
#include "UiTestSupport.h"
#include "ui/SideMenuLanguage.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/controls/ListBoxSwitcher.h"
#include "ui/dialogs/OEConvCalibrationForm.h"
#include "ui/menus/GeneratorMenu.h"
#include "ui/menus/OEConvMenu.h"
#include "ui/menus/TimebaseChannelsMenus.h"
#include "ui/menus/TriggerMenu.h"

using namespace vt;
using namespace vt::test;

namespace {

class GeneratorOEMenus : public ::testing::Test {
protected:
    GeneratorOEMenus() {
        Shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
        Shell.Records()->ResetSignalObjects();
        Values.FillRows(Shell);
        for (TUiFeature* f : {static_cast<TUiFeature*>(&Timebase), static_cast<TUiFeature*>(&Trigger),
                              static_cast<TUiFeature*>(&Generators), static_cast<TUiFeature*>(&Converter)})
            f->FillRows(Shell), f->RegisterForms(Menus);
        RegisterAllCommandHandlers(Shell);
        Window.setFont(QFont(QStringLiteral("Liberation Sans"), 8));
        Window.resize(800, 600);
        UpdateUiForInstrument(Shell, {});
    }
    ~GeneratorOEMenus() override { FlushDeletes(); }
    std::string Run(std::string_view text) { return Shell.CommandTree()->ExecuteCommandString(text, false); }
    template <class T>
    T* Open(int kind) {
        Menus.ShowSideMenu(kind, 0);
        auto* form = dynamic_cast<T*>(Menus.Form(0));
        EXPECT_TRUE(form && UnboundSwitchersOf(*form).empty()) << kind;
        const auto cut = form ? TextsThatDoNotFit(*form) : std::vector<std::string>{"no form"};
        EXPECT_TRUE(cut.empty()) << cut.front();
        Window.show();
        if (form) form->show();
        return form;
    }

    TShell Shell;
    TCalibrAdjust Values{Shell};
    TTimebaseChannelsMenus Timebase{Shell};
    TTrigMenuFeature Trigger{Shell, &Timebase.Settings().Timebase()};
    TGeneratorMenuFeature Generators{Shell, nullptr};
    TOEConvMenuFeature Converter{Shell, nullptr};
    TKitContext Kit{[this](std::string_view path) { return Shell.CommandTree()->Root().FindHandler(path); }};
    TKitHostWidget Window{Kit};
    TSideMenus Menus{Kit, &Window};
};

}  // namespace

TEST_F(GeneratorOEMenus, TheGeneratorPageFollowsTheModeAndTheOutputPageItsOutput) {
    auto* form = Open<TGenerator_Form>(mkGenerators);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->ClockPeriod()->Caption().toStdString() + form->ClockPeriod()->GetFullMnemonic(), "PERIODGen:PulsePeriod");
    Run("Gen:Mode RZ");
    EXPECT_EQ(form->ClockPeriod()->Caption().toStdString() + form->ClockPeriod()->GetFullMnemonic(), "CLOCKGen:RzClock");
    EXPECT_TRUE(form->Length()->isVisibleTo(form->Page(1)) && !form->Width()->isVisibleTo(form->Page(1)));
    Run("Gen:Mode Step");
    EXPECT_EQ(form->Delay()->GetFullMnemonic(), "Gen:StepsDelay");
    EXPECT_FALSE(form->Length()->isVisibleTo(form->Page(1)));
    Run("Gen:Mode Pulse");
    EXPECT_EQ(form->Delay()->GetFullMnemonic(), "Gen:Delay");
    SaveScreenshot(*form, "generator_menu_page1.png");

    form->OpenOutput(2);
    EXPECT_TRUE(form->Page(2)->isVisibleTo(form));
    EXPECT_EQ(form->Page(2)->GroupMnemonics() + form->Page(3)->GroupMnemonics(), "Gen:Out2FLASH:Gen:Out2");
    EXPECT_EQ(form->Page(2)->Caption().toStdString(), " Output 2 ");
    EXPECT_EQ(form->OutputLabel(2)->text().toStdString(), " Output 2");
    SaveScreenshot(*form, "generator_menu_output.png");
}

TEST_F(GeneratorOEMenus, TheConverterPagesFollowThePointsAndTheDialogShowsTheRun) {
    GiveInstrument(Shell, TInstrumentLinkKind::Demo, optOptics);
    for (int d = 1; d <= 8; ++d)
        WriteRealSetting(Shell.CommandTree(), "Shadow:OECalibr" + std::to_string(d) + ":Wavelength", d == 2 ? 1.31e-6 : 0);
    auto* form = Open<TOEConv_Form>(mkOEConverter);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->UserWavelength()->Items().front().toStdString(), "1.31 \u00B5 m");
    EXPECT_EQ(form->UserWavelength()->ItemIndex(), 0);  // the choice kept its point while the list shrank
    EXPECT_EQ(form->CalibrationPoint()->Items().mid(0, 2).join('|').toStdString(), "Empty|1.31 \u00B5 m");
    SaveScreenshot(*form, "oeconv_menu_page1.png");
    form->SetTopPanel(2);
    SaveScreenshot(*form, "oeconv_menu_dark_level.png");
    form->SetTopPanel(3);
    FindSetting<TRadioSwHandler>(Shell.CommandTree(), "FLASH:OECalibr:PointNum")->SetItemIndex(2);
    EXPECT_EQ(form->Page(3)->GroupMnemonics(), "Shadow:OECalibr3");
    EXPECT_TRUE(UnboundSwitchersOf(*form).empty());
    SaveScreenshot(*form, "oeconv_menu_wavelength_gain.png");

    // A dark-level run without a view steps on records; its dialog shows it in mid-run.
    Shell.ExecuteCommandString("OEConv:Dest Ch1");
    TOEConvCalibration& run = Converter.Converter().Calibration();
    run.Start(false, false);
    ASSERT_EQ(run.Step(), ocsDarkSearch);
    TSignalObj& record = Shell.Records()->Record(ChannelSignalIndex(2, 0));
    record.SetLength(512);
    for (int n = 0; n < 60; ++n) {
        for (int i = 0; i < 512; ++i) record.SetPoint(i, (37.3 - ReadRealSetting(Shell.CommandTree(), "FLASH:OECalibr:DarkLvl", 0)) * 0.01);
        run.AcquisitionStep();
    }
    TfrmCalibrOEConverter dialog(&Window, Shell, run);
    dialog.show();
    EXPECT_TRUE(TextsThatDoNotFit(dialog).empty());
    EXPECT_TRUE(dialog.ProgressBar()->value() > 0 && !dialog.OkButton()->isEnabled());
    SaveScreenshot(dialog, "oeconv_calibration_dialog.png");
    dialog.CancelButton()->click();
    EXPECT_EQ(run.Step(), ocsIdle);
    EXPECT_DOUBLE_EQ(ReadRealSetting(Shell.CommandTree(), "FLASH:OECalibr:DarkLvl", 0), 50);
}

TEST_F(GeneratorOEMenus, TheEnglishFileHoldsBothForms) {
    TempFolder folder;
    const test::TFormText value = test::WriteEnglishFileOfMenus(Menus, folder.Path());
    EXPECT_EQ(value("Generator_Form", "Menu Panel rmpGenerators.rswMode.Items"), "Off,Step,\"Coarse TB\",Pulse,NRZ,RZ");
    EXPECT_EQ(value("Generator_Form", "Menu Panel rmpOutput.edswDeskew.Caption"), "DESKEW / CROSSING");
    EXPECT_EQ(value("OEConv_Form", "Menu Panel rmpDarkLevel.edswCompensation.Caption"), "COMPENSATION");
    EXPECT_EQ(value("OEConv_Form", "Menu Panel rmpOEConverter.rswDestination.Items"), "\"O/E Converter\",Ch1,Ch2");
}
