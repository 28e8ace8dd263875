#pragma once
// The horizontal settings: the main (A) and delayed (B) time scales, the delays of the B windows, the
// timebase mode, the horizontal unit with one scale per unit and track, the bit rate, the bit-stream
// window and the sampler-timebase calibration curve. The unit keeps the unit scales in step with the
// time scales, limits the B scale and the delays by the A scale and sends the instrument its time per
// division and delay.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "link/TimebaseCalCurve.h"

namespace vt {

class TShell;
class TCommandTree;
class THandler;
class TRadioSwHandler;
class TOnOffHandler;
class TDoubleEditHandler;
class TIntEditHandler;

// Horizontal units, in the order of the scale group.
enum THorizontalUnit : int { huTime = 0, huBits = 1, huMetres = 2, huFeet = 3, huInches = 4, huNone = 5 };
inline constexpr int HorizontalUnitCount = 5;
// Timebase modes of "TB:Mode".
enum TTimebaseMode : int { tbmA = 0, tbmAB = 1, tbmB = 2 };

inline constexpr double SmallestTimeScale = 1e-11;
inline constexpr double LargestTimeScaleOld = 2e-3;  // software below 3.7.4 or FPGA below 0.3
inline constexpr double LargestTimeScaleNew = 5e-2;

// The sampler-timebase calibration.
struct TTimebaseCalibration {
    std::int32_t Interval = 68267;
    std::vector<std::uint16_t> Points{0, 65535};  // N + 1 points, N = 1..63
};

class TTimebase : public TTimebaseCalCurveAccess {
public:
    explicit TTimebase(TShell& shell);
    TTimebase(const TTimebase&) = delete;
    TTimebase& operator=(const TTimebase&) = delete;

    // Registers every "TB:" setting.
    void CreateTimebaseHandlers(TCommandTree& tree);
    // The instrument is known: the largest time scale and the limits of track A.
    void ApplyTimebaseModelLimits();
    // Instrument start and link recovery: units, dual delay, time scales from unit scales, mode.
    void RefreshTimebaseHandlers();

    THorizontalUnit GetHorizontalUnit() const;
    double GetActiveTimeScale() const;
    bool IsTimebaseModeAB() const;
    int Mode() const;
    double TimeToBits(double time) const;
    double BitsToTime(double bits) const;
    // A value of the unit from a time, and back.
    double TimeToUnit(int unit, double time) const;
    double UnitToTime(int unit, double value) const;
    // The time origin of a channel's pass: the deskew alone in modes A and AB; in mode B the start of
    // the first (second = false) or second delayed window plus the deskew.
    double ChannelTimeOrigin(bool second, double deskew) const;
    double LargestTimeScale() const { return LargestTimeScale_; }

    // Sets member index (unit × 2 + track) of the scale group as a program change of the time scale.
    void SetTimebaseValue(int index, double value);
    // Moves the delay (which 0) or the delta delay (1) by x screen widths.
    void ShiftTimebaseDelay(int which, double x);
    // Around an undo or redo step.
    void SaveTimebaseDelays();
    void RestoreTimebaseDelays();

    // An invalid text or interval resets the calibration to its defaults; false then.
    bool SetTimebaseCalCurve(std::int32_t interval, std::string_view text) override;
    std::string TimebaseCalCurveText() const override;
    const TTimebaseCalibration& Calibration() const { return Calibration_; }

    // The timebase state refresh (after unit and mode changes).
    void RefreshTimebaseState(bool unitFormats);
    // The intensified zone; fromDelay leaves it alone while Run is on.
    void RefreshIntensifiedZone(bool fromDelay);
    // "TB:TIMEDIV" and "TB:DELAY" for the current mode.
    void SendTimebase();

    // The handlers (null before registration).
    TRadioSwHandler* Units() const { return Units_; }
    TRadioSwHandler* BitRate() const { return BitRate_; }
    TRadioSwHandler* ModeHandler() const { return Mode_; }
    TDoubleEditHandler* Scale(int unit, int track) const { return Scales_[static_cast<std::size_t>(unit * 2 + track)]; }
    TDoubleEditHandler* Delay() const { return Delay_; }
    TDoubleEditHandler* DeltaDel() const { return DeltaDel_; }
    TOnOffHandler* DualDel() const { return DualDel_; }
    TIntEditHandler* StartBit() const { return StartBit_; }
    TIntEditHandler* StopBit() const { return StopBit_; }

private:
    void SetTimebaseScaleLimits(int track);
    void SyncUnitScalesFromTime(int track);
    void SyncTimebaseScalesFromUnit();
    void UnitScaleChanged(THandler& h, int unit, int track);
    void UnitsChanged();
    void ScaleAChanged(THandler& h);
    void ScaleBChanged(THandler* h);
    void DelayChanged(THandler* h);
    void DeltaDelChanged(THandler* h);
    void ModeChanged();
    void DualDelChanged();
    void ApplyDelayFormats();
    // Time becomes the unit being edited when a control, a remote command or SetTimebaseValue made the
    // change; the mark lasts for the change.
    bool UserChange(const THandler* h) const;
    double Rate() const;
    void Break();

    TShell& Shell_;
    TRadioSwHandler* Units_ = nullptr;
    TRadioSwHandler* BitRate_ = nullptr;
    TDoubleEditHandler* CustomBit_ = nullptr;
    TRadioSwHandler* Mode_ = nullptr;
    std::array<TDoubleEditHandler*, HorizontalUnitCount * 2> Scales_{};
    TDoubleEditHandler* Delay_ = nullptr;
    TDoubleEditHandler* BitDelay_ = nullptr;
    TOnOffHandler* DualDel_ = nullptr;
    TDoubleEditHandler* DeltaDel_ = nullptr;
    TIntEditHandler* StartBit_ = nullptr;
    TIntEditHandler* StopBit_ = nullptr;

    double LargestTimeScale_ = LargestTimeScaleNew;
    int Editing_ = huNone;
    int UnitBefore_ = huTime;
    bool InSetTimebaseValue_ = false;
    double SavedDelay_ = 0;
    double SavedDeltaDel_ = 0;
    bool DelayChangedByUndo_ = false;
    bool DeltaDelChangedByUndo_ = false;
    TTimebaseCalibration Calibration_;
};

}  // namespace vt
