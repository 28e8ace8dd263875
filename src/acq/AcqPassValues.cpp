#include "acq/AcqPassValues.h"

#include <cmath>

#include "acq/SignalSources.h"
#include "acq/TdrUnits.h"
#include "core/BitRates.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"

namespace vt {

namespace {

std::string ChannelPath(int channel, const char* name) {
    return "Ch" + std::to_string(ChannelNumber(channel)) + ":" + name;
}

double ChannelReal(TShell& shell, int channel, const char* name, double start) {
    return ReadRealSetting(shell.CommandTree(), ChannelPath(channel, name), start);
}

// Start values of the settings as registered.
constexpr double ScaleStart = 0.2;
constexpr double RhoScaleStart = 0.5;
constexpr double OhmScaleStart = 20;
constexpr double GainScaleStart = 0.5;
constexpr double ScaleAStart = 1e-8;
constexpr double ScaleBStart = 2e-9;
constexpr double DelayStart = 2;
constexpr double DeltaDelStart = 3;
constexpr double HoldoffStart = 1e-5;
constexpr int BitRateStart = 7;
constexpr int ModeB = 2;

}  // namespace

double TAcqPassValues::Scale(int channel) const { return ChannelReal(Shell_, channel, "Scale", ScaleStart); }
double TAcqPassValues::Offset(int channel) const { return ChannelReal(Shell_, channel, "Offset", 0); }
double TAcqPassValues::RhoScale(int channel) const { return ChannelReal(Shell_, channel, "RhoScale", RhoScaleStart); }
double TAcqPassValues::RhoOffset(int channel) const { return ChannelReal(Shell_, channel, "RhoOffset", 0); }
double TAcqPassValues::OhmScale(int channel) const { return ChannelReal(Shell_, channel, "OhmScale", OhmScaleStart); }
double TAcqPassValues::OhmOffset(int channel) const { return ChannelReal(Shell_, channel, "OhmOffset", 0); }
double TAcqPassValues::GainScale(int channel) const {
    return ChannelReal(Shell_, channel, "GainScale", GainScaleStart);
}
double TAcqPassValues::GainOffset(int channel) const { return ChannelReal(Shell_, channel, "GainOffset", 0); }

double TAcqPassValues::AttenuationFactor(int channel) const {
    if (Shell_.Serial().TdrChannelState(channel) != 0) return 1;
    switch (ReadChoiceSetting(Shell_.CommandTree(), ChannelPath(channel, "Atten:Unit"), 0)) {
        case 1: return ChannelReal(Shell_, channel, "Atten:Ratio", 1);
        case 2: return std::pow(10.0, ChannelReal(Shell_, channel, "Atten:DB", 0) / 20);
        default: return 1;
    }
}

std::string TAcqPassValues::UnitText(int channel) const {
    switch (Shell_.Serial().TdrChannelState(channel)) {
        case 1: return "Rho";
        case 2: return "Ohm";
        case 3: return "";
        default: break;
    }
    TCommandTree* tree = Shell_.CommandTree();
    if (ReadChoiceSetting(tree, ChannelPath(channel, "Atten:Unit"), 0) == 0) return "V";
    static const char* const Dimens[] = {"V", "W", "A", "?"};
    const int d = ReadChoiceSetting(tree, ChannelPath(channel, "Atten:Dimens"), 0);
    return Dimens[d >= 0 && d < 4 ? d : 3];
}

double TAcqPassValues::Deskew(int channel) const { return ChannelReal(Shell_, channel, "Deskew", 0); }

bool TAcqPassValues::ChannelDisplayed(int channel) const {
    return ReadOnOffSetting(Shell_.CommandTree(), ChannelPath(channel, "Display"), true);
}

bool TAcqPassValues::ChannelSimulated(int channel) const {
    TCommandTree* tree = Shell_.CommandTree();
    const std::string path = "GSS:" + std::string(channel == ChannelIndex2 ? "Ch2" : "Ch1");
    if (FindSetting<TOnOffHandler>(tree, path)) return ReadOnOffSetting(tree, path, false);
    return ReadChoiceSetting(tree, path, 0) != 0;
}

int TAcqPassValues::TimebaseMode() const { return ReadChoiceSetting(Shell_.CommandTree(), "TB:Mode", 0); }

bool TAcqPassValues::DualDelay() const {
    return TimebaseMode() == ModeB && ReadOnOffSetting(Shell_.CommandTree(), "TB:DualDel", false);
}

double TAcqPassValues::ActiveTimeScale() const {
    TCommandTree* tree = Shell_.CommandTree();
    return TimebaseMode() == ModeB ? ReadRealSetting(tree, "TB:ScaleB", ScaleBStart)
                                   : ReadRealSetting(tree, "TB:ScaleA", ScaleAStart);
}

double TAcqPassValues::TimeOrigin(int channel, int timebase) const {
    const double deskew = Deskew(channel);
    if (TimebaseMode() != ModeB) return deskew;
    TCommandTree* tree = Shell_.CommandTree();
    const double delay =
        ReadRealSetting(tree, "TB:Delay", DelayStart) + (timebase == 1 ? ReadRealSetting(tree, "TB:DeltaDel", DeltaDelStart) : 0.0);
    return ReadRealSetting(tree, "TB:ScaleA", ScaleAStart) * delay + deskew;
}

int TAcqPassValues::HorizontalUnit() const {
    const TSerialServices& s = Shell_.Serial();
    if (s.IsTdrActive()) {
        switch (s.TdrDistanceUnit()) {
            case 0: return 0;
            case 1: return 2;
            case 2: return 3;
            default: return 4;
        }
    }
    return ReadChoiceSetting(Shell_.CommandTree(), "TB:Units", 0) == 1 ? 1 : 0;
}

double TAcqPassValues::TimeToUnit(int unit, double time) const {
    const TSerialServices& s = Shell_.Serial();
    switch (unit) {
        case 1:
            return time * StandardBitRates().GetRate(ReadChoiceSetting(Shell_.CommandTree(), "TB:BitRate", BitRateStart));
        case 2: return TdrTimeToMeters(time, s.TdrTransmission(), s.TdrVelocityFactor());
        case 3: return TdrTimeToFeet(time, s.TdrTransmission(), s.TdrVelocityFactor());
        case 4: return TdrTimeToInches(time, s.TdrTransmission(), s.TdrVelocityFactor());
        default: return time;
    }
}

double TAcqPassValues::Holdoff() const { return ReadRealSetting(Shell_.CommandTree(), "Trig:Holdoff", HoldoffStart); }
int TAcqPassValues::TrigMode() const { return ReadChoiceSetting(Shell_.CommandTree(), "Trig:Mode", 0); }
int TAcqPassValues::TrigSource() const { return ReadChoiceSetting(Shell_.CommandTree(), "Trig:Source", 0); }

int TAcqPassValues::DisplayFormat() const { return ReadChoiceSetting(Shell_.CommandTree(), "Displ:Format", 0); }
int TAcqPassValues::XAxisSource() const { return ReadChoiceSetting(Shell_.CommandTree(), "Displ:XAxis", ssCh1); }
int TAcqPassValues::YAxisSource() const { return ReadChoiceSetting(Shell_.CommandTree(), "Displ:YAxis", ssCh2); }
bool TAcqPassValues::MaskTestOn() const { return ReadOnOffSetting(Shell_.CommandTree(), "Mask:Test", false); }

int TAcqPassValues::MaskCompareSource() const {
    return ReadChoiceSetting(Shell_.CommandTree(), "Mask:CompareWith", 0) == 1 ? ssCh2 : ssCh1;
}

int TAcqPassValues::TdrMode() const { return ReadChoiceSetting(Shell_.CommandTree(), "TDR:Mode", 0); }

// The step a reading is measured against: the reflection step (TDR) or the transmitted one (TDT),
// negative when the channel's step is inverted (a generator output always is).
double TAcqPassValues::TdrStepAmplitude(int channel) const {
    TCommandTree* tree = Shell_.CommandTree();
    const bool tdt = TdrMode() == 2;
    const double amplitude = ReadRealSetting(tree, "TDR:" + ChannelPath(channel, tdt ? "RefTDTAmpl" : "RefAmpl"), 1);
    const bool inverted = ReadChoiceSetting(tree, "TDR:" + ChannelPath(channel, "Polar"), 0) == 1;
    return inverted ? -amplitude : amplitude;
}

double TAcqPassValues::TdrBaseLine(int channel) const {
    const bool tdt = TdrMode() == 2;
    return ReadRealSetting(Shell_.CommandTree(), "TDR:" + ChannelPath(channel, tdt ? "RefTDTZero" : "BaseLine"), 0);
}

double TAcqPassValues::TdrDielectric() const {
    TCommandTree* tree = Shell_.CommandTree();
    if (ReadChoiceSetting(tree, "TDR:Unit", 0) == 1) return ReadRealSetting(tree, "TDR:DielConst", 1);
    const double v = ReadRealSetting(tree, "TDR:Velos", 1);
    return v != 0 ? 1 / (v * v) : 1;
}

}  // namespace vt
