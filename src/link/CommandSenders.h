#pragma once
// One small sender per instrument setting: it turns the setting's value into the instrument's own
// command line and sends it through the text channel. The acquisition values remember what was last
// sent, so that an unchanged value does not go out again (and does not break a running acquisition).
// The owner (the shell context) keeps one TInstrumentSenders beside the link and the identity.
#include <cstdint>
#include <functional>
#include <random>
#include <string>

namespace vt {

class TInstrumentLink;
struct TInstrumentIdentity;

// The demo simulator takes every acquisition value that is sent. Does nothing until it exists.
class TSimulatorSettingsSink {
public:
    virtual ~TSimulatorSettingsSink() = default;
    virtual void SetRecordLength(std::uint16_t) {}
    virtual void SetAverages(std::uint16_t) {}
    virtual void SetChannels(std::uint8_t) {}
    virtual void SetTimeDiv(double) {}
    virtual void SetTimebaseDelay(double) {}
    virtual void SetGenStepDelay(std::int64_t) {}
};

// The settings that the resend of every setting reads and changes. The setters go through the
// settings' handlers, so that their after-change callbacks send the instrument commands. Implemented
// by the feature units; channels are 2 (Ch1) and 3 (Ch2).
class TInstrumentSettingsAccess {
public:
    virtual ~TInstrumentSettingsAccess() = default;
    virtual double ChannelOffset(int channel) const = 0;
    virtual double TrigHoldoff() const = 0;
    virtual void SetTrigHoldoff(double value) = 0;
    virtual double TBScaleA() const = 0;
    virtual double TBScaleB() const = 0;
    virtual double TBDelay() const = 0;
    virtual void SetTBScaleA(double value) = 0;
    virtual void SetTBScaleB(double value) = 0;
    virtual void SetTBDelay(double value) = 0;
    virtual int TrigSource() const = 0;
    virtual void SetTrigSource(int index) = 0;
};

// Channel codes of the acquisition channel selection.
enum : std::uint8_t { chCodeCh1 = 2, chCodeCh2 = 3, chCodeBoth = 4 };
// Averaging modes as last sent.
enum : std::uint8_t { avgModeNone = 0, avgModeNorm = 1, avgModeAvg = 2 };
// The sampling mode before any was sent.
inline constexpr std::uint8_t kSampleModeNoneSent = 2;
// What the time per division and delay caches hold before a first send.
inline constexpr double kNothingSent = 2e20;
// Two values closer than this are the same value to the instrument.
inline constexpr double kSameValue = 1e-15;

class TInstrumentSenders {
public:
    TInstrumentSenders(TInstrumentLink& link, const TInstrumentIdentity& identity);

    // Both may be null.
    TSimulatorSettingsSink* Simulator = nullptr;
    TInstrumentSettingsAccess* Settings = nullptr;
    // A random integer 0..n-1, for the values shown without an instrument; a test makes it fixed.
    std::function<int(int n)> RandomInt;

    // --- trigger (item indices of the settings) ---
    void SendTrigHoldOff(double value);
    void SendTrigIntRate(double rate);
    void SendTrigSource(int source);       // 0 Direct, 1 ExtHF, 2 IntClock, 3 ClockRecov
    void SendTrigMode(int mode);           // 0 Free, 1 Trig
    void SendTrigLevel(double value);
    void SendTrigSlope(int slope);         // 0 Pos, 1 Neg
    void SendTrigHysteresis(int hister);   // 0 Norm, 1 HighSens

    // --- acquisition ---
    // 0 "SIMPLE", 1 "LFFB"; sent whatever was sent before. Any other mode sends nothing.
    void SendAcqSampleMode(std::uint8_t mode);
    // Sends the mode when it differs from the last one sent (or the cache was cleared).
    void SendAcqSampleModeIfChanged(std::uint8_t mode);
    void SendAcqRecordLength(std::uint16_t length, bool exempt = false);
    void SendAcqAverages(std::uint16_t averages, bool exempt = false);
    void SendAcqChannels(std::uint8_t code, bool exempt = false);

    // --- timebase ---
    void SendTimeDiv(double value);
    void SendTimebaseDelay(double value, bool exempt = false);

    // --- channels (2 Ch1, 3 Ch2) ---
    void SendChannelBand(int channel, int band);  // 0 Full, 1 Narrow
    // The value is minus the channel's offset setting.
    void SendChannelComp(int channel, double value);

    // --- generators: nothing is sent without the generator option ---
    void SendGenMode(int mode);  // 0..5
    void SendGenPeriod(std::int64_t value);
    void SendGenStepDelay(std::int64_t value);
    void SendGenDelay(std::int64_t value);
    void SendGenWidth(std::int64_t value);
    void SendGenPatternLength(int index);  // 0..3
    void SendGenTrigger(int trigger);      // 0 Clock, 1 Pattern
    void SendGenPolarity(int output, int polarity);  // output 1 or 2; 0 Pos, 1 Neg
    void SendGenDeskew(int output, std::int64_t value);
    void SendGenOffsetMode(int output, int mode);    // 0..2
    // The instrument answers the offset; the reply is read and dropped.
    void SendGenOffset(int output, std::int64_t value);

    // --- queries ---
    bool ReadTrigOn(bool exempt = false);
    // The instrument's temperature; 0 when the reply is not a number; without an instrument a
    // made-up value 20..39.75.
    double ReadInstrumentTemperature(bool exempt = false);
    // A made-up measured value 85..114 for use without an instrument.
    int RandomDemoValue();

    // The four acquisition settings sent just before "ACQ:GO": exempt, only where changed.
    void SendAcquisitionSettings(std::uint8_t channels, std::uint16_t recordLength, std::uint16_t averages,
                                 double delay);
    // Makes the instrument receive every setting again (instrument start, recovered link). True when
    // the link stayed free of errors.
    bool ResendInstrumentSettings();
    // Forgets every last-sent value, so that the next pass and the next resend send everything.
    void ClearCommandCache();

    // The last-sent values.
    struct TLastSent {
        double TimeDiv = kNothingSent;
        double Delay = kNothingSent;
        std::uint8_t Channels = 0;
        std::uint16_t RecordLength = 0;
        std::uint16_t Averages = 0;
        std::uint8_t AveragingMode = avgModeNone;
        std::uint8_t SampleMode = kSampleModeNoneSent;
        bool SampleModeForgotten = false;
    };
    const TLastSent& LastSent() const { return Last_; }

private:
    bool GenOption() const;
    int Random(int n);

    TInstrumentLink& Link_;
    const TInstrumentIdentity& Identity_;
    TLastSent Last_;
    std::mt19937 Rng_;
};

}  // namespace vt
