#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <deque>
#include <fstream>
#include <sstream>

#include "UiTestSupport.h"
#include "core/temp_folder.h"
#include "link/InstrumentConnection.h"
#include "link/InstrumentLink.h"
#include "ui/dialogs/EditInstrumentForm.h"
#include "ui/dialogs/InitialisationDialogs.h"
#include "ui/dialogs/SelectInstrumentForm.h"

namespace vt {
namespace {

std::string ReadAll(const std::filesystem::path& p) {
    std::stringstream s;
    s << std::ifstream(p, std::ios::binary).rdbuf();
    return s.str();
}

QPushButton& Button(QWidget& w, const char* name) {
    auto* b = w.findChild<QPushButton*>(QLatin1String(name));
    if (!b) throw std::runtime_error(std::string("no button ") + name);
    return *b;
}

using test::TDialogScript;

TEST(StartUpDialogs, TheRetryFlowOfAStartThatFindsNoInstrument) {
    test::TempFolder temp;
    // Nothing listens at the instrument port of this loopback address.
    std::ofstream(temp / "Configuration.ini")
        << "[COMMON]\nStart Unit=Instrument1\n[Instrument1 Instrument]\nName=\nInterface=LAN\nIP Address=127.0.0.2\n";
    TInstrumentLink link(TLinkTiming{.TcpPreConnectWaitMs = 0, .TcpConnectWaitMs = 200});
    TInstruments unit(temp / "Configuration.ini", temp / "locks", link);
    TDialogScript script;
    TStartUpDialogs dialogs;
    dialogs.Runner = script.Runner();
    unit.Dialogs = &dialogs;
    unit.List().LoadInstrumentList({});
    auto press = [&](const char* caption) {
        script.Steps.push_back(
            [caption](QDialog& d) { dynamic_cast<TInitialisationDialog&>(d).Button(caption)->click(); });
    };
    std::string name;
    script.Steps.push_back([](QDialog& d) {
        auto& dialog = dynamic_cast<TInitialisationDialog&>(d);
        EXPECT_EQ(d.windowTitle(), " Initialisation...");
        EXPECT_FALSE(dialog.Button("Demo")->isEnabled()) << "no demo reserved";
        test::SaveScreenshot(d, "startup_dialog1.png");
        dialog.Button("With Veltrane")->click();
    });
    press("Without Instruments");
    EXPECT_TRUE(unit.StartInstrument(true, name));
    EXPECT_EQ(unit.CurrentName(), "Absent");
    EXPECT_EQ(script.Shown, (std::vector<std::string>{"Dialog1", "Dialog2"}));

    script.Shown.clear();
    press("With Veltrane");
    script.Steps.push_back([](QDialog& d) {
        test::SaveScreenshot(d, "startup_dialog2.png");
        dynamic_cast<TInitialisationDialog&>(d).Button("Yes")->click();
    });
    script.Steps.push_back([](QDialog& d) {
        test::SaveScreenshot(d, "startup_dialog3.png");
        d.close();
    });
    EXPECT_FALSE(unit.StartInstrument(true, name)) << "the last dialog closed by its window: Abort, the end";
    EXPECT_EQ(script.Shown, (std::vector<std::string>{"Dialog1", "Dialog2", "Dialog3"}));

    script.Steps.push_back([](QDialog& d) { dynamic_cast<TInitialisationDialog&>(d).Button("Demo")->click(); });
    EXPECT_EQ(dialogs.ShowInitialisationDialog(1, "Default Auto", true), TInitDialogResult::No);
}

// The Select Instruments dialog on a list of a few entries, the program on "Absent".
class SelectInstruments : public ::testing::Test {
protected:
    void SetUp() override {
        Write("[COMMON]\nStart Unit=Absent\n"
              "[Instrument1 Instrument]\nName=Lab A\nInterface=LAN\nIP Address=10.0.0.2\n"
              "[Instrument2 Instrument]\nName=\nInterface=LAN\nIP Address=10.0.0.9\n"
              "[Demo2 Instrument]\nName=\nInterface=Demo\n");
    }
    void Write(const std::string& ini, std::vector<std::string> args = {}) {
        std::ofstream(Temp / "Configuration.ini") << ini;
        Unit.List().LoadInstrumentList(args);
        std::string name;
        ASSERT_TRUE(Unit.StartInstrument(true, name));
        Context.Dialogs = &Dialogs;
        Context.Runner = Script.Runner();
        Context.Args = args;
    }
    static TfrmSelectInstrument& Form(QDialog& d) { return dynamic_cast<TfrmSelectInstrument&>(d); }
    static TfrmEditInstrument& Edit(QDialog& d) { return dynamic_cast<TfrmEditInstrument&>(d); }
    static void Choose(QComboBox& box, const QString& text) {
        const int i = box.findText(text);
        ASSERT_GE(i, 0) << text.toStdString();
        box.setCurrentIndex(i);
    }

    test::TempFolder Temp;
    TInstrumentLink Link;
    TInstruments Unit{Temp / "Configuration.ini", Temp / "locks", Link};
    test::TScriptedDialogs Dialogs;
    TDialogScript Script;
    TSelectInstrumentsContext Context;
};

TEST_F(SelectInstruments, EditingChecksTheAddressAndCancelLeavesTheFileAsItWas) {
    const std::string before = ReadAll(Temp / "Configuration.ini");
    Script.Steps.push_back([this](QDialog& d) {
        auto& form = Form(d);
        test::SaveScreenshot(d, "select_instruments.png");
        Choose(form.ConfigurationBox(), "Lab A  [Instrument1]");
        Button(d, "BtnEdit").click();
        EXPECT_TRUE(Button(d, "btnOK").isEnabled()) << "the entry was changed";
        Choose(form.ConfigurationBox(), "Default LAN");
        Button(d, "BtnEdit").click();
        Button(d, "btnAdd").click();
        Button(d, "btnCancel").click();
    });
    Script.Steps.push_back([this](QDialog& d) {
        auto& edit = Edit(d);
        EXPECT_EQ(d.windowTitle(), "Edit Instrument");
        EXPECT_EQ(edit.AliasEdit().text(), "Lab A  [Instrument1]");
        edit.IpEdit().setText("1.2.3");
        edit.OkButton().click();
        EXPECT_TRUE(d.isVisible()) << "a bad address keeps the dialog open";
        edit.IpEdit().setText("10.0.0.9");
        edit.OkButton().click();
        EXPECT_TRUE(d.isVisible()) << "the address of Instrument2";
        test::SaveScreenshot(d, "edit_instrument.png");
        edit.AliasEdit().setText("Lab B  [Instrument1]");
        edit.IpEdit().setText("10.0.0.5");
        edit.OkButton().click();
        EXPECT_FALSE(d.isVisible());
    });
    Script.Steps.push_back([](QDialog& d) {
        EXPECT_FALSE(Edit(d).IpEdit().isEnabled()) << "the default LAN address is fixed";
        d.reject();
    });
    Script.Steps.push_back([](QDialog& d) {
        auto& edit = Edit(d);
        EXPECT_EQ(d.windowTitle(), "Add New Instrument");
        EXPECT_TRUE(edit.InterfaceGroup().isVisible()) << "a LAN and a demo name are free";
        edit.IpEdit().setText("10.0.0.5");
        edit.OkButton().click();
        EXPECT_TRUE(d.isVisible()) << "adding an address used (since the edit) is refused";
        d.reject();
    });
    EXPECT_TRUE(SelectInstrumentsDialog(Unit, Context, nullptr));
    EXPECT_EQ(Dialogs.Asked, (std::vector<std::string>{"Message: Incorrect IP: 1.2.3",
                                                       "Message: IP Address 10.0.0.9 is used in the System",
                                                       "Message: IP Address 10.0.0.5 is used in the System"}));
    EXPECT_EQ(ReadAll(Temp / "Configuration.ini"), before);
    EXPECT_EQ(Unit.List().Prop(Unit.List().IndexOf("Instrument1")).Label, "Lab A") << "the change was dropped";
}

TEST_F(SelectInstruments, DeletingAddingAndSavingWithTheQuestion) {
    Write("[COMMON]\nStart Unit=Demo2\n"
          "[Instrument1 Instrument]\nName=\nInterface=LAN\nIP Address=10.0.0.1\n"
          "[Instrument2 Instrument]\nName=\nInterface=LAN\nIP Address=10.0.0.2\n"
          "[Instrument3 Instrument]\nName=\nInterface=LAN\nIP Address=10.0.0.3\n"
          "[Instrument4 Instrument]\nName=\nInterface=LAN\nIP Address=10.0.0.4\n"
          "[Instrument5 Instrument]\nName=\nInterface=LAN\nIP Address=10.0.0.5\n"
          "[Instrument6 Instrument]\nName=\nInterface=LAN\nIP Address=10.0.0.6\n"
          "[Instrument7 Instrument]\nName=\nInterface=LAN\nIP Address=10.0.0.7\n"
          "[Instrument8 Instrument]\nName=\nInterface=LAN\nIP Address=10.0.0.8\n"
          "[Demo2 Instrument]\nName=\nInterface=Demo\n");
    ASSERT_EQ(Unit.CurrentName(), "Demo2");
    Script.Steps.push_back([this](QDialog& d) {
        auto& form = Form(d);
        Choose(form.ConfigurationBox(), "Demo2");
        Button(d, "btnDelete").click();
        EXPECT_FALSE(Button(d, "btnOK").isEnabled()) << "the current instrument is not deleted";
        EXPECT_TRUE(Button(d, "btnAdd").isEnabled()) << "Demo3 is free";
        Button(d, "btnAdd").click();
        EXPECT_EQ(form.ConfigurationBox().currentText(), "Demo3");
        EXPECT_FALSE(Button(d, "btnAdd").isEnabled()) << "every name is used";
        Choose(form.ConfigurationBox(), "Instrument8");
        Button(d, "btnDelete").click();
        EXPECT_EQ(form.ConfigurationBox().findText("Instrument8"), -1);
        Button(d, "btnOK").click();
    });
    Script.Steps.push_back([](QDialog& d) {
        EXPECT_FALSE(Edit(d).InterfaceGroup().isVisible()) << "only a demo name is free";
        Edit(d).OkButton().click();
    });
    EXPECT_TRUE(SelectInstrumentsDialog(Unit, Context, nullptr));
    ASSERT_EQ(Dialogs.Asked.size(), 2u);
    EXPECT_EQ(Dialogs.Asked[0], "Message: You can not delete the Current or the Startup Instrument");
    EXPECT_EQ(Dialogs.Asked[1], "YesNoCancel: The configuration of the System will be changed.\nAre you sure?");
    const std::string saved = ReadAll(Temp / "Configuration.ini");
    EXPECT_NE(saved.find("[Demo3 Instrument]"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("[Instrument8 Instrument]"), std::string::npos) << saved;
}

TEST_F(SelectInstruments, ChangingTheCurrentInstrumentSwitchesToIt) {
    Script.Steps.push_back([this](QDialog& d) {
        auto& form = Form(d);
        Button(d, "btnChangeCurrentInstrument").click();
        EXPECT_EQ(form.CurrentGroup().height(), 250);
        EXPECT_FALSE(form.ConfigurationGroup().isVisible());
        test::SaveScreenshot(d, "select_current_instrument.png");
        const QList<QListWidgetItem*> demo = form.CurrentList().findItems("Default Demo", Qt::MatchExactly);
        ASSERT_EQ(demo.size(), 1);
        emit form.CurrentList().itemClicked(demo.front());
    });
    EXPECT_TRUE(SelectInstrumentsDialog(Unit, Context, nullptr));
    EXPECT_EQ(Unit.CurrentName(), "Default Demo");
}

TEST_F(SelectInstruments, AStartFromTheCommandLineKeepsTheStartBoxClosed) {
    Write("[Demo2 Instrument]\nName=\nInterface=Demo\n", {"Demo2"});
    Script.Steps.push_back([](QDialog& d) {
        EXPECT_FALSE(Form(d).StartupBox().isEnabled());
        EXPECT_FALSE(Button(d, "btnCreateShortcut").isEnabled());
        d.reject();
    });
    EXPECT_TRUE(SelectInstrumentsDialog(Unit, Context, nullptr));
}

TEST_F(SelectInstruments, TheShortcutIsWrittenAndItsFolderShownOnRequest) {
    Context.Program = "/opt/vlt/veltrane";
    Context.DesktopFolder = Temp / "Desktop";
    std::vector<std::filesystem::path> shown;
    Context.ShowFolder = [&](const std::filesystem::path& p) { shown.push_back(p); };
    Dialogs.Answers = {TDialogAnswer::Yes};
    CreateInstrumentShortcut("Lab A  [Instrument1]", Context, nullptr);
    EXPECT_TRUE(std::filesystem::exists(Temp / "Desktop" / "VLT500 - Lab A.desktop"));
    EXPECT_EQ(Dialogs.Asked.back(), "Information: Information: Shortcut was created successfully [Show..]");
    EXPECT_EQ(shown, std::vector<std::filesystem::path>{Temp / "Desktop"});
    std::ofstream(Temp / "file") << "x";
    Context.DesktopFolder = Temp / "file" / "Desktop";
    CreateInstrumentShortcut("Lab A  [Instrument1]", Context, nullptr);
    EXPECT_EQ(Dialogs.Asked.back(), "Error: Error creating Shortcut");
}

}  // namespace
}  // namespace vt
