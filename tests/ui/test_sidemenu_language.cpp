// Form texts in language files: the English file written from the forms, a form translated from a
// language file when it is created, and the switch of language while the side menus are open.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTabWidget>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>

#include "core/temp_folder.h"
#include "core/LanguageFile.h"
#include "core/LanguageState.h"
#include "test_sidemenu_support.h"
#include "ui/SideMenuLanguage.h"

using namespace vt;
using namespace vt::test;
namespace fs = std::filesystem;

namespace {

// A switcher with a list of items of its own, written and read as ".Items".
class TItemsTestSwitcher : public TOnOffTestSwitcher {
public:
    using TOnOffTestSwitcher::TOnOffTestSwitcher;
    std::vector<std::string> Items{"Low", "High"};
    void WriteLangTexts(const TFormTextSink& sink, std::string_view key) const override {
        sink.Write(std::string(key) + std::string(kLangItems), LangCommaText(Items));
    }
    void ApplyLangTexts(const TFormTextSource& source, std::string_view key) override {
        source.ReadItems(std::string(key) + std::string(kLangItems), Items.size(), Items);
    }
};

// A form with one control of every text class.
struct TTextForm {
    QWidget Form;
    QLabel* Title = new QLabel("Title", &Form);
    QGroupBox* Box = new QGroupBox("Address", &Form);
    QPushButton* Apply = new QPushButton("Apply", Box);
    QCheckBox* Dhcp = new QCheckBox("DHCP", Box);
    QFrame* Bottom = new QFrame(&Form);
    QLabel* Info = new QLabel("Info", Bottom);
    QTabWidget* Tabs = new QTabWidget(&Form);
    QTreeWidget* Files = new QTreeWidget(&Form);
    QLineEdit* Name = new QLineEdit("typed", &Form);
    QSlider* Level = new QSlider(&Form);
    TRC_RightMenuPanel* Util = new TRC_RightMenuPanel(&Form);
    TItemsTestSwitcher* Language = new TItemsTestSwitcher(Util);
    TItemsTestSwitcher* Range = new TItemsTestSwitcher(Util);

    TTextForm() {
        Form.setObjectName("Morda_fr");
        Form.setWindowTitle("Veltrane");
        Title->setObjectName("lbTitle");
        Box->setObjectName("gbIP");
        Apply->setObjectName("btApply");
        Dhcp->setObjectName("cbDhcp");
        Bottom->setObjectName("pnBottom");
        Bottom->setWindowTitle("Bottom");
        Info->setObjectName("lbInfo");
        Tabs->setObjectName("tcModes");
        auto* one = new QWidget;
        auto* onLabel = new QLabel("On one", one);
        onLabel->setObjectName("lbOne");
        Tabs->addTab(one, "One");
        Tabs->addTab(new QWidget, "Two");
        Files->setObjectName("lvFiles");
        Files->setHeaderLabels({"Name", "Size"});
        Name->setObjectName("edName");
        Level->setObjectName("slLevel");
        new QLabel("unnamed parts are not controls", &Form);
        Util->setObjectName("rmpUtilMain");
        Util->SetCaption("Utility");
        Language->setObjectName("lbswLanguage");
        Language->SetCaption("Language");
        Language->Items = {"English", "Deutsch"};
        Range->setObjectName("swRange");
        Range->SetCaption("Range");
    }
};

class FormTexts : public ::testing::Test {
protected:
    void SetUp() override {
        Root = Folder.Path();
        menus.RegisterForm(mkTimebase, [this](TSideMenus& m, QWidget* parent, bool left) -> TSideMenuForm* {
            return new TTestMenuForm(m, parent, left, log);
        });
    }
    void TearDown() override { FlushDeletes(); }
    vt::test::TempFolder Folder;
    void Put(const std::string& name, const std::string& text) const {
        std::ofstream(Root / name, std::ios::binary) << text;
    }
    TLanguageState& Make() {
        TLanguageSetup setup;
        setup.DataRoot = Root;
        setup.ConfigFolder = Root / "config";
        setup.ProgramFile = "/opt/veltrane/bin/veltrane";
        setup.ShowMessage = [this](const std::string& m) { messages.push_back(m); };
        setup.AskYesNo = [this](const std::string& q) {
            messages.push_back(q);
            return false;
        };
        state = std::make_unique<TLanguageState>(std::move(setup));
        return *state;
    }
    std::string Value(const TLangIniFile& file, std::string_view section, std::string_view key) const {
        std::string raw, value;
        if (!file.FindRaw(section, key, raw, false)) return "<absent>";
        EXPECT_TRUE(ReadLangValue(raw, value));
        return value;
    }
    TLangIniFile WriteEnglishFile(TTextForm& textForm) {
        Put("Language-Vlt.Deu", "[Common]\nCommon:Language=Deutsch\n");
        TLanguageState& s = Make();
        s.InitLanguages();
        EXPECT_TRUE(s.EnglishFileMissing());
        TEnglishFileForms forms;
        forms.MainWindow = &textForm.Form;
        forms.Menus = &menus;
        forms.DialogOwner = &mainWindow;
        forms.Dialogs.push_back([&](QWidget* owner) {
            dialogWhileWriting = s.EnglishFileWriting();
            auto* about = new QWidget(owner);
            about->setObjectName("AboutForm");
            about->setWindowTitle("About");
            return about;
        });
        EXPECT_TRUE(CreateEnglishLanguageFile(s, forms));
        return TLangIniFile(Root / "Language-Vlt.Eng");
    }

    fs::path Root;
    std::vector<std::string> messages, log;
    std::unique_ptr<TLanguageState> state;
    TKitFixture f;
    TOnOffHandler& source = f.OnOff("Trig:Source");
    TOnOffHandler& acqSource = f.OnOff("Acq:Source");
    QWidget mainWindow;
    TSideMenus menus{f.Kit, &mainWindow};
    bool dialogWhileWriting = false;
};

TEST_F(FormTexts, EnglishFileHoldsEveryControlUnderItsContainerPath) {
    TTextForm textForm;
    const TLangIniFile file = WriteEnglishFile(textForm);
    const std::string m = "Morda_fr";
    EXPECT_EQ(Value(file, m, "Controls"), "8");
    EXPECT_EQ(Value(file, m, "Caption"), "Veltrane");
    EXPECT_EQ(Value(file, m, "lbTitle.Caption"), "Title");
    EXPECT_EQ(Value(file, m, "Group Box gbIP.Caption"), "Address");
    EXPECT_EQ(Value(file, m, "Group Box gbIP._Name"), "gbIP");
    EXPECT_EQ(Value(file, m, "Group Box gbIP.btApply.Caption"), "Apply");
    EXPECT_EQ(Value(file, m, "Group Box gbIP.cbDhcp.Caption"), "DHCP");
    EXPECT_EQ(Value(file, m, "Panel pnBottom.Caption"), "Bottom");
    EXPECT_EQ(Value(file, m, "Panel pnBottom.lbInfo.Caption"), "Info");
    EXPECT_EQ(Value(file, m, "Table Ctrl tcModes.Caption"), "<absent>");
    EXPECT_EQ(Value(file, m, "Table Ctrl tcModes._Name"), "tcModes");
    EXPECT_EQ(Value(file, m, "tcModes.Items"), "One,Two");
    EXPECT_EQ(Value(file, m, "Table Ctrl tcModes.lbOne.Caption"), "On one");
    EXPECT_EQ(Value(file, m, "lvFiles.Column[0]"), "Name");
    EXPECT_EQ(Value(file, m, "lvFiles.Column[1]"), "Size");
    EXPECT_EQ(Value(file, m, "edName.Caption"), "<absent>");
    EXPECT_EQ(Value(file, m, "slLevel.Caption"), "Unknown control slLevel in  parent");
    EXPECT_EQ(Value(file, m, "Menu Panel rmpUtilMain.Caption"), "Utility");
    EXPECT_EQ(Value(file, m, "Menu Panel rmpUtilMain.swRange.Caption"), "Range");
    EXPECT_EQ(Value(file, m, "Menu Panel rmpUtilMain.swRange.Items"), "Low,High");
    EXPECT_EQ(Value(file, m, "Menu Panel rmpUtilMain.lbswLanguage.Caption"), "Language");
    EXPECT_EQ(Value(file, m, "Menu Panel rmpUtilMain.lbswLanguage.Items"), "<absent>");
    // The side menus are written bound, without touching the slots; the dialogs while the flag is set.
    EXPECT_EQ(Value(file, "Test_Form", "Menu Panel rmpPage3.Caption"), "Page 3");
    EXPECT_EQ(Value(file, "Test_Form", "Menu Panel rmpPage1.swSource.Caption"), "Source");
    EXPECT_EQ(Value(file, "Test_Form", "Menu Panel rmpPage1.btClose.Caption"), "Close");
    EXPECT_EQ(menus.Slots().Kind(RightSide), mkNone);
    EXPECT_EQ(source.SwitcherCount(), 0);
    EXPECT_EQ(Value(file, "AboutForm", "Caption"), "About");
    EXPECT_TRUE(dialogWhileWriting);
    EXPECT_FALSE(state->EnglishFileWriting());

    // The English file puts a changed form back as it was written.
    TTextForm changed;
    changed.Title->setText("x");
    changed.Box->setTitle("x");
    changed.Info->setText("x");
    changed.Tabs->setTabText(1, "x");
    changed.Files->headerItem()->setText(1, "x");
    changed.Range->Items = {"a", "b"};
    changed.Form.setWindowTitle("x");
    ApplyFormTexts(file, changed.Form, *state);
    EXPECT_EQ(changed.Title->text(), "Title");
    EXPECT_EQ(changed.Box->title(), "Address");
    EXPECT_EQ(changed.Info->text(), "Info");
    EXPECT_EQ(changed.Tabs->tabText(1), "Two");
    EXPECT_EQ(changed.Files->headerItem()->text(1), "Size");
    EXPECT_EQ(changed.Range->Items, (std::vector<std::string>{"Low", "High"}));
    EXPECT_EQ(changed.Form.windowTitle(), "Veltrane");
}

TEST_F(FormTexts, FormIsTranslatedWhenCreatedAndMissingTextsStay) {
    Put("Language-Vlt.Eng", "[Common]\nCommon:Language=English\n");
    Put("Language-Vlt.Deu",
        "[Common]\nCommon:Language=Deutsch\n"
        "[Test_Form]\n"
        "Test_Form:Menu Panel rmpPage1.Caption=Seite 1\n"
        "Test_Form:Menu Panel rmpPage1.swSource.Caption=/Eng/Quelle\n"
        "Test_Form:Menu Panel rmpPage2.Caption=\n"
        "Test_Form:Menu Panel rmpPage2.swSource.Caption='Qu''elle'#13#10'2'\n"
        "[Morda_fr]\n"
        "Morda_fr:Caption=Hauptfenster\n"
        "Morda_fr:Group Box gbIP.Caption=Adresse\n"
        "Morda_fr:tcModes.Items=Eins,Zwei,Drei\n"
        "Morda_fr:Menu Panel rmpUtilMain.swRange.Items=Tief,Hoch\n"
        "Morda_fr:Menu Panel rmpUtilMain.lbswLanguage.Items=A,B\n");
    TLanguageState& s = Make();
    s.StoreChosenCode("DEU");
    s.InitLanguages();
    ASSERT_NE(s.FormTextsFile(), nullptr);
    TranslateSideMenus(menus, s);

    menus.ShowSideMenu(mkTimebase, RightSide);
    menus.ShowSideMenu(mkTimebase, LeftSide);
    for (int side : {RightSide, LeftSide}) {
        TTestMenuForm* form = dynamic_cast<TTestMenuForm*>(menus.Form(side));
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(form->Page(1)->Caption(), "Seite 1");
        EXPECT_EQ(form->Switcher(1)->Caption(), "Quelle");
        EXPECT_EQ(form->Page(2)->Caption(), "Page 2") << "an empty value keeps the caption";
        EXPECT_EQ(form->Switcher(2)->Caption(), "Qu'elle\r\n2");
        EXPECT_EQ(form->Page(3)->Caption(), "Page 3") << "a missing key keeps the caption";
        EXPECT_EQ(form->windowTitle(), "Undefined");
    }
    EXPECT_EQ(menus.Form(LeftSide)->objectName(), "Test_Form_1");

    TTextForm textForm;
    ApplyFormTexts(*s.FormTextsFile(), textForm.Form, s);
    EXPECT_EQ(textForm.Form.windowTitle(), "Hauptfenster");
    EXPECT_EQ(textForm.Box->title(), "Adresse");
    EXPECT_EQ(textForm.Apply->text(), "Apply");
    EXPECT_EQ(textForm.Tabs->tabText(0), "One") << "a list of another length is refused";
    EXPECT_EQ(textForm.Range->Items, (std::vector<std::string>{"Tief", "Hoch"}));
    EXPECT_EQ(textForm.Language->Items, (std::vector<std::string>{"English", "Deutsch"}));
    EXPECT_EQ(textForm.Name->text(), "typed");
}

TEST_F(FormTexts, LanguageSwitchReopensBothSlotsInTheNewLanguage) {
    Put("Language-Vlt.Eng", "[Common]\nCommon:Language=English\n");
    Put("Language-Vlt.Deu",
        "[Common]\nCommon:Language=Deutsch\n[Test_Form]\nTest_Form:Menu Panel rmpPage2.swSource.Caption=Quelle\n"
        "[Morda_fr]\nMorda_fr:lbTitle.Caption=Titel\n");
    TLanguageState& s = Make();
    s.InitLanguages();
    TranslateSideMenus(menus, s);
    menus.ShowSideMenu(mkTimebase, RightSide);
    menus.ShowSideMenu(mkTimebase, LeftSide);
    menus.Form(LeftSide)->SetTopPanel(2);
    TTextForm textForm;
    std::vector<std::string> order;
    TLanguageSwitchTargets targets{&textForm.Form, &menus, [&] { order.push_back("sources"); },
                                   [&] { order.push_back("after"); }};
    const int deu = s.Languages()->IndexOf("DEU");
    EXPECT_FALSE(SwitchFormsLanguage(s, s.Languages()->ChosenIndex(), targets));
    EXPECT_TRUE(order.empty());
    ASSERT_TRUE(SwitchFormsLanguage(s, deu, targets));
    EXPECT_EQ(order, (std::vector<std::string>{"sources", "after"}));
    EXPECT_EQ(textForm.Title->text(), "Titel");
    for (int side : {RightSide, LeftSide}) {
        auto* form = dynamic_cast<TTestMenuForm*>(menus.Form(side));
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(form->Switcher(2)->Caption(), "Quelle");
        EXPECT_EQ(menus.Slots().Kind(side), mkTimebase);
    }
    EXPECT_EQ(menus.Form(LeftSide)->CurrentPage, 2);
    EXPECT_EQ(source.SwitcherCount(), 4);
}

}  // namespace
