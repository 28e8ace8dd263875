#pragma once
// The vertical settings of the two input channels: shown and acquired, scale and offset (in volts, or
// under TDR/TDT analysis in rho, ohm or gain), band, external attenuation and deskew. The unit keeps the
// channels' signal sources on or off, sends the band, the offset compensation and the acquired-channel
// selection, and shows scale and offset in the units the user sees.
#include <array>
#include <functional>
#include <string>

namespace vt {

class TShell;
class TCommandTree;
class THandler;
class TRadioSwHandler;
class TOnOffHandler;
class TDoubleEditHandler;
class TTimebase;

// Attenuation units of "Atten:Unit".
enum TAttenuationUnit : int { auOff = 0, auRatio = 1, auDb = 2 };

struct TChannelHandlers {
    TOnOffHandler* Display = nullptr;
    TOnOffHandler* Acquire = nullptr;
    TDoubleEditHandler* Scale = nullptr;
    TDoubleEditHandler* Offset = nullptr;
    TDoubleEditHandler* RhoScale = nullptr;
    TDoubleEditHandler* RhoOffset = nullptr;
    TDoubleEditHandler* OhmScale = nullptr;
    TDoubleEditHandler* OhmOffset = nullptr;
    TDoubleEditHandler* GainScale = nullptr;
    TDoubleEditHandler* GainOffset = nullptr;
    TRadioSwHandler* Band = nullptr;
    TRadioSwHandler* AttenUnit = nullptr;
    TDoubleEditHandler* AttenRatio = nullptr;
    TDoubleEditHandler* AttenDB = nullptr;
    TRadioSwHandler* AttenDimens = nullptr;
    TDoubleEditHandler* Deskew = nullptr;
};

class TChannels {
public:
    TChannels(TShell& shell, TTimebase& timebase);
    TChannels(const TChannels&) = delete;
    TChannels& operator=(const TChannels&) = delete;

    // "SHADOW:MenuSelectL", "SHADOW:MenuSelectR", then the "Ch1:" and "Ch2:" settings.
    void CreateChannelHandlers(TCommandTree& tree);
    // Instrument start and link recovery: offset compensation, edits, switches and band of each channel.
    void RefreshChannelHandlers();
    // The scale and offset controls of both channels show their values again.
    void RefreshChannelScales();

    // Channels are the channel indexes 2 (Ch1) and 3 (Ch2).
    bool IsSignalShown(int source) const;
    bool IsChannelOn(int channel) const;
    // 0 none, 1 rho, 2 ohm, 3 gain.
    int TdrState(int channel) const;
    double ChannelAttenuationFactor(int channel) const;
    std::string ChannelUnitText(int channel) const;
    // The unit of the channel's Scale and Offset: the probe's, volts in a TDR/TDT state.
    std::string ProbeUnitText(int channel) const;
    // "Rho", "Ohm", "Gain" or "".
    std::string ChannelScaleUnitPrefix(int channel) const;
    // Binds the strip's edits of the channel to the scale and offset its state shows.
    void UpdateChannelScaleMnemonics(int channel);

    double Offset(int channel) const;
    double Deskew(int channel) const;

    // Whether the channel is fed by the optical-to-electrical converter; none answers false.
    std::function<bool(int channel)> FedByOEConverter;

    const TChannelHandlers& Handlers(int channel) const { return Ch_[Slot(channel)]; }
    TRadioSwHandler* MenuSelect(bool left) const { return left ? SelectL_ : SelectR_; }

private:
    static std::size_t Slot(int channel);
    void CreateOneChannel(TCommandTree& tree, int channel);
    void ScaleChanged(THandler& h, int channel);
    void SendOffsetComp(int channel);
    void ChannelSwitchChanged(int channel);
    void RefreshEnabledStates(int channel);
    void AttenuationUnitChanged(int channel);
    void BandChanged(int channel);
    void RedisplayScaleAndOffset(int channel);
    void SendAcqChannels();
    void Break();

    TShell& Shell_;
    TTimebase& Timebase_;
    TRadioSwHandler* SelectL_ = nullptr;
    TRadioSwHandler* SelectR_ = nullptr;
    std::array<TChannelHandlers, 2> Ch_{};
};

}  // namespace vt
