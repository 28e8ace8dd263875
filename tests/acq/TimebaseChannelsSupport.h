#pragma once
// A shell with the timebase and channels registered, and stubs of the display, the serial data and
// the main window's bindings that record what they are told.
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "acq/SignalSources.h"
#include "acq/TimebaseChannels.h"
#include "core/CommandTree.h"
#include "core/Shell.h"
#include "core/WindowBindings.h"

namespace vt::test {

struct TRecordingDisplay : TDisplayServices {
    int VerticalCompression() const override { return Compression; }
    void SetIntensifiedRanges(int w1, int s1, int s2, int w2) override { Ranges = {w1, s1, s2, w2}; }
    int Compression = 1;
    std::array<int, 4> Ranges{-1, -1, -1, -1};
};

struct TStubSerial : TSerialServices {
    int TdrChannelState(int channel) const override { return channel == ChannelIndex1 ? Ch1State : 0; }
    int Ch1State = 0;
};

struct TRecordingBindings : TWindowBindings {
    void BindChannelScaleEdit(int ch, const std::string& header) override { Scale[ch - 1] = header; }
    void BindChannelOffsetEdit(int ch, const std::string& header) override { Offset[ch - 1] = header; }
    void BindHorizontalScaleEdit(const std::string& header, const std::string& caption) override {
        HorScale = header;
        HorCaption = caption;
    }
    void BindDelayEdit(const std::string& header) override { Delay = header; }
    void RefreshSideMenu(TMenuKind kind) override { Refreshed.push_back(kind); }
    std::array<std::string, 2> Scale, Offset;
    std::string HorScale, HorCaption, Delay;
    std::vector<int> Refreshed;
};

struct TTimebaseChannelsShell {
    TTimebaseChannelsShell() {
        Shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
        auto display = std::make_unique<TRecordingDisplay>();
        Display = display.get();
        Shell.SetDisplayServices(std::move(display));
        auto serial = std::make_unique<TStubSerial>();
        Serial = serial.get();
        Shell.SetSerialServices(std::move(serial));
        Shell.SetWindowBindings(&Bindings);
        Feature = std::make_unique<TTimebaseChannelsFeature>(Shell);
        Feature->FillRows(Shell);
        RegisterAllCommandHandlers(Shell);
        RegisterLateCommandHandlers(Shell);
        UpdateUiForInstrument(Shell, {});
    }
    ~TTimebaseChannelsShell() { Shell.SetWindowBindings(nullptr); }
    std::string Run(std::string_view text) { return Shell.CommandTree()->ExecuteCommandString(text, false); }
    TDoubleEditHandler& Edit(std::string_view header) {
        return dynamic_cast<TDoubleEditHandler&>(*Shell.CommandTree()->Root().FindHandler(header));
    }
    THandler& Setting(std::string_view header) { return *Shell.CommandTree()->Root().FindHandler(header); }
    bool On(int source) { return Shell.Records()->SignalsOn().IsOn(source); }

    TShell Shell;
    TRecordingBindings Bindings;
    TRecordingDisplay* Display = nullptr;
    TStubSerial* Serial = nullptr;
    std::unique_ptr<TTimebaseChannelsFeature> Feature;
};

}  // namespace vt::test
