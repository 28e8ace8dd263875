#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <deque>
#include <fstream>
#include <sstream>

#include "UiTestSupport.h"
#include "core/IniFiles.h"
#include "core/TextFiles.h"
#include "program/ProgramLife.h"
#include "ui/MainBlock.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/SideMenu.h"
#include "ui/VeltraneApplication.h"
#include "core/temp_folder.h"
#include "link/CommandSenders.h"
#include "link/InstrumentIdentity.h"
#include "link/InstrumentInfo.h"
#include "link/InstrumentLink.h"
#include "support/FakeInstrument.h"
#include "ui/MainCommandsUi.h"
#include "ui/SystemDialogsFeature.h"
#include "core/LanguageFile.h"
#include "ui/controls/LanguageForm.h"
#include "ui/dialogs/InitialisationDialogs.h"
#include "ui/dialogs/MacAddressForm.h"
#include "ui/dialogs/SysInfoForm.h"
#include "ui/dialogs/TcpIpForm.h"

namespace vt {
namespace {

QPushButton& Button(QWidget& w, const char* name) { return *w.findChild<QPushButton*>(QLatin1String(name)); }

// Waits of the link pass at once; they are counted.
class TCountingClock final : public TLinkClock {
public:
    std::int64_t NowMs() override { return Now += 1; }
    void SleepMs(int ms) override {
        Sleeps.push_back(ms);
        Now += ms;
    }
    std::int64_t Now = 1000;
    std::vector<int> Sleeps;
};

class SystemDialogs : public ::testing::Test {
protected:
    // A LAN instrument on the fake, with this firmware.
    void Connect(const std::string& firmware) {
        TLinkTiming timing;
        timing.TcpPort = Fake.Port();
        timing.TcpReplyTimeoutMs = 500;
        Shell.SetLink(MakeOwnedPart(std::make_unique<TInstrumentLink>(timing, &Clock)));
        TIpAddress loopback{1, {127, 0, 0, 1}};
        ASSERT_TRUE(Shell.Link()->OpenInstrumentLink(false, loopback));
        Shell.SetIdentity(MakeOwnedPart(std::make_unique<TInstrumentIdentityUnit>(*Shell.Link(), Temp.Path())));
        test::GiveInstrument(Shell, TInstrumentLinkKind::Tcp, optLAN, firmware);
    }
    std::vector<std::string> SentSince(std::size_t from) const {
        const std::vector<std::string> lines = Fake.Lines();
        return {lines.begin() + static_cast<std::ptrdiff_t>(std::min(from, lines.size())), lines.end()};
    }
    TDialogRunner Runner() { return Script.Runner(); }

    // The folder the info file was saved in is remembered in the temporary folder: the test's own.
    test::TProgramHome Home;
    test::TempFolder Temp;
    test::TFakeInstrument Fake;
    TCountingClock Clock;
    TShell Shell;
    test::TScriptedDialogs Dialogs;
    test::TDialogScript Script;
    std::deque<std::function<void(QDialog&)>>& Steps = Script.Steps;
};

TEST_F(SystemDialogs, TcpIpStoreAndMacChangeOnAnInstrument) {
    Connect("3.10.6 (2012-03-01)");
    Fake.SetReply("Info:TCPIP:MyIP?", "192 168 0 50");
    Fake.SetReply("Info:TCPIP:SubMask?", "255 255 255 0");
    Fake.SetReply("Info:TCPIP:Gateway?", "192 168 0 1");
    Fake.SetReply("Info:TCPIP:Gateway? 192 168 0 1", "192 168 0 1");
    Fake.SetReply("Info:TCPIP:SubMask? 255 255 255 0", "255 255 255 0");
    Fake.SetReply("Info:TCPIP:MyIP? 192 168 0 60", "192 168 0 60");
    Fake.SetReply("Info:TCPIP:GETMAC?", "0 26 43 60 77 94");
    Fake.SetReply("Info:TCPIP:GETMAC? 0 26 43 60 77 96", "0 26 43 60 77 96");
    TTcpIpFrm form(Shell, Dialogs, nullptr);
    form.Runner = Runner();
    form.show();
    EXPECT_EQ(form.StoredLabel(0).text(), "  192 . 168 . 0 . 50");
    EXPECT_FALSE(form.NewGroup().isVisible());
    Button(form, "btnSetNew").click();
    ASSERT_TRUE(form.NewGroup().isVisible());
    EXPECT_EQ(form.NewEdit(2).text(), "  192 . 168 . 0 . 1");
    form.NewEdit(0).setText("300.1.1.1");
    Button(form, "btnStore").click();
    EXPECT_EQ(Dialogs.Asked.back(), "Message: incorrect IP Address format");
    form.NewEdit(0).setText("192.168.0.60");
    test::SaveScreenshot(form, "tcpip_properties.png");
    const std::size_t before = Fake.Lines().size();
    Button(form, "btnStore").click();
    EXPECT_EQ(Dialogs.Asked.back(), "Message: New TCP/IP properties successfully stored into the Veltrane!");
    const std::vector<std::string> sent = SentSince(before);
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(sent.begin(), sent.begin() + 3),
              (std::vector<std::string>{"Info:TCPIP:Gateway? 192 168 0 1", "Info:TCPIP:SubMask? 255 255 255 0",
                                        "Info:TCPIP:MyIP? 192 168 0 60"}));
    EXPECT_FALSE(form.NewGroup().isVisible());

    Steps.push_back([this](QDialog& d) {
        auto& mac = dynamic_cast<TfrmMAC_Address&>(d);
        EXPECT_EQ(mac.AddressEdit().text(), "00-1a-2b-3c-4d-5e");
        ASSERT_TRUE(mac.ChangeButton().isEnabled());
        mac.ChangeButton().click();
        EXPECT_EQ(mac.AddressLabel().text(), "New MAC Address");
        EXPECT_EQ(mac.ChangeButton().text(), "Cancel");
        mac.AddressEdit().setText("00-1a-2b-3c-4d");
        EXPECT_TRUE(mac.AddressEdit().styleSheet().contains("red"));
        EXPECT_FALSE(mac.StoreButton().isEnabled());
        mac.AddressEdit().setText("00-1a-2b-3c-4d-60");
        EXPECT_TRUE(mac.AddressEdit().styleSheet().contains("aqua"));
        test::SaveScreenshot(d, "mac_address.png");
        const std::size_t from = Fake.Lines().size();
        mac.StoreButton().click();
        EXPECT_EQ(SentSince(from), (std::vector<std::string>{"Info:TCPIP:GETMAC? 0 26 43 60 77 96",
                                                             "Info:TCPIP:GETMAC?"}))
            << "written, then read back";
        EXPECT_FALSE(mac.Editing());
    });
    Button(form, "btnMAC").click();
    EXPECT_EQ(Dialogs.Asked[Dialogs.Asked.size() - 2],
              "OkCancel: You must to consult with network Administrator about new MAC address.\r\nAre you sure?");
    EXPECT_EQ(Dialogs.Asked.back(), "Message: A new MAC Address will be activated after power off the Veltrane");
}

TEST_F(SystemDialogs, WithoutAnInstrumentNothingIsStored) {
    TTcpIpFrm form(Shell, Dialogs, nullptr);
    form.show();
    EXPECT_EQ(form.StoredLabel(1).text(), "___ . ___ . ___ . ___");
    Button(form, "btnSetNew").click();
    for (int i = 0; i < 3; ++i) form.NewEdit(i).setText("10.0.0.1");
    Button(form, "btnStore").click();
    EXPECT_EQ(Dialogs.Asked, std::vector<std::string>{"Message: Unit not connected."});
    EXPECT_TRUE(form.NewGroup().isVisible());
    TfrmMAC_Address mac(Shell, Dialogs, nullptr);
    mac.show();
    EXPECT_EQ(mac.AddressEdit().text(), "00-00-00-00-00-00");
    EXPECT_FALSE(mac.ChangeButton().isEnabled());
}

TEST_F(SystemDialogs, InfoWindowFileAndTheDemoModelOfTheNextRun) {
    Shell.SetLink(MakeOwnedPart(std::make_unique<TInstrumentLink>()));
    Shell.SetIdentity(MakeOwnedPart(std::make_unique<TInstrumentIdentityUnit>(*Shell.Link(), Temp.Path())));
    TInstrumentIdentity& id = test::GiveInstrument(Shell, TInstrumentLinkKind::Demo, 0);
    id.ModelType = 5;
    id.Year = 2005;
    id.SerialNo = 7;
    Shell.SetSenders(MakeOwnedPart(std::make_unique<TInstrumentSenders>(*Shell.Link(), id)));
    Shell.StartInstrumentName = "Default Demo";
    TMainCommandsUi mainCommands(Shell, Dialogs);
    TSystemDialogsFeature feature(Shell, Dialogs, mainCommands);
    feature.Runner = Runner();
    int reads = 0;
    feature.Info.ReadValues = [&](bool, TInfoFileValues&) { ++reads; };
    std::vector<std::string> recalled;
    feature.RecallFactoryAndSaveDefault = [&] { recalled.push_back("factory"); };
    Steps.push_back([&](QDialog& d) {
        auto& info = dynamic_cast<TSysInfoFrm&>(d);
        EXPECT_EQ(feature.OpenInfoWindow(), &info);
        ASSERT_TRUE(Shell.RefreshInfoWindow) << "a link recovery refreshes it";
        id.SerialNo = 8;
        Shell.RefreshInfoWindow();
        EXPECT_EQ(info.Value("lblSerial").text(), "0008");
        id.SerialNo = 7;
        Shell.RefreshInfoWindow();
        EXPECT_EQ(info.Value("lblYear").text(), "2007");
        EXPECT_EQ(info.Value("lblSW").text(), "2.4.4  (1, Mar 2011)");
        EXPECT_EQ(info.Value("lblSerial").text(), "0007");
        EXPECT_TRUE(info.Value("lblTemperature").text().endsWith(QString::fromUtf8("\u00B0C")));
        EXPECT_TRUE(info.ChangeModelButton().isVisible()) << "no instrument is connected";
        test::SaveScreenshot(d, "instrument_info.png");
        Dialogs.SaveAnswers.push_back(TSaveDialogRequest{
            .Title = {}, .Filter = {}, .FilterIndex = 0, .Name = (Temp / "info").string(), .Folder = {}});
        info.SaveInfoFileClick();
        Dialogs.SaveAnswers.push_back(TSaveDialogRequest{
            .Title = {}, .Filter = {}, .FilterIndex = 0, .Name = (Temp / "none" / "info").string(), .Folder = {}});
        info.SaveInfoFileClick();
        EXPECT_TRUE(d.isVisible()) << "a failed write keeps the window open";
        info.ChangeModelButton().click();
    });
    Steps.push_back([](QDialog& d) {
        auto& model = dynamic_cast<TSelectModelofInstruments&>(d);
        EXPECT_FALSE(Button(d, "btnOK").isEnabled());
        model.Choose(7);
        EXPECT_TRUE(Button(d, "btnOK").isEnabled());
        test::SaveScreenshot(d, "select_model.png");
        Button(d, "btnOK").click();
    });
    mainCommands.ShowInstrumentInfo();
    EXPECT_EQ(feature.OpenInfoWindow(), nullptr);
    EXPECT_FALSE(Shell.RefreshInfoWindow);
    std::stringstream text;
    text << std::ifstream(Temp / "info.txt").rdbuf();
    EXPECT_TRUE(text.str().starts_with("\tGENERAL\n")) << text.str();
    EXPECT_EQ(reads, 4) << "both passes, for each of the two files";
    EXPECT_EQ(Dialogs.Asked.back(), "Error: Error Creating File " + (Temp / "none" / "info.txt").string());
    EXPECT_EQ(Dialogs.SaveRequests.front().Title, "Save Info File As");
    EXPECT_EQ(Dialogs.SaveRequests.front().Name, "Veltrane_Info");
    const std::filesystem::path remembered = InfoFileDirIni([](const char* name) { return std::getenv(name); });
    EXPECT_TRUE(remembered.string().starts_with(Home.Path().parent_path().string())) << remembered;
    EXPECT_EQ(TMemIniFile_Dot(remembered).ReadString("Global", "InfoFileDir", ""), Temp.Path().string());

    EXPECT_EQ(feature.NextRunType(), 7);
    EXPECT_EQ(recalled, std::vector<std::string>{"factory"});
    TMemIniFile_Dot demo(Temp / "DemoUnits.ini");
    const std::string section = DemoSection("Default Demo");
    EXPECT_EQ(demo.ReadInteger(section, DemoKey(1, "ModelFlashCode"), 0), 252);
    EXPECT_EQ(demo.ReadInteger(section, DemoKey(1, "OptionCode"), 0), 112);
    EXPECT_GE(demo.ReadInteger(section, DemoKey(1, "Year"), 0), 9);
    EXPECT_EQ(id.ModelType, 5) << "this run keeps its model";
}

TEST_F(SystemDialogs, RestartNowStartsTheCopyOnlyAfterTheWindowClosed) {
    Shell.SetLink(MakeOwnedPart(std::make_unique<TInstrumentLink>()));
    Shell.SetIdentity(MakeOwnedPart(std::make_unique<TInstrumentIdentityUnit>(*Shell.Link(), Temp.Path())));
    test::GiveInstrument(Shell, TInstrumentLinkKind::Demo, 0).ModelType = 5;
    Shell.StartInstrumentName = "Default Demo";
    test::TRecordingLife rec{Shell};
    // The close asks whether to store changed adjustments.
    rec.AdjustmentModified = true;
    rec.AdjustAccess = true;
    test::TTestWindow window(Shell, rec, Dialogs);
    window.show();
    TMainCommandsUi mainCommands(Shell, Dialogs);
    TSystemDialogsFeature feature(Shell, Dialogs, mainCommands);
    TKitContext kit{[](std::string_view) -> THandler* { return nullptr; }};
    TSideMenus menus{kit, &window};
    feature.WindowCreated(window, menus, kit);
    feature.Runner = Runner();
    auto restartWith = [this](int type) {
        Steps.push_back([type](QDialog& d) {
            dynamic_cast<TSelectModelofInstruments&>(d).Choose(type);
            Button(d, "btnRestart").click();
        });
    };
    restartWith(6);
    Dialogs.Answers = {TDialogAnswer::Cancel};
    EXPECT_TRUE(feature.SelectModelDialog(&window));
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(feature.TakeRestart()) << "a cancelled close restarts nothing";
    restartWith(7);
    Dialogs.Answers = {TDialogAnswer::No};
    EXPECT_TRUE(feature.SelectModelDialog(&window));
    EXPECT_FALSE(window.isVisible());
    const auto restart = feature.TakeRestart();
    ASSERT_TRUE(restart);
    EXPECT_FALSE(restart->Program.empty());
    feature.WindowGone();
}

}  // namespace
}  // namespace vt

namespace vt {
namespace {

TEST(EnglishFile, ThePadAndTheDialogsOfTheInstrumentAndTheSystemInTheirPlaces) {
    const test::TProgramHome programHome;
    const std::filesystem::path home = programHome.Path();
    std::filesystem::create_directories(home);
    // A language list without English: the program writes the English file at its start.
    std::ofstream(home / "Language-Vlt.Deu") << "[Common]\nCommon:Language=Deutsch\n";
    TShell shell;
    TProgramLife life(shell);
    test::TScriptedDialogs dialogs;
    TProgramFeatures features(shell, life, dialogs, {"Absent"}, 0);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!shell.AcqEnabled) return;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* m = dynamic_cast<TMorda_fr*>(w); m && m->isVisible()) m->close();
    });
    poll.start(5);
    auto* app = dynamic_cast<TVeltraneApplication*>(QCoreApplication::instance());
    RunMainBlock(*app, shell, life, {"--home", home.string(), "Absent"}, dialogs);
    const std::string text = DecodeText(ReadFileBytes(home / "Language-Vlt.Eng"));
    std::vector<std::size_t> at;
    for (const char* section : {"[NewCalcFrm]", "[Morda_fr]", "[Util_Form]", "[StdMaskFrm]", "[Dialog1]",
                                "[Dialog2]", "[Dialog3]", "[AdjustAccess]", "[SysInfoFrm]",
                                "[SelectModelofInstruments]", "[frmStdMaskStoreDlg]", "[TcpIpFrm]",
                                "[frmMAC_Address]", "[frmSelectInstrument]", "[frmEditInstrument]"}) {
        at.push_back(text.find(section));
        EXPECT_NE(at.back(), std::string::npos) << section;
    }
    EXPECT_TRUE(std::is_sorted(at.begin(), at.end()));

    // The start-up dialogs' lines and buttons are named controls of the file, read back like any form's.
    for (const char* entry : {"Dialog1:Controls=6\n", "Dialog1:Label2.Caption=How do you want to continue your work?\n",
                              "Dialog1:btnIgnore.Caption=Without Instruments\n", "Dialog2:Controls=8\n",
                              "Dialog2:Label5.Caption=3. Is the Veltrane is not used by another SW?\n",
                              "Dialog3:btnAbort.Caption=Exit\n"})
        EXPECT_NE(text.find(entry), std::string::npos) << entry;
    TLangIniFile file(home / "Language-Vlt.Eng");
    file.WriteLangString("Dialog1", "btnNo.Caption", "Vorf\xC3\xBChrung");
    file.WriteLangString("Dialog1", "Label2.Caption", "Wie weiter?");
    const TDialog1 dialog("Default Demo", true, nullptr,
                          [&](QWidget& form) { ApplyFormTexts(file, form, shell.Language()); });
    EXPECT_NE(dialog.Button("Vorf\xC3\xBChrung"), nullptr);
    EXPECT_EQ(dialog.findChild<QLabel*>("Label2")->text().toStdString(), "Wie weiter?");
}

}  // namespace
}  // namespace vt
