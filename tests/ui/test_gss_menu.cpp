// The "Demo Signal" side menu offscreen: its pages, the controls each waveform shows, the rebinding
// on "Generator", captions that fit, and a picture of page 1 for a TDR generator.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFontInfo>
#include <fstream>
#include <QFontMetrics>
#include <QImage>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTest>

#include "core/CommandTree.h"
#include "core/EditHandlers.h"
#include "core/LanguageFile.h"
#include "core/LanguageState.h"
#include "core/language_setup.h"
#include "core/temp_folder.h"
#include "core/Shell.h"
#include "link/UtilSettings.h"
#include "test_sidemenu_support.h"
#include "UiTestSupport.h"
#include "ui/SideMenuLanguage.h"
#include "ui/UtilFeature.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/controls/LabelSwitcher.h"
#include "ui/controls/ListBoxSwitcher.h"
#include "ui/menus/GssMenu.h"

using namespace vt;
using namespace vt::test;

namespace {

class GssMenu : public ::testing::Test {
protected:
    GssMenu() {
        Shell.SetCommandTree(CreateCommandTree());
        CreateUtilHandlers(Shell);
        MainWindow.setFont(QFont(QStringLiteral("Liberation Sans"), 8));
        MainWindow.resize(800, 600);
        Feature.RegisterForms(Menus);
    }
    ~GssMenu() override { FlushDeletes(); }
    void SetUp() override { Open(); }
    void Open() {
        Menus.ShowSideMenu(mkSimGenerator, 0);
        Form = dynamic_cast<TGSS_Form*>(Menus.Form(0));
    }
    bool Shown(const char* name) const { return Form->Control(name)->isVisibleTo(Form); }
    // A click on the button of a page button (below its title).
    void Click(const char* name) {
        TRC_Switcher* sw = Form->Control(name);
        QTest::mouseClick(sw, Qt::LeftButton, {}, QPoint(sw->width() / 2, sw->height() - 8));
    }
    THandler* Setting(std::string_view path) { return Shell.CommandTree()->Root().FindHandler(path); }
    void Exec(const std::string& command) { Shell.ExecuteCommandString(command); }

    TShell Shell;
    TKitContext Kit{[this](std::string_view path) { return Shell.CommandTree()->Root().FindHandler(path); }};
    QWidget MainWindow;
    TSideMenus Menus{Kit, &MainWindow};
    TUtilFeature Feature;
    TGSS_Form* Form = nullptr;
};

TEST_F(GssMenu, PagesFollowTheWaveformAndTheChosenGenerator) {
    ASSERT_NE(Form, nullptr);
    EXPECT_EQ(Form->objectName(), "GSS_Form");
    EXPECT_EQ(Form->Pages().size(), 5u);
    EXPECT_TRUE(UnboundSwitchersOf(*Form).empty()) << UnboundSwitchersOf(*Form).front();
    EXPECT_TRUE(Form->Page(1)->isVisibleTo(Form));

    // Generator A, a sine: amplitude and frequency, no TDR controls.
    EXPECT_TRUE(Shown("swAmplitude") && Shown("swFrequency") && Shown("swTiming"));
    EXPECT_FALSE(Shown("swOvershot") || Shown("swTdrCircuit") || Shown("swTdtCircuit") || Shown("swMore"));
    Exec("GSS:A:Waweform TDR");
    EXPECT_FALSE(Shown("swAmplitude") || Shown("swFrequency") || Shown("swTiming") || Shown("swAmplitudePage"));
    EXPECT_TRUE(Shown("swOvershot") && Shown("swTdrDroop") && Shown("swTdrCircuit") && Shown("swMore"));
    EXPECT_FALSE(Shown("swTdtCircuit"));
    Exec("GSS:A:Waweform TDT");
    EXPECT_TRUE(Shown("swTdtCircuit"));
    EXPECT_FALSE(Shown("swTdrCircuit"));

    // "Generator" B: every generator page moves to B's settings, and B's waveform decides.
    static_cast<TRadioSwHandler*>(Setting("SHADOW:GssSelect"))->SetItemIndex(1);
    EXPECT_EQ(Form->Control("swWaveform")->GetHandler(), Setting("GSS:B:Waweform"));
    EXPECT_EQ(Form->Control("swNoise")->GetHandler(), Setting("GSS:B:Noise"));
    EXPECT_EQ(Form->Control("swDivider")->GetHandler(), Setting("GSS:B:SubRateDiv"));
    EXPECT_EQ(Form->Control("swChannel1")->GetHandler(), Setting("GSS:Ch1")) << "the routing stays put";
    EXPECT_TRUE(Shown("swAmplitude"));
    EXPECT_FALSE(Shown("swTdtCircuit"));
    Exec("GSS:Ch2 C");  // the routing chooses the generator shown
    EXPECT_EQ(Form->Control("swWaveform")->GetHandler(), Setting("GSS:C:Waweform"));

    // The page buttons.
    MainWindow.show();
    Click("swTiming");
    EXPECT_TRUE(Form->Page(2)->isVisibleTo(Form));
    EXPECT_EQ(Menus.Slots().RememberedPage(0, mkSimGenerator), 2);
    EXPECT_TRUE(Shown("swPulseWidth"));
    EXPECT_FALSE(Shown("swDetJitter"));
    auto* rates = dynamic_cast<TRC_ListBoxSwitcher*>(Form->Control("swStdFreq"));
    ASSERT_NE(rates, nullptr);
    EXPECT_EQ(rates->List().count(), 50) << "Custom and the 49 standard rates";
    Click("swBack2");
    EXPECT_TRUE(Form->Page(1)->isVisibleTo(Form));
    Form->SetTopPanel(9);
    EXPECT_TRUE(Form->Page(1)->isVisibleTo(Form)) << "beyond page 5: page 1";
}

// Generator C routed to Ch1 before the menu first opens: every page shows and steps C's settings, A's
// keep their start values, and the noise reads in the engineering form of the other fields.
class GssMenuFirstOpened : public GssMenu {
    void SetUp() override {}
};

TEST_F(GssMenuFirstOpened, AfterARoutingEveryPageShowsTheRoutedGenerator) {
    Exec("GSS:Ch1 C");
    Open();
    ASSERT_NE(Form, nullptr);
    MainWindow.show();
    const std::pair<const char*, const char*> fields[] = {{"swWaveform", "GSS:C:Waweform"},
                                                          {"swNoise", "GSS:C:Noise"},
                                                          {"swOffset", "GSS:C:Offset"},
                                                          {"swJitter", "GSS:C:Jitter"},
                                                          {"swDivider", "GSS:C:SubRateDiv"}};
    for (const auto& [control, setting] : fields)
        EXPECT_EQ(Form->Control(control)->GetHandler(), Setting(setting)) << control;
    // C's start values: 5 mV of noise, -0.25 V of offset, 5 ps of jitter.
    auto shown = [&](const char* control) {
        auto* label = dynamic_cast<TRC_LabelSwitcher*>(Form->Control(control));
        return label ? label->ValueText().toStdString() : std::string("<none>");
    };
    EXPECT_EQ(shown("swNoise"), "5 mV");
    EXPECT_EQ(shown("swOffset"), "-0.25 V");
    EXPECT_EQ(shown("swJitter"), "5 ps");
    // One step up of the noise (a tenth of it) changes C's, not A's.
    Click("swAmplitudePage");
    ASSERT_TRUE(Form->Page(3)->isVisibleTo(Form));
    auto* noise = dynamic_cast<TRC_EditSwitcher*>(Form->Control("swNoise"));
    ASSERT_NE(noise, nullptr);
    QTest::mouseClick(noise, Qt::LeftButton, {}, noise->ArrowRect(0).center());
    auto value = [&](const char* path) { return dynamic_cast<TEditHandler&>(*Setting(path)).GetValueAsDouble(); };
    EXPECT_NEAR(value("GSS:C:Noise"), 0.0055, 1e-12);
    EXPECT_DOUBLE_EQ(value("GSS:A:Noise"), 0.002);
}

// The room of each text as the controls draw it: a switcher's title inside its frame, a page's caption
// in its frame line, a radio item beside its indicator, a list item in the combo box's field.
TEST_F(GssMenu, EveryCaptionAndItemFitsItsControl) {
    MainWindow.show();  // the lists take their width when shown
    for (TRC_RightMenuPanel* page : Form->Pages()) page->show();
    std::vector<std::string> cut;
    std::string detail;
    auto check = [&](const QFontMetrics& fm, const QString& text, int room) {
        if (fm.horizontalAdvance(text) <= room) return;
        cut.push_back(text.toStdString());
        detail += "\"" + text.toStdString() + "\" " + std::to_string(fm.horizontalAdvance(text)) + "/" +
                  std::to_string(room) + " ";
    };
    // The form takes a smaller font for its items; its section titles keep the size of every other page's.
    const int titleSize = QFontInfo(QApplication::font()).pixelSize();
    for (TRC_RightMenuPanel* page : Form->Pages()) {
        check(QFontMetrics(page->CaptionFont()), page->Caption(), page->width() - 16);
        EXPECT_EQ(QFontInfo(page->CaptionFont()).pixelSize(), titleSize) << page->Caption().toStdString();
        for (TRC_Switcher* sw : SwitchersOf(*page)) {
            const QFontMetrics fm(sw->font());
            if (!sw->Caption().isEmpty()) {
                EXPECT_EQ(QFontInfo(sw->TitleFont()).pixelSize(), titleSize) << sw->Caption().toStdString();
            }
            check(QFontMetrics(sw->TitleFont()), sw->Caption(), sw->TitleRoom());
            EXPECT_LE(sw->geometry().bottom(), page->height() - 2) << sw->Caption().toStdString() << " below the page";
            if (auto* poly = dynamic_cast<TRC_PolyButtonSwitcher*>(sw)) {
                const int indicator = sw->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) + 4;
                for (int i = 0; i < poly->ButtonCount(); ++i)
                    check(QFontMetrics(poly->Button(i).CaptionFont()), poly->Button(i).Caption(),
                          poly->Button(i).width() - indicator);
            }
            if (auto* list = dynamic_cast<TRC_ListBoxSwitcher*>(sw)) {
                QStyleOptionComboBox opt;
                opt.initFrom(&list->List());
                const QRect field =
                    list->List().style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, &list->List());
                for (int i = 0; i < list->List().count(); ++i) {
                    const QString item = list->List().itemText(i);
                    check(QFontMetrics(FittedFont(list->List().font(), item, field.width() - 2)), item, field.width() - 2);
                }
            }
        }
    }
    // "6dB/3ns Attenuator" is wider than the combo box's field at the menu's font: it shrinks to fit.
    EXPECT_TRUE(cut.empty()) << detail;
}

TEST_F(GssMenu, ScreenshotOfTheFirstPageForATdrGenerator) {
    Exec("GSS:A:Waweform TDR");
    Exec("GSS:A:TDRCircuit Open");
    MainWindow.show();
    Form->show();
    const QImage shot = Form->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    const QString folder = QDir::current().absoluteFilePath("screenshots");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(shot.save(folder + "/gss_menu_tdr_page1.png", "PNG"));
}

TEST_F(GssMenu, TheEnglishFileHoldsItsPagesCaptionsAndItems) {
    Menus.ShowSideMenu(mkNone, 0);  // the file is written from a form of its own
    FlushDeletes();
    TempFolder folder;
    const test::TFormText text = test::WriteEnglishFileOfMenus(Menus, folder.Path());
    auto value = [&text](std::string_view key) { return text("GSS_Form", key); };
    EXPECT_EQ(value("Menu Panel rmpPage1.Caption"), "Demo Signal");
    EXPECT_EQ(value("Menu Panel rmpPage5.Caption"), " More Parameters ");
    EXPECT_EQ(value("Menu Panel rmpPage1.swTdrCircuit.Caption"), "TDR Circuit");
    EXPECT_EQ(value("Menu Panel rmpPage1.swChannel2.Items"), "Off,\"Generator A\",\"Generator B\",\"Generator C\",\"Generator D\"");
    EXPECT_EQ(value("Menu Panel rmpPage1.swGenerator.Items"), "A,B,C,D");
    EXPECT_EQ(value("Menu Panel rmpPage2.swDetJitter.Caption"), "Deterministic Jitter...");
    EXPECT_EQ(value("Menu Panel rmpPage3.swLengthFunction.Items"), "\"2^n - 1\",2^n");
    EXPECT_EQ(value("Menu Panel rmpPage4.lbDataDependent.Caption"), "Data Dependent Jitter");
}

}  // namespace
