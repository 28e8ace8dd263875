// The channels and timebase side menus offscreen: every switcher binds in either slot and its caption
// fits, a command shows at once in an open menu and in the strip, a change in a menu or the strip goes
// back into the settings, and the timebase's mode and unit rebind the strip's scale edit.
#include <gtest/gtest.h>

#include <QFont>
#include <QFontMetrics>
#include <QTest>

#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/Shell.h"
#include "test_sidemenu_support.h"
#include "test_switcher_support.h"
#include "ui/PermanentControls.h"
#include "ui/SideMenu.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/menus/ChannelsMenu.h"
#include "ui/menus/TimebaseChannelsMenus.h"
#include "ui/menus/TimebaseMenu.h"

using namespace vt;
using namespace vt::test;

namespace {

class TimebaseChannelsMenus : public ::testing::Test {
protected:
    TimebaseChannelsMenus() {
        Shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
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
    ~TimebaseChannelsMenus() override {
        Shell.SetWindowBindings(nullptr);
        FlushDeletes();
    }
    std::string Run(std::string_view text) { return Shell.CommandTree()->ExecuteCommandString(text, false); }
    template <class T>
    T* StripControl(const char* name) {
        return Strip->findChild<T*>(QLatin1String(name));
    }
    template <class T>
    T* MenuControl(int side, const char* name) {
        return Menus.Form(side)->findChild<T*>(QLatin1String(name));
    }

    TShell Shell;
    TTimebaseChannelsMenus Feature{Shell};
    TKitContext Kit{[this](std::string_view path) { return Shell.CommandTree()->Root().FindHandler(path); }};
    TKitHostWidget Window{Kit};
    TRC_RightMenuPanel* Strip = nullptr;
    TSideMenus Menus{Kit, &Window};
    std::unique_ptr<TPermanentControlsBindings> Bindings;
};

// Captions that do not fit their control, as "object: caption": a title has the width less its
// margins, a radio or check item its button less the indicator.
std::vector<std::string> CutCaptions(const TSideMenuForm& form) {
    std::vector<std::string> cut;
    for (TRC_RightMenuPanel* page : form.Pages()) {
        for (TRC_Switcher* sw : SwitchersOf(*page)) {
            const QFontMetrics m(sw->font());
            if (m.horizontalAdvance(sw->Caption()) > sw->width() - 12)
                cut.push_back(sw->objectName().toStdString() + ": " + sw->Caption().toStdString());
            if (auto* poly = dynamic_cast<TRC_PolyButtonSwitcher*>(sw))
                for (int i = 0; i < poly->ButtonCount(); ++i)
                    if (m.horizontalAdvance(poly->Button(i).Caption()) + 20 > poly->Button(i).width())
                        cut.push_back(sw->objectName().toStdString() + ": " + poly->Button(i).Caption().toStdString());
        }
    }
    return cut;
}

}  // namespace

TEST_F(TimebaseChannelsMenus, BothFormsBindEverySwitcherInEitherSlotAndTheirCaptionsFit) {
    for (int side : {0, 1}) {
        for (int kind : {mkChannels, mkTimebase}) {
            Menus.ShowSideMenu(kind, side);
            TSideMenuForm* form = Menus.Form(side);
            ASSERT_NE(form, nullptr);
            std::vector<std::string> unbound = UnboundSwitchersOf(*form);
            // The low-jitter switch stays hidden: the trigger it would show is not offered.
            std::erase_if(unbound, [](const std::string& s) { return s.find("Trig:LowJitter") != std::string::npos; });
            EXPECT_TRUE(unbound.empty()) << kind << " side " << side << ": " << unbound.front();
            EXPECT_TRUE(CutCaptions(*form).empty()) << kind << ": " << CutCaptions(*form).front();
            FlushDeletes();
        }
    }
    // Each slot's channel menu follows its own selection: left shows Ch1, right Ch2.
    Menus.ShowSideMenu(mkChannels, 1);
    Menus.ShowSideMenu(mkChannels, 0);
    auto* left = dynamic_cast<TUsil_Form*>(Menus.Form(1));
    auto* right = dynamic_cast<TUsil_Form*>(Menus.Form(0));
    ASSERT_TRUE(left && right);
    EXPECT_EQ(left->SelectedChannel(), ChannelIndex1);
    EXPECT_EQ(right->SelectedChannel(), ChannelIndex2);
    EXPECT_EQ(right->MainPage()->GroupMnemonics(), "CH2");
    EXPECT_EQ(right->MainPage()->Caption().toStdString(), "Channel 2");
    EXPECT_EQ(right->ContinuePage()->Caption().toStdString(), "Channel 2 (cont.)");
    // The selection is a shadow setting (no remote command): pressed in the menu.
    QTest::mouseClick(&right->findChild<TRC_RadioSwitcher*>("rswSelect")->Button(0), Qt::LeftButton);
    EXPECT_EQ(right->SelectedChannel(), ChannelIndex1);
    EXPECT_EQ(right->ContinuePage()->GroupMnemonics(), "CH1");
}

TEST_F(TimebaseChannelsMenus, CommandsShowAtOnceAndMenuOrStripChangesReachTheSettings) {
    Menus.ShowSideMenu(mkChannels, 1);
    Menus.ShowSideMenu(mkTimebase, 0);
    auto* menuScale = MenuControl<TRC_EditSwitcher>(1, "edswScale");
    auto* stripScale = StripControl<TRC_EditSwitcher>("edswCh1Scale");
    ASSERT_TRUE(menuScale && stripScale);
    Run("Ch1:Scale 0.1");
    EXPECT_EQ(menuScale->GetHandler(), stripScale->GetHandler());
    EXPECT_EQ(dynamic_cast<TEditHandler*>(menuScale->GetHandler())->FormatValue(false), "100 mV/div");

    // The attenuation edit follows the unit switch.
    auto* atten = MenuControl<TRC_EditSwitcher>(1, "edswAttenuation");
    Run("Ch1:Atten:Unit DB");
    EXPECT_EQ(atten->GetFullMnemonic(), "CH1:Atten:DB");
    Run("Ch1:Atten:Unit Ratio");
    EXPECT_EQ(atten->GetFullMnemonic(), "CH1:Atten:Ratio");

    // A press in the menu and in the strip changes the setting.
    auto* band = MenuControl<TRC_RadioSwitcher>(1, "rswBand");
    QTest::mouseClick(&band->Button(1), Qt::LeftButton);
    EXPECT_EQ(Run("Ch1:Band?"), "CH1:BAND NARROW");
    auto* stripDisplay = StripControl<TRC_OnOffCheckSwitcher>("chswCh2Display");
    ASSERT_NE(stripDisplay, nullptr);
    QTest::mouseClick(&stripDisplay->Button(0), Qt::LeftButton);
    EXPECT_EQ(Run("Ch2:Display?"), "CH2:DISPLAY OFF");

    // Mode B and unit Bits rebind the strip's horizontal scale edit and the menu's scale edits.
    auto* stripTime = StripControl<TRC_EditSwitcher>("edswTBScaleA");
    Run("TB:Mode B");
    EXPECT_EQ(stripTime->GetFullMnemonic(), "TB:ScaleB");
    EXPECT_EQ(stripTime->Caption().toStdString(), "SCALE B");
    Run("TB:Units Bit");
    EXPECT_EQ(stripTime->GetFullMnemonic(), "TB:BitScaleB");
    auto* form = dynamic_cast<TTB_Form*>(Menus.Form(0));
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->ScaleA()->GetFullMnemonic(), "TB:BitScaleA");
    EXPECT_EQ(form->ScaleB()->GetHandler(), Shell.CommandTree()->Root().FindHandler("TB:BitScaleB"));
    Run("TB:Mode A;Units Time");
    EXPECT_EQ(stripTime->GetFullMnemonic(), "TB:ScaleA");
    EXPECT_EQ(form->ScaleA()->GetFullMnemonic(), "TB:ScaleA");
}
