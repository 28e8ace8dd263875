#pragma once
// The trigger settings ("Trig:" node): source, level with its attenuation scale, internal clock period,
// mode, slope, holdoff with limits that follow the model, the timebase and the acquisition, hysteresis,
// the low-jitter reference and the pattern-sync trigger (lock mode, pattern length, start bit and scan,
// dividers, data rate). The unit sends the instrument its trigger and pattern commands and keeps the
// trigger indicator of the top strip.
#include <cstdint>
#include <functional>

#include "core/Feature.h"

namespace vt {

class TShell;
class TCommandTree;
class THandler;
class TRadioSwHandler;
class TOnOffHandler;
class TDoubleEditHandler;
class TIntEditHandler;
class TTimebase;

enum TTrigSource : int { tsDirect = 0, tsExtHF = 1, tsIntClock = 2, tsClockRecov = 3 };
enum TTrigMode : int { tmFree = 0, tmTrig = 1 };
enum TPatternLockMode : int { plmOff = 0, plmAutoDetect = 1, plmManual = 2 };
enum TTrigAttenUnit : int { tauOff = 0, tauRatio = 1, tauDB = 2 };

inline constexpr double HoldoffMaximumNew = 1.0;
inline constexpr double HoldoffMaximumOld = 0.03072;
inline constexpr double HoldoffMaximumPatternLock = 1.5e-4;
inline constexpr double ScaleAMaximumPatternLock = 1e-5;
inline constexpr double PatternLockLowestRate = 1e7;  // bit/s
inline constexpr double PatternRateUnreadable = -22222;
inline constexpr double IntClockDetuneFactor = 1.0108892860517004601;

// The instrument's start bit of a scan position a, for the pattern length L as sent and the divider
// product D.
int PatternInstrumentStartBit(int a, int length, int dividers);
// L is one less than a power of two and below 32768.
bool IsPrbsPatternLength(int length);

// One trial of a trigger level, stepped on the link clock: the level is set, 100 ms later the
// instrument is asked whether it triggers, 100 ms later the answer of a second question counts.
class TTrigLevelTrial {
public:
    enum TState { Idle, WaitBeforeQuestion, WaitBeforeAnswer, Done };
    TState State() const { return State_; }
    bool Result() const { return Result_; }

private:
    friend class TTrigger;
    TState State_ = Idle;
    bool Result_ = false;
    std::int64_t DueMs_ = 0;
};

class TTrigger : public TFeature {
public:
    // timebase: whose largest time scale the pattern lock gives back (may be null).
    TTrigger(TShell& shell, TTimebase* timebase);
    ~TTrigger() override;
    TTrigger(const TTrigger&) = delete;
    TTrigger& operator=(const TTrigger&) = delete;

    void FillRows(TShell& shell) override;
    void RecheckPatternLock(bool force) override;
    void RefreshTrigIndicator(int queryKind) override;

    // Registration: the holdoff maximum, then the settings in their order.
    void CreateTrigHandlers(TCommandTree& tree);
    // Instrument start and link recovery.
    void ApplyTrigSettings();
    void SetHoldoffMaximum();
    void UpdateHoldoffTracking();
    void ApplyHoldoffMinimum();

    // Pattern lock is on and may be re-checked.
    bool PatternLockActive() const;
    // The data rate of the pattern trigger in bit/s (sets the internal divider and `Trig:DataRate`).
    double PatternDataRate();
    // The pattern-scan hook of the acquisition cycle.
    void StepPatternScanDelay();
    // The trigger indicator after an acquisition pass with n words.
    void ShowTrigPresence(int n);

    // Autoscale's trials: starts one (the demo answers at once), then steps it until Done.
    void StartTryTrigLevel(TTrigLevelTrial& trial, double level);
    void StepTryTrigLevel(TTrigLevelTrial& trial);
    // The internal clock for autoscale (source IntClock, period 1e-5) and its detuning step.
    void SetupInternalClock();
    void DetuneInternalClock();

    // --- what the pattern search and the reference-sine capture provide when they exist ---
    std::function<bool()> PatternLengthListEmpty;
    std::function<void(double rate)> FindPatternTrigger;
    std::function<void()> StartRefSineCapture;
    std::function<void()> StopRefSineCapture;

    // --- state ---
    bool HoldoffTracking() const { return HoldoffTracking_; }
    double HoldoffMaximum() const { return HoldoffMaximum_; }
    double DataRate() const { return DataRate_; }
    int ScanPosition() const { return ScanPosition_; }
    int PatternLength() const { return Length_; }
    int Dividers() const;
    double AttenuationFactor() const;
    bool PatternSyncOption() const;

    TRadioSwHandler* Source() const { return Source_; }
    TRadioSwHandler* PatternLockMode() const { return LockMode_; }
    TDoubleEditHandler* Holdoff() const { return Holdoff_; }
    TIntEditHandler* PattDelay() const { return PattDelay_; }

private:
    void HoldoffChanged();
    void PatternLengthChanged();
    void StartBitLimits();
    void StartBitChanged();
    void DividerChanged();
    void PatternLockChanged();
    void ResetPattLock();
    void PattAddDelayChanged();
    void SourceChanged();
    void AttenUnitChanged();
    void LowJitterChanged();
    void SendPatternDelay(int position);
    void SendPatternOn(bool on);
    double ModelMinimum() const;
    double ScaleA() const;
    bool Connected() const;
    bool Demo() const;
    std::int64_t NowMs() const;
    void Break();
    double StartBitFactor() const;
    void ShowTrigState(int state);

    TShell& Shell_;
    TTimebase* Timebase_ = nullptr;

    TRadioSwHandler* Source_ = nullptr;
    TRadioSwHandler* HeadPower_ = nullptr;
    TDoubleEditHandler* ExtLevel_ = nullptr;
    TDoubleEditHandler* IntRate_ = nullptr;
    TRadioSwHandler* Mode_ = nullptr;
    TRadioSwHandler* Slope_ = nullptr;
    TDoubleEditHandler* Holdoff_ = nullptr;
    TRadioSwHandler* Hister_ = nullptr;
    TOnOffHandler* LowJitter_ = nullptr;
    TDoubleEditHandler* RefFreq_ = nullptr;
    TIntEditHandler* RefDivider_ = nullptr;
    TRadioSwHandler* AttenUnit_ = nullptr;
    TDoubleEditHandler* AttenRatio_ = nullptr;
    TDoubleEditHandler* AttenDB_ = nullptr;
    TRadioSwHandler* LockMode_ = nullptr;
    TDoubleEditHandler* DataRateSetting_ = nullptr;
    TIntEditHandler* IntDivider_ = nullptr;
    TIntEditHandler* ExtDivider_ = nullptr;
    TIntEditHandler* PattLen_ = nullptr;
    TIntEditHandler* PattDelay_ = nullptr;
    TOnOffHandler* PattAddDelay_ = nullptr;
    TIntEditHandler* PattScanBits_ = nullptr;
    TOnOffHandler* PattEyeLine_ = nullptr;

    double HoldoffMaximum_ = HoldoffMaximumNew;
    bool HoldoffTracking_ = false;
    int Length_ = 127;
    bool Prbs_ = true;
    int ScanPosition_ = 0;
    double DataRate_ = 0;
    bool AddDelayOn_ = false;
    bool IndicatorAsked_ = false;
    std::int64_t LastIndicatorMs_ = 0;
    bool PresenceShown_ = false;
    std::int64_t LastPresenceMs_ = 0;
    bool HooksSet_ = false;
};

}  // namespace vt
