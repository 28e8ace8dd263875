#pragma once
// The trigger against the fake instrument (given its options by the identity reply) on a clock that
// only moves when told, with the timebase, channels and engine registered as at an instrument start.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "AcqTestSupport.h"
#include "TimebaseChannelsSupport.h"
#include "acq/Trigger.h"
#include "core/SettingReaders.h"
#include "core/temp_folder.h"

namespace vt::test {

struct TTrigDisplay : TDisplayServices {
    void TopTextShowTrigState(int state) override { States.push_back(state); }
    std::vector<int> States;
};

struct TTrigBindings : TRecordingBindings {
    void BindTrigLevelEdit(const std::string& header) override { Level = header; }
    std::string Level;
};

struct TTrigOnFake {
    // options: the complemented option byte of the identity reply (253: pattern sync only).
    explicit TTrigOnFake(const char* software = "3.10.6", int options = 253) {
        Fake.SetReply("Info:IndivData?", "1 2 " + std::to_string(options) + " 10 1234");
        Fake.SetReply("Info:GetVer:SW?", software);
        Fake.SetReply("Info:GetVer:FPGAFW?", "5");
        Shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
        Shell.SetLink(MakeOwnedPart(std::make_unique<TInstrumentLink>(FastTiming(Fake.Port()), &Clock)));
        Shell.SetIdentity(MakeOwnedPart(std::make_unique<TInstrumentIdentityUnit>(*Shell.Link(), Folder.Path())));
        Shell.SetSenders(MakeOwnedPart(std::make_unique<TInstrumentSenders>(*Shell.Link(), Shell.Identity()->Identity)));
        Shell.SetDisplayServices(std::unique_ptr<TDisplayServices>(Display = new TTrigDisplay));
        Shell.SetUserServices(std::unique_ptr<TUserServices>(User = new TUserLog));
        Shell.SetWindowBindings(&Bindings);
        for (TFeature* f : {static_cast<TFeature*>(&Timebase), static_cast<TFeature*>(&Trig), static_cast<TFeature*>(&Acq)})
            f->FillRows(Shell), f->AttachToProgram(Shell);
        EXPECT_TRUE(Shell.Link()->OpenInstrumentLink(false, Loopback()));
        EXPECT_TRUE(Shell.Identity()->ReadIndividualData("Unused"));
        RegisterAllCommandHandlers(Shell);
        GuiReady = &Shell.CommandTree()->Root().AddOnOffHandler("INSTR:GUIReady", {});
        RegisterLateCommandHandlers(Shell);
        UpdateUiForInstrument(Shell, {});
    }
    ~TTrigOnFake() { Shell.SetWindowBindings(nullptr); }
    std::string Run(std::string_view text) { return Shell.CommandTree()->ExecuteCommandString(text, false); }
    THandler& Setting(std::string_view header) { return *Shell.CommandTree()->Root().FindHandler(header); }
    double Value(std::string_view header) { return ReadRealSetting(Shell.CommandTree(), header, -1); }
    bool Sent(const std::string& line) { return Fake.WaitForLine(line, 1000); }
    int Count(const std::string& line) {
        const auto lines = Fake.Lines();
        return static_cast<int>(std::count(lines.begin(), lines.end(), line));
    }

    TempFolder Folder;
    TFakeInstrument Fake;
    TFakeLinkClock Clock;
    TShell Shell;
    TTrigBindings Bindings;
    TTrigDisplay* Display = nullptr;
    TUserLog* User = nullptr;
    TOnOffHandler* GuiReady = nullptr;
    TTimebaseChannelsFeature Timebase{Shell};
    TTrigger Trig{Shell, &Timebase.Timebase()};
    TSignalAcq Acq;
};

}  // namespace vt::test
