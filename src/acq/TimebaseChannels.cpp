#include "acq/TimebaseChannels.h"

#include "core/CommandTree.h"
#include "core/Shell.h"

namespace vt {

namespace {

// The trigger's start values, answered while it has no settings.
constexpr double TrigHoldoffStart = 1e-5;
constexpr int TrigSourceStart = 0;

THandler* FindSetting(TShell& shell, std::string_view header) {
    TCommandTree* tree = shell.CommandTree();
    return tree ? tree->Resolve(header) : nullptr;
}

}  // namespace

TTimebaseChannelsFeature::TTimebaseChannelsFeature(TShell& shell)
    : Shell_(shell), Timebase_(shell), Channels_(shell, Timebase_) {}

TTimebaseChannelsFeature::~TTimebaseChannelsFeature() {
    TInstrumentSenders* senders = Shell_.Senders();
    if (Attached_ && senders && senders->Settings == this) senders->Settings = nullptr;
    Shell_.RefreshChannelScales = nullptr;
}

void TTimebaseChannelsFeature::FillRows(TShell& shell) {
    shell.Registration.Add(TRegistrationRow::CreateChannelHandlers,
                           [this](TShell& s) { Channels_.CreateChannelHandlers(*s.CommandTree()); });
    shell.Registration.Add(TRegistrationRow::CreateTimebaseHandlers,
                           [this](TShell& s) { Timebase_.CreateTimebaseHandlers(*s.CommandTree()); });
    shell.LateRegistration.Add(TLateRegistrationRow::ApplyTimebaseModelLimits,
                               [this](TShell&) { Timebase_.ApplyTimebaseModelLimits(); });
    shell.Refresh.Add(TRefreshRow::RefreshChannelHandlers, [this](TShell&) { Channels_.RefreshChannelHandlers(); });
    shell.Refresh.Add(TRefreshRow::RefreshTimebaseHandlers, [this](TShell&) { Timebase_.RefreshTimebaseHandlers(); });
    shell.RefreshChannelScales = [this] { Channels_.RefreshChannelScales(); };
}

void TTimebaseChannelsFeature::AttachToProgram(TShell& shell) {
    if (TInstrumentSenders* senders = shell.Senders()) {
        senders->Settings = this;
        Attached_ = true;
    }
}

double TTimebaseChannelsFeature::ChannelOffset(int channel) const { return Channels_.Offset(channel); }

double TTimebaseChannelsFeature::TrigHoldoff() const {
    auto* h = dynamic_cast<TEditHandler*>(FindSetting(Shell_, "Trig:Holdoff"));
    return h ? h->GetValueAsDouble() : TrigHoldoffStart;
}

void TTimebaseChannelsFeature::SetTrigHoldoff(double value) {
    if (auto* h = dynamic_cast<TEditHandler*>(FindSetting(Shell_, "Trig:Holdoff"))) h->SetValue(value);
}

int TTimebaseChannelsFeature::TrigSource() const {
    auto* h = dynamic_cast<TRadioSwHandler*>(FindSetting(Shell_, "Trig:Source"));
    return h ? h->GetItemIndex() : TrigSourceStart;
}

void TTimebaseChannelsFeature::SetTrigSource(int index) {
    if (auto* h = dynamic_cast<TRadioSwHandler*>(FindSetting(Shell_, "Trig:Source"))) h->SetItemIndex(index);
}

double TTimebaseChannelsFeature::TBScaleA() const { return GetValue(Timebase_.Scale(huTime, 0)); }
double TTimebaseChannelsFeature::TBScaleB() const { return GetValue(Timebase_.Scale(huTime, 1)); }
double TTimebaseChannelsFeature::TBDelay() const { return GetValue(Timebase_.Delay()); }

void TTimebaseChannelsFeature::SetTBScaleA(double value) {
    if (auto* h = Timebase_.Scale(huTime, 0)) h->SetValue(value);
}
void TTimebaseChannelsFeature::SetTBScaleB(double value) {
    if (auto* h = Timebase_.Scale(huTime, 1)) h->SetValue(value);
}
void TTimebaseChannelsFeature::SetTBDelay(double value) {
    if (auto* h = Timebase_.Delay()) h->SetValue(value);
}

}  // namespace vt
