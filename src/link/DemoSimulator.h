#pragma once
// The demo simulator: without hardware, and for a channel of a connected instrument that is routed to
// a simulated generator, it produces the signed 16-bit codes the instrument would send, from the
// settings of the four simulated generators ("GSS:A:" .. "GSS:D:"), the acquisition and timebase
// values the command senders hand it, Gaussian noise and time jitter. It reads the generators'
// settings by header, so it draws true traces before the features around it exist.
#include <array>
#include <cstdint>
#include <memory>

#include "core/GaussianNoise.h"
#include "link/AcqWordSource.h"
#include "link/CommandSenders.h"
#include "link/PrbsPattern.h"
#include "link/UniformRandom.h"

namespace vt {

class TShell;

// Waveform kinds of the generators (`:Waweform`).
enum TGssWaveform : int { gwSinewave = 0, gwPulse = 1, gwPrbs = 2, gwTdr = 3, gwTdt = 4 };

class TTutorial final : public TSimulatorSettingsSink, public TAcqWordSource {
public:
    static constexpr std::uint16_t EndOfRecord = 0x8000;
    static constexpr int CodesPerVolt = 16000;
    static constexpr int PollsPerRead = 125;

    explicit TTutorial(TShell& shell);

    // --- the values the senders hand over, connected or not ---
    void SetRecordLength(std::uint16_t length) override { RecordLength_ = length; }
    void SetAverages(std::uint16_t count) override { AverageCount_ = count; }
    void SetChannels(std::uint8_t mode) override { ChannelsMode_ = mode; }
    void SetTimeDiv(double seconds) override { TimePerDiv_ = seconds; }
    void SetTimebaseDelay(double seconds) override { Delay_ = seconds; }
    void SetGenStepDelay(std::int64_t steps) override { StepsDelay_ = steps; }

    // The delay-line model from the timebase adjustment values (true) or from the defaults.
    void DemoInit(bool useAdjustment);
    // Loads the PRBS settings of the generators that Ch1 and Ch2 select into their patterns.
    void DemoSetupPatternGenerators();
    // The pattern trigger: a new random base in 0..length-1, start bit = base + `Trig:PattDelay`.
    void DemoSetRandomRange(int patternLength);
    void DemoSetRandomOffset(int delay) { StartBit_ = RandomBase_ + delay; }
    void DemoSetRandomSeed(bool patternTriggerOn);

    // One acquisition; starting while one is marked running is an internal error.
    void DemoStartAcquisition();
    bool DemoAcquisitionReady();
    std::uint16_t DemoNextSample();
    // `:Frequency` of the generator channel (2 Ch1, 3 Ch2) selects, else of generator A.
    double DemoGeneratorValue(int channel) const;

    // The words of 125 polls; never fails.
    bool ReadAcqWords(const std::uint16_t*& words, std::uint16_t& count) override;

    // The mark of a running acquisition: the link's, else the simulator's own.
    bool AcquisitionRunning() const;
    void SetAcquisitionRunning(bool on);

    // Raised by the autoscale while it looks for an untriggered signal: sample times are random.
    bool AutoscaleUntriggered = false;

    TGaussianRandom& Gaussian() { return Gaussian_; }
    TUniformRandom& Uniform() { return Uniform_; }
    const TPSP& Pattern(int index) const { return *Patterns_[static_cast<std::size_t>(index)]; }
    // The sample time of the point to be produced next.
    double CurrentSampleTime() const { return SampleTime_; }
    int PacingCount() const { return Pacing_; }

private:
    struct TCircuit {
        double Rho = 0;       // of the load against 50 ohm
        double RhoBack = 0;   // of 50 ohm against the load
        double Delay = 0;     // TDR: line delay h; TDT: delay D
        double Spacing = 0;   // TDR echo spacing; 0 none
        double Weight = 1;    // TDT
        bool Off = true;
    };
    struct TChannel {
        int Generator = 0;  // 0 off, 1..4 = A..D
        int Kind = gwSinewave;
        double AmpCode = 0, OffsetCode = 0, NoiseCode = 0, ChannelOffsetCode = 0;
        double DarkCode = 0;  // the optical converter's dark output when it feeds the channel
        double Frequency = 1e8, Period = 1e-8, Jitter = 0;
        double PhaseFraction = 0, PeriodJitterAmp = 0;
        std::array<double, 8> P{};
        bool FrameTrigger = false;
        double ExtraBitProbability = 0;
        double Skol = 0, Omega = 1, Tau = 1;
        TCircuit Circuit;
    };

    void SetupChannel(int index);
    void LoadPattern(int index, int generator);
    double PulseShape(const TChannel& c, double tau) const;
    double Ringing(const TChannel& c, double u) const;
    double TdrValue(const TChannel& c, double t) const;
    double TdtValue(const TChannel& c, double t) const;
    double EchoSum(const TChannel& c, double weight, double q, double first, double step, std::int64_t count) const;
    static std::int64_t WeightsAboveLimit(double m0, double q);
    double PrbsPosition(int index, double t, double jitter);
    // The codes of the next points, into the queue the words are read from.
    void ProducePoints(int points);
    void SignalValues(int index, int n);
    double DelayLineTime(std::int64_t n, double f) const;
    void NextSampleTime();
    bool ChannelAcquired(int index) const;

    TShell& Shell_;
    TGaussianRandom Gaussian_;
    TUniformRandom Uniform_;
    std::array<std::unique_ptr<TPSP>, 2> Patterns_;
    std::array<TChannel, 2> Channels_{};
    bool OwnRunning_ = false;

    // Before the first send: nothing divides by zero and the trace is a trace.
    std::uint8_t ChannelsMode_ = chCodeBoth;
    std::uint16_t AverageCount_ = 1;
    std::uint16_t RecordLength_ = 512;
    double TimePerDiv_ = 1e-8;
    double Delay_ = 0;
    std::int64_t StepsDelay_ = 3;
    double StepTime_ = 0;

    // The delay-line model.
    double StrobePeriod_ = 4.6e-9;
    double FineCount1_ = 18333, FineCount2_ = 36387;
    double OddPeriodOffset_ = 1e-12;
    double FineTB_ = 18333;
    double FineUnit1_ = 4e-9 / 18333;  // seconds per fine count on the first model line
    int ModelLine_ = 1;
    std::int64_t N_ = 0, WholeStep_ = 0;
    double F_ = 0, FineStep_ = 0, FinePerPeriod_ = 1;

    double SampleTime_ = 0;
    int PointCounter_ = 1;
    int Pending_ = 0;
    std::uint16_t PendingCode_ = 0;
    int Pacing_ = 1;
    int PollCounter_ = 1;

    // The pattern start state.
    int PatternTrigLength_ = 0;
    int RandomBase_ = 0;
    std::int64_t StartBit_ = 0;
    bool PatternTriggerMode_ = false;

    std::array<std::uint16_t, PollsPerRead> Words_{};

    // The points of one read, made in one run and handed out word by word.
    std::array<std::uint16_t, PollsPerRead> Queue1_{}, Queue2_{};
    std::array<std::int64_t, PollsPerRead> Sums1_{}, Sums2_{};
    int QueueNext_ = 0, QueueEnd_ = 0;
    // A run is worked in slices of this many samples (a point takes one per average).
    static constexpr int Slice = 256;
    static constexpr int MaxDraws = 5;  // the time jitter, and each channel's jitter and noise
    std::array<double, Slice * MaxDraws> Draws_{};
    std::array<double, Slice> Times_{};
    std::array<std::array<double, Slice>, 2> Values_{};
    std::array<int, Slice> PointOf_{};
    int DrawsPerSample_ = 1;
    std::array<int, 2> JitterDraw_{}, NoiseDraw_{};
};

}  // namespace vt
