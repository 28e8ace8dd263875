#pragma once
// The "Meas:" settings: the global display, definition source and statistics choices and, for each
// of the 14 signal sources, its level method, thresholds, measurement window, spectrum window and the
// check lists whose items are the measurements. Their callbacks add and remove measurements, keep
// paired limits in order, raise the engine's requests and enable what applies.
#include <array>
#include <cstdint>

#include "acq/SignalSources.h"

namespace vt {

class TShell;
class TCommandTree;
class THandler;
class TRadioSwHandler;
class TOnOffHandler;
class TCheckSwHandler;
class TEditHandler;
class TIntEditHandler;
class TDoubleEditHandler;
class TSignalSourceSwHandler;
class TRightCommandHandler;
class TGpibStringHandler;
class TMeasCalc;
class TMeasList;
class TMeasReadouts;

class TMeasurementSettings {
public:
    TMeasurementSettings(TShell& shell, TMeasCalc& calc, TMeasList& list, TMeasReadouts& readouts);
    ~TMeasurementSettings();
    TMeasurementSettings(const TMeasurementSettings&) = delete;
    TMeasurementSettings& operator=(const TMeasurementSettings&) = delete;

    void CreateMeasHandlers(TCommandTree& tree);
    void RefreshMeasHandlers();
    // Another analysis mode came on: the display goes Off.
    void SwitchOffMeasurements();
    // The source "Meas:DisplSrc" named at its last change holds a spectrum (the menu's FFT pages).
    bool DisplSrcIsSpectrum() const { return DisplSrcSpectrum_; }
    // The controls of a source's levels, thresholds and markers follow its new scale.
    void RefreshScaleControls(int source);
    // Runs every source's enabling.
    void EnableAllSources();

    struct TSourceHandlers {
        TRadioSwHandler* Method = nullptr;
        TIntEditHandler* Top = nullptr;
        TIntEditHandler* Base = nullptr;
        TRadioSwHandler* Thresh = nullptr;
        TRadioSwHandler* Unit = nullptr;
        std::array<TIntEditHandler*, 3> Rows{};        // UpThresh, MidThresh, LowThresh
        std::array<TDoubleEditHandler*, 3> Percents{};  // UpThPerc, MidThPerc, LowThPerc
        TRadioSwHandler* MargMode = nullptr;
        TIntEditHandler* LeftSlope = nullptr;
        TIntEditHandler* RightSlope = nullptr;
        TRadioSwHandler* LeftTresh = nullptr;
        TRadioSwHandler* RightTresh = nullptr;
        TIntEditHandler* LeftMarker = nullptr;
        TIntEditHandler* RightMarker = nullptr;
        TRadioSwHandler* FFTMethod = nullptr;
        TIntEditHandler* FFTLeft = nullptr;
        TIntEditHandler* FFTRight = nullptr;
        TDoubleEditHandler* PeakLevel = nullptr;
        TIntEditHandler* PeakLeft = nullptr;
        TIntEditHandler* PeakRight = nullptr;
        std::array<TCheckSwHandler*, 6> Lists{};  // by measurement group
        TSignalSourceSwHandler* Source2 = nullptr;
        int PreviousUnit = 0;
    };
    const TSourceHandlers& Source(int source) const { return Sources_.at(static_cast<std::size_t>(source)); }

private:
    struct TSourceRegistrar;
    void RegisterSource(TCommandTree& tree, int source);
    void RegisterSourceLevels(const TSourceRegistrar& reg);
    void RegisterSourceThresholds(const TSourceRegistrar& reg);
    void RegisterSourceMargins(const TSourceRegistrar& reg);
    void RegisterSourceLists(const TSourceRegistrar& reg);
    void DisplayAfter();
    void DisplSrcAfter();
    void StatModeRules();
    void EnableSource(int source);
    void MethodAfter(int source);
    void ThreshAfter(int source);
    void UnitAfter(int source);
    void MargModeAfter(int source);
    void CheckListAfter(int source, int group, THandler& h);
    void ClearAll();
    // The rows are shown by the unit: volts, divisions, or rows.
    std::string RowText(int source, double row) const;
    double RowOfText(int source, double typed) const;
    bool TimeMeasurable(int source) const;
    bool SpectrumMeasurable(int source) const;
    void RemoveOverlayLayers();
    void Listen();

    TShell& Shell_;
    TMeasCalc& Calc_;
    TMeasList& List_;
    TMeasReadouts& Readouts_;
    TRadioSwHandler* Display_ = nullptr;
    TSignalSourceSwHandler* DisplSrc_ = nullptr;
    TOnOffHandler* View_ = nullptr;
    TRadioSwHandler* Mode_ = nullptr;
    TRightCommandHandler* SingleMeas_ = nullptr;
    TRadioSwHandler* StatMode_ = nullptr;
    TIntEditHandler* Window_ = nullptr;
    TIntEditHandler* Weight_ = nullptr;
    std::array<TSourceHandlers, SignalRecordCount> Sources_{};
    bool DisplSrcSpectrum_ = false;
    int SignalsListener_ = 0;
    TSignalRecords* ListenedRecords_ = nullptr;
};

}  // namespace vt
