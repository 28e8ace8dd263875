#pragma once
// The acquisition engine: a state machine advanced by one step per idle call. A cycle gathers the
// channels that are on over the accumulation steps their mode asks for; each step has a sweep on
// timebase A (and B with dual delay); each sweep one pass for both channels or one per channel. A pass
// sets up the records and their layers, starts the instrument or the simulator, and later steps read
// the word stream into the records by the store mode. It attaches itself to the link as the break
// that runs before every command that changes what the instrument acquires, and runs the end-of-cycle
// hooks and the idle housekeeping of the shell's tables.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "acq/AcqPassValues.h"
#include "core/Feature.h"
#include "link/AcqWordSource.h"
#include "link/LinkClock.h"
#include "link/LinkServices.h"

namespace vt {

class TDerivedInputs;
class TDerivedSignals;
class TSignalObj;

class TSignalAcq : public TFeature, public TLinkAcquisition {
public:
    static constexpr int MaxBlockWords = 26000;
    // The wake of the idle step while the link is in the communication-error state, and after a cycle
    // that started nothing.
    static constexpr int PollWakeMs = 16;

    TSignalAcq();
    ~TSignalAcq() override;
    TSignalAcq(const TSignalAcq&) = delete;
    TSignalAcq& operator=(const TSignalAcq&) = delete;

    void FillRows(TShell& shell) override;
    void AttachToProgram(TShell& shell) override;
    // The close and a new layout of the screens break off what is outstanding.
    void BreakAcquisition(bool closing) override;
    void StartFlagRegisterReading() override;

    // --- what the link asks ---
    // Stops an outstanding acquisition and closes the cycle; afterBreak asks for the work that follows
    // a break (the accumulation starts anew).
    void BreakAcquisitionHook(bool afterBreak) override;
    void SendAcquisitionSettings(std::uint8_t channels, std::uint16_t recordLength, std::uint16_t averages,
                                 double delay) override;
    void StartSimulatedAcquisition() override;

    // --- the engine ---
    // One idle step; true while there is work to do at once.
    bool AcquisitionIdleStep();
    void AcqSequencerStep();
    void SetupChannelLayers(int channel, int timebase);
    void StartInstrumentAcquisition(int passChannels);
    // False when the read failed.
    bool ReadAcqStream();
    void AddAcquiredPoint(int channel, std::uint16_t word);
    // Point i of the channel's record (slot k) joins the run the display takes at once; a point that
    // does not follow the run hands the run over first.
    void QueuePlot(std::size_t k, int i);
    // Hands each channel's run of the block to its layer.
    void PlotQueued();
    double ScaleRawValue(int channel, std::uint16_t word) const {
        const std::size_t k = Slot(channel);
        return static_cast<std::int16_t>(word) * WordGain_[k] + WordOffset_[k];
    }
    void ResetAccumulation();
    // The link's re-check of the pattern lock before every 50th start: the trigger's answers.
    bool PatternLockActive() override;
    void RecheckPatternLock() override;
    // The flag-register poll's re-check keeps its own name beside the link's.
    using TFeature::RecheckPatternLock;

    // Both channels' acquisition display is to be drawn anew (settings changed).
    void SetRedrawFlags() { RedrawFlags_ = {true, true}; }
    // channel 2 or 3.
    bool RedrawFlag(int channel) const { return RedrawFlags_[Slot(channel)]; }
    void ClearRedrawFlag(int channel) { RedrawFlags_[Slot(channel)] = false; }

    // --- the cycle's end and the break ---
    void MarkAcquiredSignals();
    // False when a file could not be written (Run and Single are then stopped).
    bool SaveAcqWaveforms();
    void DrawXYDisplay();
    // The channel records a break left with a pass open become their last ended pass again, their
    // traces redrawn from them.
    void RestoreBrokenPasses();
    void AfterAcquisitionBreak();
    void StopFlagRegisterReading();
    void StopRunMode();
    void StopRunAndSingle();
    void AfterCycleWhenStopped();

    // --- seams ---
    // The clock of the waits (null: the steady clock).
    void SetClock(TLinkClock* clock) { Clock_ = clock ? clock : &OwnClock_; }
    // Where passes read: the instrument's blocks and the simulator (null: the shell's).
    void SetWordSources(TAcqWordSource* instrument, TAcqWordSource* simulator) {
        InstrumentSource_ = instrument;
        SimulatorSource_ = simulator;
    }
    // A feature that owns the pass values may answer them from its own unit.
    void SetPassValues(std::unique_ptr<TAcqPassValues> values);
    const TAcqPassValues& PassValues() const { return *PassValues_; }
    TDerivedSignals* Derived() { return Derived_.get(); }

    // --- state ---
    bool CycleOpen() const { return CycleOpen_; }
    void SetCycleOpen(bool open) { CycleOpen_ = open; }
    bool AcqReading() const;
    int AcqCount(int channel) const { return AcqCount_[Slot(channel)]; }
    int AccumCount(int channel) const { return AccumCount_[Slot(channel)]; }
    int StoreMode() const { return StoreMode_; }
    int PassChannels() const { return PassChannels_; }
    bool RealInstrumentPass() const { return RealInstrumentPass_; }
    int PointsExpected() const { return PointsExpected_; }
    int PointsReceived() const { return PointsReceived_; }
    bool NewData(int channel, int timebase) const { return NewData_[Slot(channel)][static_cast<std::size_t>(timebase)]; }
    int CycleCounter() const { return CycleCounter_; }
    // The wait after the last start, in ms.
    int LastWaitMs() const { return LastWaitMs_; }

private:
    static std::size_t Slot(int channel) { return channel == 3 ? 1 : 0; }
    TShell& Shell() const { return *Shell_; }
    void FillCycleHooks(TShell& shell);
    void FillHousekeeping(TShell& shell);
    void CloseCycle();
    bool BeginAcqCycle();
    bool IsAccumulating() const;
    void BeginAccumulationStep();
    bool NextDelayPhase();
    void ChooseAcqPassChannels();
    bool NeedAcqPass() const;
    void StartAcqPass();
    void EndAcqPasses() { SweepOpen_ = false; }
    void EndAccumulationStep();
    void EndAcqCycle();
    int StoreModeFor(int channel) const;
    int WaitAfterStartMs() const;
    void SetWaitMs(int ms);
    void ShowTrigWords(int words);
    void StopReadouts();
    void NotifyHandler(const char* header);
    TAcqWordSource* PassSource();

    TShell* Shell_ = nullptr;
    TSteadyLinkClock OwnClock_;
    TLinkClock* Clock_ = &OwnClock_;
    TAcqWordSource* InstrumentSource_ = nullptr;
    TAcqWordSource* SimulatorSource_ = nullptr;
    std::unique_ptr<TAcqWordSource> LinkSource_;
    std::unique_ptr<TAcqPassValues> PassValues_;
    std::unique_ptr<TDerivedInputs> DerivedInputs_;
    std::unique_ptr<TDerivedSignals> Derived_;

    std::array<bool, 2> RedrawFlags_{};
    bool CycleOpen_ = false;
    bool StepOpen_ = false;
    bool SweepOpen_ = false;
    bool SharedAcq_ = false;
    bool SharedAccumulating_ = false;
    std::array<bool, 2> ChAccumulating_{};
    std::array<int, 2> AccumCount_{};
    std::array<int, 2> AccumTarget_{};
    std::array<int, 2> AcqCount_{};
    int Phase_ = 2;
    int PassChannels_ = 4;
    int PassesInSweep_ = 0;
    bool RealInstrumentPass_ = false;
    std::array<std::array<bool, 2>, 2> NewData_{};
    int StoreMode_ = 0;
    int InstrumentAvgMode_ = 0;
    int InstrumentAverages_ = 1;
    int PointsExpected_ = 0;
    int PointsReceived_ = 0;
    int FirstSlot_ = 2, LastSlot_ = 3, CurrentSlot_ = 2;
    std::array<std::uint16_t, 2> SlotWords_{};
    std::array<double, 2> WordGain_{6.25e-5, 6.25e-5};
    std::array<double, 2> WordOffset_{};
    std::array<int, 2> AvgDepth_{};
    std::array<TSignalObj*, 2> PassRecord_{};
    std::array<int, 2> PassSource_{};
    std::array<bool, 2> PassLayer_{};
    // The block's points of each channel not plotted yet: first and one past the last.
    std::array<int, 2> PlotFirst_{};
    std::array<int, 2> PlotEnd_{};
    std::vector<double> PlotValues_;
    std::array<bool, 2> MaskOnChannel_{};
    double PassDelay_ = 0;
    int CycleCounter_ = 0;
    bool DisplayPending_ = false;
    bool CycleDone_ = false;
    bool TdrReadoutPending_ = false;
    bool SurplusBeeped_ = false;
    bool StartedInCycle_ = false;  // a pass of this cycle started the instrument or the simulator
    bool InOwnStart_ = false;      // the start's own commands must not break the cycle they belong to
    std::int64_t WaitUntilMs_ = -1;
    int LastWaitMs_ = 0;
};

}  // namespace vt
