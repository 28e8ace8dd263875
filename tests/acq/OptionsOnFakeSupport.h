#pragma once
// A shell on the fake instrument with the identity its replies give (model, options, versions), the
// senders, and the features under test filled and registered as at an instrument start.
#include <algorithm>

#include "AcqTestSupport.h"
#include "core/EditHandlers.h"
#include "core/SettingReaders.h"
#include "core/temp_folder.h"

namespace vt::test {

struct TOptionsOnFake {
    // flashCode 2: model type 2, 251: type 8; options: the complemented option byte (251 generators,
    // 247 optics); fpga: the integer the instrument answers (3 is version 0.3).
    explicit TOptionsOnFake(int options, int flashCode = 2, const char* software = "3.10.6", const char* fpga = "5") {
        Fake.SetReply("Info:IndivData?", "1 " + std::to_string(flashCode) + " " + std::to_string(options) + " 10 1234");
        Fake.SetReply("Info:GetVer:SW?", software);
        Fake.SetReply("Info:GetVer:FPGAFW?", fpga);
        Shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
        Shell.SetLink(MakeOwnedPart(std::make_unique<TInstrumentLink>(FastTiming(Fake.Port()), &Clock)));
        Shell.SetIdentity(MakeOwnedPart(std::make_unique<TInstrumentIdentityUnit>(*Shell.Link(), Folder.Path())));
        Shell.SetSenders(MakeOwnedPart(std::make_unique<TInstrumentSenders>(*Shell.Link(), Shell.Identity()->Identity)));
    }
    // Fills the features' rows, connects, registers and refreshes.
    void Start(std::initializer_list<TFeature*> features, TRefreshOptions refresh) {
        for (TFeature* f : features) f->FillRows(Shell), f->AttachToProgram(Shell);
        EXPECT_TRUE(Shell.Link()->OpenInstrumentLink(false, Loopback()));
        EXPECT_TRUE(Shell.Identity()->ReadIndividualData("Unused"));
        RegisterAllCommandHandlers(Shell);
        RegisterLateCommandHandlers(Shell);
        UpdateUiForInstrument(Shell, refresh);
        Seen = Fake.Lines().size();
    }
    std::string Run(std::string_view text) { return Shell.CommandTree()->ExecuteCommandString(text, false); }
    THandler& Setting(std::string_view header) { return *Shell.CommandTree()->Root().FindHandler(header); }
    TEditHandler& Edit(std::string_view header) { return dynamic_cast<TEditHandler&>(Setting(header)); }
    double Value(std::string_view header) { return ReadRealSetting(Shell.CommandTree(), header, -1); }
    int Choice(std::string_view header) { return ReadChoiceSetting(Shell.CommandTree(), header, -1); }
    // The lines received since the last call that start with prefix, once last has arrived among them.
    std::vector<std::string> Since(const std::string& last, const std::string& prefix = "") {
        const auto arrived = [&] {
            const auto lines = Fake.Lines();
            return std::find(lines.begin() + static_cast<std::ptrdiff_t>(std::min(Seen, lines.size())), lines.end(),
                             last) != lines.end();
        };
        EXPECT_TRUE(Fake.WaitUntil(arrived, 1000)) << last;
        std::vector<std::string> out;
        const auto lines = Fake.Lines();
        for (std::size_t i = Seen; i < lines.size(); ++i)
            if (lines[i].rfind(prefix, 0) == 0) out.push_back(lines[i]);
        Seen = lines.size();
        return out;
    }

    TempFolder Folder;
    TFakeInstrument Fake;
    TFakeLinkClock Clock;
    TShell Shell;
    std::size_t Seen = 0;
};

}  // namespace vt::test
