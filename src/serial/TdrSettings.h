#pragma once
// The TDR/TDT settings (`TDR:` node): the channel roles (which generator drives which channel), the
// vertical units of a channel (volt, rho, ohm, gain), the distance axis and its velocity factor, the
// measurement margins and the start and end of a channel's normalization. The acquisition and the
// display ask it for a channel's TDR state and for the distance conversions.
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "serial/TdrParameterLists.h"

namespace vt {

class TShell;
class TSignalObj;
class THandler;
class TCheckSwHandler;
class TDoubleEditHandler;
class TIntEditHandler;
class TOnOffHandler;
class TRadioSwHandler;
class TRightCommandHandler;
class TTdrNormalization;
class TTdrChannelCalibration;
class TTdrReadouts;

inline constexpr int TdrChannel1 = 2;  // channel indexes as the channels count them
inline constexpr int TdrChannel2 = 3;

// Source index of a measurement source: Ch1 0, Ch2 2, NormCh1 4, NormCh2 5.
int TdrSignalOfChannel(int source);

class TTdrSettings {
public:
    struct TChannelHandlers {
        TRadioSwHandler* Destination = nullptr;
        TRadioSwHandler* Polar = nullptr;
        TRadioSwHandler* VertScale = nullptr;
        TRadioSwHandler* VertTDTScale = nullptr;
        TRightCommandHandler* DoVertCalibr = nullptr;
        TDoubleEditHandler* RefAmpl = nullptr;
        TDoubleEditHandler* RefTDTAmpl = nullptr;
        TDoubleEditHandler* RefTDTZero = nullptr;
        TDoubleEditHandler* BaseLine = nullptr;
        TDoubleEditHandler* RefPlane = nullptr;
        TDoubleEditHandler* NormTime = nullptr;
        TOnOffHandler* Normalize = nullptr;
    };
    struct TSourceHandlers {
        TCheckSwHandler* TdrParams = nullptr;
        TCheckSwHandler* TdtParams = nullptr;
        TIntEditHandler* LeftMargins = nullptr;
        TIntEditHandler* RightMargins = nullptr;
    };
    // What the settings ask of the rest of the program; each may stay empty.
    struct THooks {
        std::function<void()> UpdateGeneratorOutputs;
        std::function<void(int channel)> UpdateChannelScaleMnemonics;
        std::function<void()> RefreshGeneratorMenus;
        std::function<void()> ResetMenuPage;
        std::function<void()> UpdateTimebaseScales;
        std::function<void()> RefreshMathControls;
    };

    explicit TTdrSettings(TShell& shell) : Shell_(shell) {}

    void CreateTDRHandlers();
    void RefreshTDRHandlers();

    // --- state asked by the acquisition and the display
    bool HasGenerators() const;
    bool IsTdrActive() const;
    bool TdrModeIsTdr() const;
    // 0 none, 1 rho, 2 ohm, 3 gain; 0 while the normalization form owns the channel unless ignored.
    int TdrChannelState(int channel, bool ignoreNormForm = false) const;
    double TdrVelocityFactor() const;
    int TdrDistanceUnit() const;
    std::string ModeName() const { return TdrModeIsTdr() ? "TDR" : "TDT"; }

    // --- rules
    void UpdateTdrChannelDestinations(int channel);
    void UpdateTdrChannelChoice();
    void ClearTdrNormalizedFunctions();
    void ApplyPendingTdrClear();
    // The margins layer of the measured source shown or removed.
    void ShowMarginsLayer();
    // The display pass's measurements: every chosen parameter of the current side on each source
    // whose record is new since the last pass.
    void RecalcTdrReflections();
    bool MeasureOn() const;

    bool Calibrated(int channel) const { return Calibrated_.at(Slot(channel)); }
    void SetCalibrated(int channel, bool on);
    bool Warned(int channel) const { return Warned_.at(Slot(channel)); }
    void SetWarned(int channel, bool on) { Warned_.at(Slot(channel)) = on; }
    // The channel's message that it needs the calibration first: shown once, its box closed when the
    // cause goes (the channel calibrated, the measurement off, another mode).
    void WarnUncalibrated(int channel);
    void WithdrawUncalibratedWarnings();

    const TChannelHandlers& Channel(int channel) const { return Channels_.at(Slot(channel)); }
    const TSourceHandlers& Source(int source) const { return Sources_.at(static_cast<std::size_t>(source)); }
    TRadioSwHandler* Mode() const { return Mode_; }

    THooks Hooks;
    TTdrNormalization* Normalization = nullptr;
    TTdrChannelCalibration* ChannelCalibration = nullptr;
    // The strip rows and annotations of the parameters; none without a display.
    TTdrReadouts* Readouts = nullptr;
    // The chosen measurement parameters, kept in step with the sources' check lists.
    TTdrParamLists Params;

private:
    static std::size_t Slot(int channel) { return channel == TdrChannel2 ? 1 : 0; }
    void RegisterChannel(int channel);
    void RegisterSource(int source);
    void OnModeChange();
    void OnHorScaleChange();
    void OnMeasureChange();
    void OnNormalizeChange(int channel, THandler& handler);
    void StartNormalization(int channel);
    void EndNormalization(int channel);
    void OnNormTimeChange(int channel);
    void OnLayersChange();
    void ResetFunctionZoom(int channel);
    std::string MarginText(double column) const;
    bool MeasureParam(const TSignalObj& record, TReflectParam& param);
    double MarginColumnOfTime(double time) const;
    int MeasuredSource() const;

    TShell& Shell_;
    std::shared_ptr<bool> Alive_ = std::make_shared<bool>(true);
    std::array<TChannelHandlers, 2> Channels_{};
    std::array<TSourceHandlers, 4> Sources_{};
    std::array<bool, 2> Calibrated_{};
    std::array<bool, 2> Warned_{};
    std::array<std::string, 2> WarningShown_{};  // the text of each channel's message while its cause lasts
    std::array<bool, 2> NormalizeBefore_{};
    // The function's display, operator and source before it showed the normalized channel.
    struct TSavedFunction {
        bool Display = false;
        int Operat = 4;
        int Source = 0;
    };
    std::array<TSavedFunction, 2> SavedFunction_{};
    bool PendingClear_ = false;
    bool MeasureShown_ = false;
    bool Refreshed_ = false;
    bool ProgramSetsVelocity_ = false;
    TRadioSwHandler* Mode_ = nullptr;
    TRadioSwHandler* ChSelect_ = nullptr;
    TRadioSwHandler* HorScale_ = nullptr;
    TRadioSwHandler* Unit_ = nullptr;
    TDoubleEditHandler* Velos_ = nullptr;
    TDoubleEditHandler* DielConst_ = nullptr;
    TOnOffHandler* Measure_ = nullptr;
    TRadioSwHandler* MeasSource_ = nullptr;
    TOnOffHandler* ViewMargins_ = nullptr;
};

}  // namespace vt
