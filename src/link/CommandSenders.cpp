#include "link/CommandSenders.h"

#include <array>
#include <cmath>
#include <string_view>

#include "core/InternalError.h"
#include "core/DotNumberText.h"
#include "link/InstrumentLink.h"
#include "link/InstrumentIdentity.h"

namespace vt {

namespace {

constexpr const char* Unit = "InstrSenders";

template <std::size_t N>
std::string_view Item(const std::array<std::string_view, N>& items, int index, const char* what) {
    if (index < 0 || static_cast<std::size_t>(index) >= N) VT_INTERNAL_ERROR(Unit, what);
    return items[static_cast<std::size_t>(index)];
}

std::string ChannelText(int channel) { return channel == chCodeCh1 ? "Ch1" : "Ch2"; }

std::string OutputPrefix(int output) {
    if (output != 1 && output != 2) VT_INTERNAL_ERROR(Unit, "Generator output must be 1 or 2");
    return output == 1 ? "Gen:Out1:" : "Gen:Out2:";
}

bool SameValue(double a, double b) { return std::fabs(a - b) < kSameValue; }

}  // namespace

TInstrumentSenders::TInstrumentSenders(TInstrumentLink& link, const TInstrumentIdentity& identity)
    : Link_(link), Identity_(identity), Rng_(std::random_device{}()) {}

int TInstrumentSenders::Random(int n) {
    if (RandomInt) return RandomInt(n);
    return std::uniform_int_distribution<int>(0, n - 1)(Rng_);
}

bool TInstrumentSenders::GenOption() const { return Identity_.HasOptGenerators(); }

// ------------------------------------------------------------------------------------------- trigger

void TInstrumentSenders::SendTrigHoldOff(double value) { Link_.SendFloatCommand("Trig:HoldOff", false, value); }

void TInstrumentSenders::SendTrigIntRate(double rate) { Link_.SendFloatCommand("Trig:IntRate", false, rate); }

void TInstrumentSenders::SendTrigSource(int source) {
    static constexpr std::array<std::string_view, 4> Items = {"DIRECT", "HF", "INT", "CDR"};
    Link_.SendCommand("Trig:Source " + std::string(Item(Items, source, "Trigger source out of range")));
}

void TInstrumentSenders::SendTrigMode(int mode) { Link_.SendCommand(mode == 1 ? "Trig:Mode Trig" : "Trig:Mode Free"); }

void TInstrumentSenders::SendTrigLevel(double value) { Link_.SendFloatCommand("Trig:Level", false, value); }

void TInstrumentSenders::SendTrigSlope(int slope) { Link_.SendCommand(slope == 0 ? "Trig:Slope Pos" : "Trig:Slope Neg"); }

void TInstrumentSenders::SendTrigHysteresis(int hister) {
    Link_.SendCommand(hister == 0 ? "Trig:Hister Norm" : "Trig:Hister HighSens");
}

// --------------------------------------------------------------------------------------- acquisition

void TInstrumentSenders::SendAcqSampleMode(std::uint8_t mode) {
    // Only the two modes the instrument knows; a header with no value would be a malformed command.
    if (mode > 1) return;
    Link_.SendCommand(mode == 0 ? "Acq:SmplMode SIMPLE" : "Acq:SmplMode LFFB");
    Last_.SampleMode = mode;
    Last_.SampleModeForgotten = false;
}

void TInstrumentSenders::SendAcqSampleModeIfChanged(std::uint8_t mode) {
    if (mode != Last_.SampleMode || Last_.SampleModeForgotten) SendAcqSampleMode(mode);
}

void TInstrumentSenders::SendAcqRecordLength(std::uint16_t length, bool exempt) {
    if (length == Last_.RecordLength) return;
    Last_.RecordLength = length;
    Link_.SendCommand("Acq:RecLen " + std::to_string(length), exempt);
    if (Simulator) Simulator->SetRecordLength(length);
}

void TInstrumentSenders::SendAcqAverages(std::uint16_t averages, bool exempt) {
    if (averages == Last_.Averages) return;
    Last_.Averages = averages;
    std::string line = "Acq:NAvg " + std::to_string(averages);
    const std::uint8_t mode = averages == 1 ? avgModeNorm : avgModeAvg;
    if (mode != Last_.AveragingMode) {
        Last_.AveragingMode = mode;
        line += mode == avgModeNorm ? ";Mode Norm" : ";Mode Avg";
    }
    Link_.SendCommand(line, exempt);
    if (Simulator) Simulator->SetAverages(averages);
}

void TInstrumentSenders::SendAcqChannels(std::uint8_t code, bool exempt) {
    if (code == Last_.Channels) return;
    Last_.Channels = code;
    const char* text = code == chCodeCh2 ? "Ch2" : code == chCodeBoth ? "Both" : "Ch1";
    Link_.SendCommand(std::string("Acq:Channels ") + text, exempt);
    if (Simulator) Simulator->SetChannels(code);
}

// ------------------------------------------------------------------------------------------ timebase

void TInstrumentSenders::SendTimeDiv(double value) {
    if (SameValue(value, Last_.TimeDiv)) return;
    Last_.TimeDiv = value;
    Link_.SendFloatCommand("TB:TIMEDIV", false, value);
    if (Simulator) Simulator->SetTimeDiv(value);
}

void TInstrumentSenders::SendTimebaseDelay(double value, bool exempt) {
    if (SameValue(value, Last_.Delay)) return;
    Last_.Delay = value;
    Link_.SendFloatCommand("TB:DELAY", exempt, value);
    if (Simulator) Simulator->SetTimebaseDelay(value);
}

// ------------------------------------------------------------------------------------------ channels

void TInstrumentSenders::SendChannelBand(int channel, int band) {
    Link_.SendCommand(ChannelText(channel) + (band == 0 ? ":Band Full" : ":Band Narrow"));
}

void TInstrumentSenders::SendChannelComp(int channel, double value) {
    Link_.SendFloatCommand(ChannelText(channel) + ":Comp", false, value);
}

// ---------------------------------------------------------------------------------------- generators

void TInstrumentSenders::SendGenMode(int mode) {
    static constexpr std::array<std::string_view, 6> Items = {"Off", "TDRTDT", "CoarseTB", "Pulse", "NRZ", "RZ"};
    const std::string_view item = Item(Items, mode, "Generator mode out of range");
    if (GenOption()) Link_.SendCommand("Gen:Mode " + std::string(item));
}

void TInstrumentSenders::SendGenPeriod(std::int64_t value) {
    if (GenOption()) Link_.SendIntCommand("Gen:Period", value);
}

void TInstrumentSenders::SendGenStepDelay(std::int64_t value) {
    // The simulator's step generator follows the setting also without the option.
    if (Simulator) Simulator->SetGenStepDelay(value);
    if (GenOption()) Link_.SendIntCommand("Gen:StepDly", value);
}

void TInstrumentSenders::SendGenDelay(std::int64_t value) {
    if (GenOption()) Link_.SendIntCommand("Gen:Delay", value);
}

void TInstrumentSenders::SendGenWidth(std::int64_t value) {
    if (GenOption()) Link_.SendIntCommand("Gen:Width", value);
}

void TInstrumentSenders::SendGenPatternLength(int index) {
    static constexpr std::array<std::string_view, 4> Items = {"p2e7m1", "p2e10m1", "p2e11m1", "p2e15m1"};
    const std::string_view item = Item(Items, index, "Pattern length out of range");
    if (GenOption()) Link_.SendCommand("Gen:Length " + std::string(item));
}

void TInstrumentSenders::SendGenTrigger(int trigger) {
    if (GenOption()) Link_.SendCommand(trigger == 0 ? "Gen:Trigger Clock" : "Gen:Trigger Pattern");
}

void TInstrumentSenders::SendGenPolarity(int output, int polarity) {
    const std::string prefix = OutputPrefix(output);
    if (GenOption()) Link_.SendCommand(prefix + (polarity == 0 ? "Polarity Pos" : "Polarity Neg"));
}

void TInstrumentSenders::SendGenDeskew(int output, std::int64_t value) {
    const std::string prefix = OutputPrefix(output);
    if (GenOption()) Link_.SendIntCommand(prefix + "Deskew", value);
}

void TInstrumentSenders::SendGenOffsetMode(int output, int mode) {
    static constexpr std::array<std::string_view, 3> Items = {"Pos,", "Neg", "Var"};
    const std::string prefix = OutputPrefix(output);
    const std::string_view item = Item(Items, mode, "Generator offset mode out of range");
    if (GenOption()) Link_.SendCommand(prefix + "OfsMode " + std::string(item));
}

void TInstrumentSenders::SendGenOffset(int output, std::int64_t value) {
    const std::string prefix = OutputPrefix(output);
    if (!GenOption()) return;
    Link_.SendIntCommand(prefix + "Offset?", value);
    Link_.ReadReply();
}

// ------------------------------------------------------------------------------------------- queries

bool TInstrumentSenders::ReadTrigOn(bool exempt) {
    Link_.SendCommand("Trig:GetTrigOn?", exempt);
    const TReply reply = Link_.ReadReply();
    return reply.Received() && reply.Text == "TRIG_ON";
}

double TInstrumentSenders::ReadInstrumentTemperature(bool exempt) {
    if (!Link_.IsInstrumentConnected()) return 20.0 + Random(80) / 4.0;
    Link_.SendCommand("Info:GetTemp?", exempt);
    double value = 0;
    const TReply reply = Link_.ReadReply();
    return reply.Received() && TryStrToFloatDot(reply.Text, value) ? value : 0.0;
}

int TInstrumentSenders::RandomDemoValue() { return 85 + Random(30); }

// ------------------------------------------------------------------------------------- whole passes

void TInstrumentSenders::SendAcquisitionSettings(std::uint8_t channels, std::uint16_t recordLength,
                                                 std::uint16_t averages, double delay) {
    SendTimebaseDelay(delay, true);
    SendAcqChannels(channels, true);
    SendAcqRecordLength(recordLength, true);
    SendAcqAverages(averages, true);
}

bool TInstrumentSenders::ResendInstrumentSettings() {
    if (TInstrumentSettingsAccess* s = Settings) {
        SendChannelComp(chCodeCh1, -s->ChannelOffset(chCodeCh1));
        SendChannelComp(chCodeCh2, -s->ChannelOffset(chCodeCh2));

        // Each setting is moved away and back through its handler, so that its own after-change
        // callback sends it, whatever the instrument held.
        const double holdoff = s->TrigHoldoff();
        s->SetTrigHoldoff(holdoff < 1.2e-5 ? 1.4e-5 : 1e-5);
        s->SetTrigHoldoff(holdoff);

        const double scaleA = s->TBScaleA();
        const double scaleB = s->TBScaleB();
        const double delay = s->TBDelay();
        const double away = scaleA < 1e-9 ? 1.2e-9 : 8e-10;
        s->SetTBScaleA(away);
        s->SetTBScaleB(away);
        s->SetTBDelay(0);
        s->SetTBScaleA(scaleA);
        s->SetTBScaleB(scaleB);
        s->SetTBDelay(delay);

        const int source = s->TrigSource();
        s->SetTrigSource(source == 0 ? 1 : 0);
        s->SetTrigSource(source);
    }
    // The next start sends these even when unchanged.
    Last_.Delay = -1.0;
    Last_.Channels = 0;
    Last_.RecordLength = 0;
    Last_.Averages = 0;
    if (Last_.SampleMode != kSampleModeNoneSent) SendAcqSampleMode(Last_.SampleMode);
    return !Link_.CommErrorFlag();
}

void TInstrumentSenders::ClearCommandCache() {
    const std::uint8_t sampleMode = Last_.SampleMode;
    Last_ = TLastSent{};
    // The resend still knows which sampling mode the instrument should hold.
    Last_.SampleMode = sampleMode;
    Last_.SampleModeForgotten = sampleMode != kSampleModeNoneSent;
}

}  // namespace vt
