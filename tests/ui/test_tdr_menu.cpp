// The TDR/TDT side menu offscreen: its pages bind and fit, the mode shows the TDR or the TDT controls
// and opens the other pages only while TDR/TDT is active, the titles follow the mode, the channel
// choice binds the channel pages, the measure page follows the source; and the wizard's dialog fits.
#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "acq/SignalSources.h"
#include "analysis/ScopeAnalysisServices.h"
#include "core/CommandTree.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "link/AdjustmentCommands.h"
#include "link/InstrumentIdentity.h"
#include "serial/ScopeSerialServices.h"
#include "test_sidemenu_support.h"
#include "UiTestSupport.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/dialogs/TdrNormalizationForm.h"
#include "ui/menus/GeneratorMenu.h"
#include "ui/menus/TdrMenu.h"
#include "ui/menus/TimebaseChannelsMenus.h"

using namespace vt;
using namespace vt::test;

namespace {

class TdrMenu : public ::testing::Test {
protected:
    TdrMenu() {
        Shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
        Shell.Records()->ResetSignalObjects();
        Values.FillRows(Shell);
        Analysis.FillRows(Shell);
        Serial.FillRows(Shell);
        for (TUiFeature* f : {static_cast<TUiFeature*>(&Timebase), static_cast<TUiFeature*>(&Generators)})
            f->FillRows(Shell), f->RegisterForms(Menus);
        Tdr = std::make_unique<TTdrMenuFeature>(Shell, Generators.Generator(), Timebase.Settings().Channels(),
                                                Timebase.Settings().Timebase(), Analysis.Services()->Math());
        Tdr->RegisterForms(Menus);
        RegisterAllCommandHandlers(Shell);
        GiveInstrument(Shell, TInstrumentLinkKind::Demo, optGenerators | optTDT);
        Window.setFont(QFont(QStringLiteral("Liberation Sans"), 8));
        Window.resize(800, 600);
        UpdateUiForInstrument(Shell, {.HasOptGenerators = true});
    }
    ~TdrMenu() override {
        Menus.ShowSideMenu(mkNone, 0);
        FlushDeletes();
    }
    std::string Run(std::string_view text) { return Shell.CommandTree()->ExecuteCommandString(text, false); }
    // Every page fits as the mode shows it: what the mode hides is the other mode's.
    static void CheckPages(TTDR_Form& form) {
        for (int page = 1; page <= 5; ++page) {
            form.SetTopPanel(page);
            const auto cut = TextsThatDoNotFit(*form.Page(page));
            EXPECT_TRUE(cut.empty()) << page << ": " << cut.front();
            for (const std::string& broken : SwitchersNotWhole(*form.Page(page))) {
                const std::string name = broken.substr(0, broken.find(':'));
                auto* w = form.Page(page)->findChild<QWidget*>(QString::fromStdString(name));
                EXPECT_FALSE(w && w->isVisibleTo(form.Page(page))) << page << ": " << broken;
            }
        }
    }
    static bool Shows(QWidget& page, const char* name) {
        auto* w = page.findChild<QWidget*>(name);
        return w && w->isVisibleTo(&page);
    }

    TShell Shell;
    TCalibrAdjust Values{Shell};
    TAnalysisFeature Analysis;
    TSerialFeature Serial;
    TTimebaseChannelsMenus Timebase{Shell};
    TGeneratorMenuFeature Generators{Shell, nullptr};
    std::unique_ptr<TTdrMenuFeature> Tdr;
    TKitContext Kit{[this](std::string_view path) { return Shell.CommandTree()->Root().FindHandler(path); }};
    TKitHostWidget Window{Kit};
    TSideMenus Menus{Kit, &Window};
};

TEST_F(TdrMenu, ThePagesFollowTheModeTheChannelAndTheSource) {
    Menus.ShowSideMenu(mkTdr, 0);
    auto* form = dynamic_cast<TTDR_Form*>(Menus.Form(0));
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(UnboundSwitchersOf(*form).empty());
    Window.show();
    form->show();
    TRC_RightMenuPanel& first = *form->Page(1);
    EXPECT_FALSE(first.findChild<QWidget*>("swChannels")->isEnabled());

    Run("TDR:Mode TDR");
    EXPECT_TRUE(first.findChild<QWidget*>("swMeasure")->isEnabled());
    CheckPages(*form);
    EXPECT_EQ(form->Page(2)->Caption().toStdString(), " TDR Channels ");
    EXPECT_TRUE(Shows(*form->Page(2), "rswVertScale") && !Shows(*form->Page(2), "rswVertTDTScale"));
    form->SetTopPanel(2);
    SaveScreenshot(*form, "tdr_menu_channels.png");

    Run("TDR:Mode TDT");
    EXPECT_EQ(form->Page(4)->Caption().toStdString(), " TDT Correction ");
    EXPECT_TRUE(Shows(*form->Page(2), "edswRefTDTZero") && !Shows(*form->Page(2), "edswBaseLine"));
    EXPECT_TRUE(Shows(*form->Page(5), "chswTdtParams") && !Shows(*form->Page(5), "chswTdrParams"));

    CheckPages(*form);
    // The channel page is the program's own choice, not a remote one; a channel that is off has none.
    Run("Ch2:Display ON");
    FindSetting<TRadioSwHandler>(Shell.CommandTree(), "Shadow:TDRChSelect")->SetItemIndex(1);
    EXPECT_EQ(form->Page(2)->GroupMnemonics() + form->Page(4)->GroupMnemonics(), "TDR:Ch2TDR:Ch2");
    Run("TDR:Measure ON");
    Run("TDR:Source NormCh2");
    EXPECT_EQ(form->Page(5)->GroupMnemonics(), "TDR:NormCh2");
    EXPECT_TRUE(form->NormalizedLabel()->isVisibleTo(form->Page(5)));
    form->SetTopPanel(5);
    SaveScreenshot(*form, "tdr_menu_measure.png");

    Run("TDR:HorScale Meter");
    Run("TDR:Unit DielConst");
    auto* propagation = form->Page(3)->findChild<TRC_EditSwitcher*>("edswPropagation");
    ASSERT_NE(propagation, nullptr);
    EXPECT_EQ(propagation->GetFullMnemonic(), "TDR:DielConst");
    EXPECT_EQ(propagation->Caption().toStdString(), "DIELECTRIC CONST");

    // Off: back on the first page with the other pages closed.
    Run("TDR:Mode Off");
    EXPECT_FALSE(first.findChild<QWidget*>("swCorrection")->isEnabled());

    auto* serial = dynamic_cast<TScopeSerialServices*>(&Shell.Serial());
    ASSERT_NE(serial, nullptr);
    TfrmTDR_TDT_Normalization dialog(&Window, Shell, serial->TdrNormalization());
    dialog.show();
    EXPECT_TRUE(TextsThatDoNotFit(dialog).empty());
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    EXPECT_EQ(dialog.pos() - Window.geometry().topLeft(), QPoint(360, 105));
}

}  // namespace
