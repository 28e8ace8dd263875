// The standard-mask picker opened from the mask menu on the shipped standards: it shows the current
// mask's row, a row chosen loads that mask at once, Cancel takes the change back in one undo step and
// leaves the user's earlier steps alone, OK keeps it; a remote choice marks its row, the context help
// names the standard's topic and the picker opens again where it was left. Every text fits.
// The picker goes to screenshots/std_mask_picker.png.
// Both mask dialogs write their texts into the English language file and show the language chosen
// when they open, a switched one included; the German ones go to screenshots/*_deu.png.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFont>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>

#include "UiTestSupport.h"
#include "core/CommandTree.h"
#include "core/LanguageFile.h"
#include "core/LanguageState.h"
#include "core/MenuKinds.h"
#include "core/language_setup.h"
#include "core/temp_folder.h"
#include "serial/MaskTestSupport.h"
#include "test_switcher_support.h"
#include "ui/SideMenu.h"
#include "ui/SideMenuLanguage.h"
#include "ui/controls/CommandSwitchers.h"
#include "ui/dialogs/StdMaskForm.h"
#include "ui/dialogs/StdMaskStoreForm.h"
#include "ui/menus/MaskMenu.h"

namespace vt::test {
namespace {

// What of the picker is not shown whole: switches, and texts wider than their room (switch titles,
// tabs, visible column titles, buttons).
std::vector<std::string> PickerTextsThatDoNotFit(TStdMaskFrm& picker) {
    std::vector<std::string> cut = TextsThatDoNotFit(picker);
    for (const std::string& broken : SwitchersNotWhole(picker)) cut.push_back(broken);
    const QFontMetrics tabs(picker.Tabs().font());
    for (int i = 0; i < picker.Tabs().count(); ++i)
        if (tabs.horizontalAdvance(picker.Tabs().tabText(i)) > picker.Tabs().tabRect(i).width())
            cut.push_back("tab: " + picker.Tabs().tabText(i).toStdString());
    QTreeWidget& list = picker.MaskList();
    const QFontMetrics header(list.header()->font());
    for (int c = 0; c < list.columnCount(); ++c)
        if (!list.isColumnHidden(c) && header.horizontalAdvance(list.headerItem()->text(c)) + 8 > list.columnWidth(c))
            cut.push_back("column: " + list.headerItem()->text(c).toStdString());
    for (const QPushButton* b : picker.findChildren<QPushButton*>())
        if (QFontMetrics(b->font()).horizontalAdvance(b->text()) + 8 > b->width()) cut.push_back("button: " + b->text().toStdString());
    return cut;
}

void ClickRow(QTreeWidget& list, int row) {
    const QRect rect = list.visualItemRect(list.topLevelItem(row));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, rect.center());
}

TEST(StdMaskPicker, ChoosesAStandardMaskAndCancelTakesItBackInOneUndo) {
    TempFolder folder;
    TMaskRig rig;
    rig.Shell.Folders.StdMaskFolder = folder.Path().string() + "/";
    rig.Shell.Serial().RefreshStdMaskFamily();  // the shipped standards
    const std::string empty = rig.State();
    rig.Run("StdMask:MaskIndex 0");
    const std::string stm1 = rig.State();
    ASSERT_EQ(rig.Mask().Mask().MskNm, "STM-1/OC-3 Optical");

    TKitContext kit{[&rig](std::string_view path) { return rig.Shell.CommandTree()->Root().FindHandler(path); }};
    TKitHostWidget window{kit};
    window.setFont(QFont(QStringLiteral("Liberation Sans"), 8));
    window.resize(800, 600);
    TSideMenus menus{kit, &window};
    TMaskMenuFeature feature(rig.Shell);
    feature.RegisterForms(menus);
    std::vector<int> topics;
    feature.ShowHelp = [&topics](int topic) { topics.push_back(topic); };
    menus.ShowSideMenu(mkMask, 0);
    auto* menu = dynamic_cast<TMask_Form*>(menus.Form(0));
    ASSERT_NE(menu, nullptr);
    menu->SetTopPanel(4);
    const auto press = [menu](const char* name) {
        TRC_RightPassiveCommandSwitcher* button = menu->Button(name);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(30, button->height() - 10));
    };

    // First opening: STM-1's row is marked, STM-4 is chosen and loaded, then Cancel.
    int runs = 0;
    feature.DialogRunner = [&](QDialog& dialog) {
        ++runs;
        auto* picker = dynamic_cast<TStdMaskFrm*>(&dialog);
        EXPECT_NE(picker, nullptr);
        if (!picker) return int(QDialog::Rejected);
        picker->show();
        EXPECT_TRUE(feature.PickerOpen());
        EXPECT_EQ(picker->windowTitle(), "Standard Mask");
        EXPECT_EQ(picker->Tabs().count(), 1);
        EXPECT_EQ(picker->Tabs().tabText(0), "SONET/SDH Optical (ITU-T G.957)");
        QTreeWidget& list = picker->MaskList();
        EXPECT_EQ(list.topLevelItemCount(), 2);
        // The shipped masks name their line type: its column shows, 100 wide, the bit rate 120.
        EXPECT_FALSE(list.isColumnHidden(1));
        EXPECT_EQ(list.columnWidth(1), 100);
        EXPECT_EQ(list.columnWidth(2), 120);
        EXPECT_EQ(list.topLevelItem(0)->text(2), "155.52 Mbps");
        // Every row names its line, STM-4 as well as STM-1.
        for (int row = 0; row < list.topLevelItemCount(); ++row)
            EXPECT_EQ(list.topLevelItem(row)->text(1), "NRZ optical") << list.topLevelItem(row)->text(0).toStdString();
        EXPECT_TRUE(list.topLevelItem(0)->isSelected());
        EXPECT_FALSE(picker->OkButton().isEnabled()) << "marking the current row is no choice";
        EXPECT_EQ(PickerTextsThatDoNotFit(*picker), std::vector<std::string>{});

        ClickRow(list, 1);
        EXPECT_EQ(rig.Mask().Mask().MskNm, "STM-4/OC-12 Optical");
        EXPECT_EQ(rig.Mask().Mask().MskI, 1);
        EXPECT_TRUE(list.topLevelItem(1)->isSelected());
        EXPECT_TRUE(picker->OkButton().isEnabled());
        EXPECT_TRUE(picker->ChangedMask());
        SaveScreenshot(*picker, "std_mask_picker.png");
        picker->move(250, 150);
        QTest::mouseClick(picker->findChild<QPushButton*>("btnCancel"), Qt::LeftButton);
        return picker->result();
    };
    press("swStandardMask");
    ASSERT_EQ(runs, 1);
    EXPECT_FALSE(feature.PickerOpen());
    EXPECT_EQ(rig.State(), stm1) << "Cancel puts the mask back";
    // The user's own earlier step is still there to undo.
    rig.Undo();
    EXPECT_EQ(rig.State(), empty);
    rig.Run("StdMask:MaskIndex 0");
    ASSERT_EQ(rig.State(), stm1);

    // Second opening, where the first was left: a remote choice marks its row, the context help names
    // the standard's topic, STM-4 chosen and kept with OK.
    feature.DialogRunner = [&](QDialog& dialog) {
        ++runs;
        auto& picker = dynamic_cast<TStdMaskFrm&>(dialog);
        picker.show();
        EXPECT_EQ(picker.pos(), QPoint(250, 150));
        QTreeWidget& list = picker.MaskList();
        ClickRow(list, 1);
        EXPECT_EQ(rig.Mask().Mask().MskNm, "STM-4/OC-12 Optical");
        rig.Run("StdMask:MaskIndex 0");
        EXPECT_EQ(rig.Mask().Mask().MskNm, "STM-1/OC-3 Optical");
        EXPECT_TRUE(list.topLevelItem(0)->isSelected());
        EXPECT_FALSE(list.topLevelItem(1)->isSelected());

        QTest::mouseClick(&picker.HelpButton(), Qt::LeftButton);
        EXPECT_TRUE(picker.HelpMode());
        QTest::mouseClick(&picker, Qt::LeftButton, {}, list.geometry().center());
        EXPECT_FALSE(picker.HelpMode());
        EXPECT_EQ(topics, std::vector<int>{981}) << "a SONET standard";

        ClickRow(list, 1);
        QTest::mouseClick(&picker.OkButton(), Qt::LeftButton);
        return picker.result();
    };
    press("swStandardMask");
    ASSERT_EQ(runs, 2);
    EXPECT_EQ(rig.Mask().Mask().MskNm, "STM-4/OC-12 Optical");
    EXPECT_EQ(rig.Mask().Mask().MskI, 1);
    ASSERT_NE(rig.Mask().MaskObject(), nullptr);

    // "Save Mask As Std" opens the store dialog on the current mask.
    feature.DialogRunner = [&](QDialog& dialog) {
        ++runs;
        EXPECT_NE(dynamic_cast<TfrmStdMaskStoreDlg*>(&dialog), nullptr);
        return int(QDialog::Rejected);
    };
    press("swSaveMaskAsStd");
    EXPECT_EQ(runs, 3);
    EXPECT_EQ(rig.Mask().Mask().MskNm, "STM-4/OC-12 Optical");

    // Both dialogs write their texts into the English language file and show the language chosen when
    // they open, a switched one included.
    TempFolder langFolder;
    TMaskTest& mask = rig.Mask();
    const auto picker = [&] { return std::make_unique<TStdMaskFrm>(rig.Shell, mask, &kit, &window); };
    const auto store = [&] {
        return std::make_unique<TfrmStdMaskStoreDlg>(rig.Shell, mask.Mask(), mask.Standards(), [] {}, &window);
    };

    // Only German at the first start: the English file is written, the mask feature's two dialogs
    // among its forms.
    const std::filesystem::path deu = langFolder / "Language-Vlt.Deu", eng = langFolder / "Language-Vlt.Eng";
    std::ofstream(deu, std::ios::binary) << "[Common]\nCommon:Language=Deutsch\n";
    {
        TLanguageState first(QuietLanguageSetup(langFolder.Path()));
        first.InitLanguages();
        TEnglishFileForms forms;
        forms.DialogOwner = &window;
        std::vector<std::string> names;
        feature.AddDialogsToEnglishFile([&](std::string_view name, std::function<QWidget*(QWidget*)> create) {
            names.emplace_back(name);
            forms.Dialogs.push_back(std::move(create));
        });
        EXPECT_EQ(names, (std::vector<std::string>{"TStdMaskFrm", "TfrmStdMaskStoreDlg"}));
        ASSERT_TRUE(CreateEnglishLanguageFile(first, forms));
    }
    // The translator's German: the English file with these texts replaced; each key must be one the
    // English file has, with the English text.
    std::filesystem::copy_file(eng, deu, std::filesystem::copy_options::overwrite_existing);
    TLangIniFile german(deu);
    german.WriteLangString("Common", "Language", "Deutsch");
    const struct {
        const char* Form;
        const char* Key;
        const char* English;
        const char* German;
    } texts[] = {
        {"StdMaskFrm", "Caption", "Standard Mask", "Standardmaske"},
        {"StdMaskFrm", "oswAlignment.Caption", "Alignment", "Ausrichtung"},
        {"StdMaskFrm", "oswMargins.Caption", "Margins", "Toleranzen"},
        {"StdMaskFrm", "edswMargins.Caption", "Margin", "Toleranz"},
        {"StdMaskFrm", "lvMaskList.Column[0]", "Mask Name", "Maskenname"},
        {"StdMaskFrm", "lvMaskList.Column[1]", "Line Impedance", "Impedanz"},
        {"StdMaskFrm", "btnCancel.Caption", "Cancel", "Abbrechen"},
        {"StdMaskFrm", "btnHelp.Caption", "Help", "Hilfe"},
        {"frmStdMaskStoreDlg", "Caption", "Save Mask As Standard Eye Mask", "Maske als Standard-Augenmaske speichern"},
        {"frmStdMaskStoreDlg", "lbMaskName.Caption", "Mask Name:", "Maskenname:"},
        {"frmStdMaskStoreDlg", "lbFileName.Caption", "File Name:", "Dateiname:"},
        {"frmStdMaskStoreDlg", "lbSelectStandard.Caption", "Select Standard:", "Standard w\xC3\xA4hlen:"},
        {"frmStdMaskStoreDlg", "cbMarginsEnablity.Caption", "Margins Enable", "Toleranzen erlauben"},
        {"frmStdMaskStoreDlg", "btnCancel.Caption", "Cancel", "Abbrechen"},
    };
    for (const auto& t : texts) {
        std::string raw, english;
        ASSERT_TRUE(german.FindRaw(t.Form, t.Key, raw, false)) << t.Form << ":" << t.Key;
        EXPECT_TRUE(ReadLangValue(raw, english));
        EXPECT_EQ(english, t.English) << t.Form << ":" << t.Key;
        german.WriteLangString(t.Form, t.Key, t.German);
    }
    german.SaveUtf16();
    std::string unit;
    EXPECT_TRUE(german.FindRaw("StdMaskFrm", "edswMargins.Dimension", unit, false)) << "written bound";
    EXPECT_EQ(unit.find("undefined"), std::string::npos) << unit;

    // The next start in English; the switch to German reaches every later opening of both.
    rig.Shell.SetLanguage(std::make_unique<TLanguageState>(QuietLanguageSetup(langFolder.Path())));
    TLanguageState& language = rig.Shell.Language();
    language.StoreChosenCode("ENG");
    language.InitLanguages();
    EXPECT_EQ(picker()->windowTitle(), "Standard Mask");
    EXPECT_EQ(store()->findChild<QLabel*>("lbSelectStandard")->text(), "Select Standard:");
    ASSERT_TRUE(language.SwitchLanguage(0));  // DEU comes first

    const auto inGerman = [&](QWidget& form, const char* section) {
        for (const auto& t : texts) {
            if (std::string_view(t.Form) != section) continue;
            const std::string key(t.Key);
            const std::string name = key.substr(0, key.find('.'));
            QString shown;
            if (key == "Caption") shown = form.windowTitle();
            else if (auto* sw = dynamic_cast<TRC_Switcher*>(form.findChild<QWidget*>(QString::fromStdString(name))))
                shown = sw->Caption();
            else if (auto* b = form.findChild<QAbstractButton*>(QString::fromStdString(name))) shown = b->text();
            else if (auto* l = form.findChild<QLabel*>(QString::fromStdString(name))) shown = l->text();
            else if (auto* list = form.findChild<QTreeWidget*>(QString::fromStdString(name)))
                shown = list->headerItem()->text(key.back() == ']' ? key[key.size() - 2] - '0' : 0);
            EXPECT_EQ(shown.toStdString(), t.German) << section << ":" << key;
        }
    };
    std::unique_ptr<TStdMaskFrm> pickerDeu = picker();
    pickerDeu->show();
    inGerman(*pickerDeu, "StdMaskFrm");
    EXPECT_EQ(PickerTextsThatDoNotFit(*pickerDeu), std::vector<std::string>{});
    SaveScreenshot(*pickerDeu, "std_mask_picker_deu.png");

    std::unique_ptr<TfrmStdMaskStoreDlg> storeDeu = store();
    storeDeu->show();
    inGerman(*storeDeu, "frmStdMaskStoreDlg");
    std::vector<std::string> cut = TextsThatDoNotFit(*storeDeu);
    for (const QLabel* l : storeDeu->findChildren<QLabel*>())
        if (QFontMetrics(l->font()).horizontalAdvance(l->text()) > l->width()) cut.push_back(l->text().toStdString());
    for (const QAbstractButton* b : storeDeu->findChildren<QAbstractButton*>())
        if (QFontMetrics(b->font()).horizontalAdvance(b->text()) + 24 > b->width()) cut.push_back(b->text().toStdString());
    EXPECT_EQ(cut, std::vector<std::string>{});
    SaveScreenshot(*storeDeu, "std_mask_store_deu.png");
}

}  // namespace
}  // namespace vt::test
