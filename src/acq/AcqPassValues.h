#pragma once
// The channel, timebase, trigger, display, mask and TDR values an acquisition pass is set up from, read
// in one place. The default reads them through the command tree by header, so the engine runs before
// the features that own them exist (an absent setting reads its start value, an absent switch off);
// a feature may answer from its own unit instead.
#include <string>

namespace vt {

class TShell;

class TAcqPassValues {
public:
    explicit TAcqPassValues(TShell& shell) : Shell_(shell) {}
    virtual ~TAcqPassValues() = default;
    TAcqPassValues(const TAcqPassValues&) = delete;
    TAcqPassValues& operator=(const TAcqPassValues&) = delete;

    // --- channels (2 Ch1, 3 Ch2) ---
    virtual double Scale(int channel) const;
    virtual double Offset(int channel) const;
    virtual double RhoScale(int channel) const;
    virtual double RhoOffset(int channel) const;
    virtual double OhmScale(int channel) const;
    virtual double OhmOffset(int channel) const;
    virtual double GainScale(int channel) const;
    virtual double GainOffset(int channel) const;
    // 1 unless an external attenuation is set (and never under TDR/TDT analysis).
    virtual double AttenuationFactor(int channel) const;
    virtual std::string UnitText(int channel) const;
    virtual double Deskew(int channel) const;
    // The channel's trace is displayed (its record must also be on to be shown).
    virtual bool ChannelDisplayed(int channel) const;
    // The channel is fed by a simulated generator rather than the instrument.
    virtual bool ChannelSimulated(int channel) const;

    // --- timebase ---
    virtual int TimebaseMode() const;  // 0 A, 1 AB, 2 B
    virtual bool DualDelay() const;    // mode B with two delayed windows
    virtual double ActiveTimeScale() const;
    // The time origin of a channel's pass on timebase 0 (A) or 1 (second window), deskew included.
    virtual double TimeOrigin(int channel, int timebase) const;
    // 0 time, 1 bits, 2 metres, 3 feet, 4 inches.
    virtual int HorizontalUnit() const;
    virtual double TimeToUnit(int unit, double time) const;

    // --- trigger ---
    virtual double Holdoff() const;
    virtual int TrigMode() const;
    virtual int TrigSource() const;

    // --- display, mask, TDR ---
    virtual int DisplayFormat() const;
    virtual int XAxisSource() const;
    virtual int YAxisSource() const;
    virtual bool MaskTestOn() const;
    virtual int MaskCompareSource() const;
    virtual int TdrMode() const;  // 0 off
    virtual double TdrStepAmplitude(int channel) const;
    virtual double TdrBaseLine(int channel) const;
    virtual double TdrDielectric() const;  // for distance units

protected:
    TShell& Shell_;
};

}  // namespace vt
