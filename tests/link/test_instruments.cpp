#include <gtest/gtest.h>

#include <deque>
#include <fstream>

#include "LinkTestSupport.h"
#include "core/Handlers.h"
#include "core/IniFiles.h"
#include "core/CommandTree.h"
#include "core/temp_folder.h"
#include "link/InstrumentConnection.h"
#include "link/UsbBinding.h"

using namespace vt;
using namespace vt::test;

namespace {

// A USB instrument that is either plugged in and answers its identity, or absent.
class TUsbStandIn final : public TUsbApi {
public:
    explicit TUsbStandIn(bool& present) : Present_(present) {}
    int Init() override { return Success; }
    void Exit() override {}
    int Open(std::uint16_t, std::uint16_t, std::string_view) override {
        Reads_ = {"", "1,42,2010\r\n"};  // the flush finds nothing, then the identity reply
        return Present_ ? Success : ErrorNotFound;
    }
    void Close() override {}
    int MaxPacketSize(std::uint8_t) override { return 64; }
    int BulkTransfer(std::uint8_t ep, std::uint8_t* data, int length, int& transferred, unsigned) override {
        transferred = 0;
        if (ep == UsbPipeOut) {
            transferred = length;
            return Success;
        }
        if (Reads_.empty() || Reads_.front().empty()) {
            if (!Reads_.empty()) Reads_.pop_front();
            return ErrorTimeout;
        }
        const std::string r = Reads_.front();
        Reads_.pop_front();
        std::copy(r.begin(), r.end(), data);
        transferred = static_cast<int>(r.size());
        return Success;
    }
    std::string ErrorText(int code) override { return "usb " + std::to_string(code); }

private:
    bool& Present_;
    std::deque<std::string> Reads_;
};

class TScriptedInitDialogs final : public TInstrumentDialogs {
public:
    TInitDialogResult ShowInitialisationDialog(int attempt, const std::string& name, bool demo) override {
        Shown.push_back(std::to_string(attempt) + " " + name + (demo ? " demo" : ""));
        if (Answers.empty()) return TInitDialogResult::Abort;
        const TInitDialogResult a = Answers.front();
        Answers.pop_front();
        return a;
    }
    std::deque<TInitDialogResult> Answers;
    std::vector<std::string> Shown;
};

struct TInstrumentsFixture : ::testing::Test, TInstrumentsServices, TMainWindowSwitch {
    TInstrumentsFixture()
        : Link(FastTiming(Fake.Port()), &Clock, [this] { return std::make_unique<TUsbStandIn>(UsbPresent); }),
          Unit(Temp / "Configuration.ini", Temp / "locks", Link) {
        Clock.AutoAdvanceMs = 5;
        Unit.SetServices(this);
        Unit.SetMainWindowSwitch(this);
    }
    void ShowMessage(const std::string& m) override { Messages.push_back(m); }
    void StopMainWindow() override { Log.push_back("stop"); }
    void StartMainWindow(bool present) override { Log.push_back(present ? "start present" : "start"); }
    void SetAutoCalTimer(bool on) override { Log.push_back(on ? "autocal on" : "autocal off"); }
    bool StartedAsComServer() override { return ComServer; }
    void Load(const std::string& ini, std::vector<std::string> args = {}) {
        std::ofstream(Temp / "Configuration.ini") << ini;
        Unit.List().LoadInstrumentList(args);
    }
    std::string LastSmartInFile() const {
        return TMemIniFile_Dot(Temp / "Configuration.ini").ReadString("COMMON", "Last Smart Instrument", "");
    }
    void KillFake() {
        Fake.SetFaults({.IdentityTimeout = true});  // the instrument answers, but not as one that works
    }

    static constexpr const char* AutoOnInstrument3 =
        "[COMMON]\nStart Unit=Default Auto\nLast Smart Instrument=Instrument3\n"
        "[Instrument3 Instrument]\nName=Rack\nInterface=LAN\nIP Address=127.0.0.1\n";

    TempFolder Temp;
    TFakeInstrument Fake;
    TFakeLinkClock Clock;
    bool UsbPresent = false;
    TInstrumentLink Link;
    TInstruments Unit;
    std::vector<std::string> Messages;
    bool ComServer = false;
    std::vector<std::string> Log;
};

}  // namespace

TEST_F(TInstrumentsFixture, DefaultAutoTurnsToUsbWhenTheLastSmartInstrumentIsDeadAndRemembersIt) {
    Load(AutoOnInstrument3);
    KillFake();
    UsbPresent = true;
    std::string name;
    ASSERT_TRUE(Unit.StartInstrument(true, name));
    EXPECT_EQ(name, "Default USB");
    EXPECT_EQ(Unit.CurrentName(), "Default USB");
    EXPECT_EQ(Unit.FirstResult(), TOpenResult::Connected);
    EXPECT_EQ(Link.LinkKind(), TInstrumentLinkKind::Usb);
    EXPECT_EQ(LastSmartInFile(), "Default USB");
    EXPECT_EQ(Unit.List().LastSmartInstrument(), "Default USB");
    EXPECT_TRUE(Unit.Locks().InstrumentMutexExists("Default USB"));
    EXPECT_FALSE(Unit.Locks().InstrumentMutexExists("Instrument3")) << "the failed attempt let its lock go";
    EXPECT_TRUE(Log.empty()) << "start-up does not touch the main window";
}

TEST_F(TInstrumentsFixture, DefaultAutoStaysOnALiveLastSmartInstrument) {
    Load(AutoOnInstrument3);
    std::string name;
    ASSERT_TRUE(Unit.StartInstrument(true, name));
    EXPECT_EQ(name, "Instrument3");
    EXPECT_EQ(Link.LinkKind(), TInstrumentLinkKind::Tcp);
    EXPECT_TRUE(Fake.WaitForLine("Info:IndivData?"));
    EXPECT_EQ(LastSmartInFile(), "Instrument3");
}

TEST_F(TInstrumentsFixture, AQuietStartWithNothingAnsweringFallsBackToDemoThenToAbsent) {
    Load(AutoOnInstrument3);
    KillFake();
    ComServer = true;
    TScriptedInitDialogs dialogs;
    Unit.Dialogs = &dialogs;
    std::string name;
    ASSERT_TRUE(Unit.StartInstrument(true, name));
    EXPECT_EQ(name, "Default Demo");
    EXPECT_EQ(Unit.FirstResult(), TOpenResult::NotFound);
    EXPECT_EQ(Link.LinkKind(), TInstrumentLinkKind::Demo);
    EXPECT_TRUE(dialogs.Shown.empty());
    EXPECT_EQ(LastSmartInFile(), "Instrument3") << "nothing answered, nothing remembered";

    TInstrumentLocks otherCopy(Temp / "locks");
    Unit.Locks().ReleaseAll();
    ASSERT_TRUE(otherCopy.TryClaimInstrumentMutex(TLockSlot::Other, "Default Demo"));
    ASSERT_TRUE(Unit.StartInstrument(true, name));
    EXPECT_EQ(name, "Absent");
    EXPECT_EQ(Link.LinkKind(), TInstrumentLinkKind::None);
}

TEST_F(TInstrumentsFixture, TheRetryDialogsDecideWhatComesNext) {
    Load(AutoOnInstrument3);
    KillFake();
    TScriptedInitDialogs dialogs;
    Unit.Dialogs = &dialogs;
    dialogs.Answers = {TInitDialogResult::Yes, TInitDialogResult::No};
    std::string name;
    ASSERT_TRUE(Unit.StartInstrument(true, name));
    EXPECT_EQ(name, "Default Demo");
    EXPECT_EQ(dialogs.Shown, (std::vector<std::string>{"1 Default Auto demo", "2 Default Auto"}));

    dialogs.Shown.clear();
    dialogs.Answers = {TInitDialogResult::Yes, TInitDialogResult::Yes, TInitDialogResult::Yes};
    EXPECT_FALSE(Unit.StartInstrument(true, name)) << "the fourth dialog is answered Exit";
    EXPECT_EQ(dialogs.Shown.back(), "3 Default Auto");
    EXPECT_EQ(dialogs.Shown.size(), 4u);
    EXPECT_FALSE(Unit.Locks().SlotHeld(TLockSlot::Smart));
    EXPECT_FALSE(Unit.Locks().SlotHeld(TLockSlot::Other));

    dialogs.Answers = {TInitDialogResult::Ignore};
    ASSERT_TRUE(Unit.StartInstrument(true, name));
    EXPECT_EQ(name, "Absent");
}

TEST_F(TInstrumentsFixture, WithoutDialogsAFailedStartGivesUpWithAMessage) {
    Load(AutoOnInstrument3);
    KillFake();
    std::string name;
    EXPECT_FALSE(Unit.StartInstrument(true, name));
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_NE(Messages[0].find("was not found"), std::string::npos);
    EXPECT_FALSE(Unit.Locks().SlotHeld(TLockSlot::Other)) << "the reserved demo instrument is let go";
}

TEST_F(TInstrumentsFixture, InstrCommandsListSwitchAndNeverOpenADialog) {
    Load("[Instrument1 Instrument]\nName=Lab A\nInterface=LAN\nIP Address=127.0.0.1\n"
         "[Instrument2 Instrument]\nName=\nInterface=LAN\nIP Address=127.0.0.1\n",
         {"absent"});
    TScriptedInitDialogs dialogs;
    Unit.Dialogs = &dialogs;
    auto tree = CreateCommandTree();
    Unit.RegisterInstrCommands(tree->Root());
    auto run = [&](std::string_view c) { return tree->ExecuteCommandString(c, false); };
    run("HEADER OFF");
    std::string name;
    ASSERT_TRUE(Unit.StartInstrument(true, name));
    EXPECT_EQ(name, "Absent");

    EXPECT_EQ(run("INSTR:LIST:COUNT?"), " 6");
    EXPECT_EQ(run("INSTR:LIST:UNIT? 0"), " 0;[ABSENT];NONE");
    EXPECT_EQ(run("INSTR:LIST:UNIT? 4"), " 4;LAB_A[INSTRUMENT1];LAN;127.0.0.1");
    EXPECT_EQ(run("INSTR:LIST:UNIT? 6"), " BAD PARAMETER 6");
    EXPECT_EQ(run("INSTR:CURRENT:GET?"), " [ABSENT]");
    EXPECT_EQ(run("INSTR:CURRENT:SET NOSUCH\"X"), " BAD SPECIFIER OF THE INSTRUMENT \"NOSUCH_X\"");

    EXPECT_EQ(run("INSTR:CURRENT:SET LAB_A"), " OK");
    EXPECT_EQ(Unit.CurrentName(), "Instrument1");
    EXPECT_EQ(run("INSTR:CURRENT:GET?"), " LAB_A[INSTRUMENT1]");
    EXPECT_EQ(Log, (std::vector<std::string>{"autocal off", "stop", "start present", "autocal on"}));
    auto* ready = dynamic_cast<TOnOffHandler*>(tree->Root().FindHandler("INSTR:GUIReady"));
    ASSERT_NE(ready, nullptr);
    EXPECT_TRUE(ready->GetOn());

    Log.clear();
    EXPECT_EQ(run("INSTR:CURRENT:SET 4"), " OK");
    EXPECT_TRUE(Log.empty()) << "the current instrument is not started again";

    EXPECT_EQ(run("INSTR:CURRENT:SET 1"), " OK");
    EXPECT_EQ(Unit.CurrentName(), "Default Demo");
    KillFake();
    EXPECT_EQ(run("INSTR:CURRENT:SET INSTRUMENT2"), " NOT DETECTED");
    EXPECT_EQ(Unit.CurrentName(), "Default Demo") << "back on the previous instrument";
    EXPECT_EQ(Link.LinkKind(), TInstrumentLinkKind::Demo);

    TInstrumentLocks otherCopy(Temp / "locks");
    ASSERT_TRUE(otherCopy.TryClaimInstrumentMutex(TLockSlot::Smart, "Instrument1"));
    EXPECT_EQ(run("INSTR:CURRENT:SET INSTRUMENT1"), " BUSY");
    EXPECT_EQ(Unit.CurrentName(), "Default Demo");
    EXPECT_TRUE(dialogs.Shown.empty()) << "a command never opens a dialog";
    EXPECT_TRUE(Messages.empty());
}

TEST_F(TInstrumentsFixture, SettingsOfTheInstrumentListAreNotSaved) {
    Load("");
    auto tree = CreateCommandTree();
    Unit.RegisterInstrCommands(tree->Root());
    std::vector<std::string> lines;
    tree->Root().SaveAllSettings(lines);
    for (const std::string& l : lines) EXPECT_FALSE(UpperCase(l).starts_with("INSTR:")) << l;
}

// Addresses the user wrote with blanks connect; an address no reading accepts says why it cannot.
TEST_F(TInstrumentsFixture, AddressesWithBlanksConnectAndAnUnusableOneSaysWhy) {
    Load("[Instrument1 Instrument]\nName=\nInterface=LAN\nIP Address=127 0 0 1\n"
         "[Instrument2 Instrument]\nName=\nInterface=LAN\nIP Address=127 . 0 . 0 . 1\n"
         "[Instrument4 Instrument]\nName=\nInterface=LAN\nIP Address=300.1.1.1\n");
    for (const char* name : {"Instrument1", "Instrument2"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Unit.OpenInstrument(name, true), TOpenResult::Connected);
        EXPECT_TRUE(Fake.WaitForLine("Info:IndivData?"));
        Link.DisconnectInstrument(true);
        Unit.Locks().ReleaseAll();
    }
    std::string name = "Instrument4";
    EXPECT_EQ(Unit.OpenInstrument(name, true), TOpenResult::NotFound);
    EXPECT_FALSE(Unit.OpenInstrumentWithRetry(name, false));
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_NE(Messages[0].find("\"Instrument4\" has no usable IP address: \"300.1.1.1\" in Configuration.ini"),
              std::string::npos)
        << Messages[0];
}
