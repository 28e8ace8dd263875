#include "acq/SignalAcq.h"

#include <algorithm>

#include "acq/AcqSettings.h"
#include "acq/DerivedSignals.h"
#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/InternalError.h"
#include "core/Numeric.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "link/CommandSenders.h"
#include "link/DemoSimulator.h"
#include "link/InstrumentLink.h"

namespace vt {

namespace {

constexpr const char* Unit = "SignalAcq";
// A word is worth this many volts before attenuation.
constexpr double VoltsPerCode = 6.25e-5;
constexpr double PeakDoublingInterval = 2.2;

enum TStoreMode : int {
    smSample = 0,
    smAvgStab = 1,
    smAvgMult = 2,
    smAvgMedian = 3,
    smEnvFirst = 4,
    smEnvMinMax = 5,
    smEnvMax = 6,
    smEnvMin = 7,
    smPeak = 8,
    smNone = 9,
};

// The instrument's block reader as a word source.
class TLinkWordSource final : public TAcqWordSource {
public:
    explicit TLinkWordSource(TShell& shell) : Shell_(shell) {}
    bool ReadAcqWords(const std::uint16_t*& words, std::uint16_t& count) override {
        TInstrumentLink* link = Shell_.Link();
        count = 0;
        return link && link->ReadBinaryBlock(words, count, false);
    }

private:
    TShell& Shell_;
};

}  // namespace

TSignalAcq::TSignalAcq() = default;

TSignalAcq::~TSignalAcq() {
    if (Shell_ && Shell_->Link()) Shell_->Link()->SetAcquisition(nullptr);
}

void TSignalAcq::FillRows(TShell& shell) {
    Shell_ = &shell;
    LinkSource_ = std::make_unique<TLinkWordSource>(shell);
    if (!PassValues_) PassValues_ = std::make_unique<TAcqPassValues>(shell);
    DerivedInputs_ = std::make_unique<TDerivedInputs>(shell);
    Derived_ = std::make_unique<TDerivedSignals>(shell, *DerivedInputs_);
    shell.Registration.Add(TRegistrationRow::CreateAcqHandlers, [this](TShell& s) { CreateAcqHandlers(s, *this); });
    shell.Refresh.Add(TRefreshRow::RefreshAcqHandlers, [this](TShell& s) { RefreshAcqHandlers(s, *this); });
    shell.AcquisitionIdleStep = [this](TShell&) { return AcquisitionIdleStep(); };
    FillCycleHooks(shell);
    FillHousekeeping(shell);
    // The engine starts with no new data and neither Run nor Single.
    NewData_ = {};
    shell.RunOn = shell.SingleOn = false;
}

void TSignalAcq::AttachToProgram(TShell& shell) {
    Shell_ = &shell;
    if (!LinkSource_) LinkSource_ = std::make_unique<TLinkWordSource>(shell);
    if (!PassValues_) PassValues_ = std::make_unique<TAcqPassValues>(shell);
    if (shell.Link()) shell.Link()->SetAcquisition(this);
}

void TSignalAcq::SetPassValues(std::unique_ptr<TAcqPassValues> values) { PassValues_ = std::move(values); }

bool TSignalAcq::AcqReading() const {
    const TInstrumentLink* link = Shell_ ? Shell_->Link() : nullptr;
    return link && link->AcquisitionRunning();
}

TAcqWordSource* TSignalAcq::PassSource() {
    if (RealInstrumentPass_) return InstrumentSource_ ? InstrumentSource_ : LinkSource_.get();
    if (SimulatorSource_) return SimulatorSource_;
    return Shell().Simulator();
}

// ------------------------------------------------------------------------------------------ idle step

void TSignalAcq::SetWaitMs(int ms) {
    WaitUntilMs_ = Clock_->NowMs() + ms;
    Shell().WakeIdleWithin(ms);
}

bool TSignalAcq::AcquisitionIdleStep() {
    if (!Shell_) return false;
    TShell& shell = *Shell_;
    if (!shell.AcqEnabled) return false;
    TInstrumentLink* link = shell.Link();
    if (!link) return false;
    if (link->CommErrorFlag()) {
        // A pass that the error cut short is no complete pass: its cycle is given up.
        if (CycleOpen_) CloseCycle();
        WaitUntilMs_ = -1;
        if (link->CommErrorIdleStep()) return shell.RunOn || shell.SingleOn;
        // Every 16 ms during the grace, then probes no closer together than a probe may take.
        const TLinkTiming& t = link->Timing();
        const int probeMs = link->LinkKind() == TInstrumentLinkKind::Usb ? t.UsbProbeTimeoutMs : t.TcpProbeTimeoutMs;
        shell.WakeIdleWithin(link->CommErrIdleCount() < t.CommErrIdleCalls ? PollWakeMs : std::max(PollWakeMs, probeMs));
        return false;
    }
    if (WaitUntilMs_ >= 0) {
        const std::int64_t now = Clock_->NowMs();
        if (now < WaitUntilMs_) {
            shell.WakeIdleWithin(static_cast<int>(WaitUntilMs_ - now));
            return false;
        }
        WaitUntilMs_ = -1;
    }
    if (AcqReading()) {
        if (!ReadAcqStream()) {
            link->SetAcquisitionRunning(false);
            CloseCycle();
            shell.WakeIdleWithin(PollWakeMs);
            return false;
        }
        return true;
    }
    if (shell.RunOn || shell.SingleOn) {
        if (shell.Trigger.RefreshTrigIndicator) shell.Trigger.RefreshTrigIndicator(1);
        shell.FlagRegisterReadingEnabled = false;
        AcqSequencerStep();
        return WaitUntilMs_ < 0;
    }
    shell.IdleHousekeeping.Run(shell);
    return false;
}

// ------------------------------------------------------------------------------------------ sequencer

void TSignalAcq::AcqSequencerStep() {
    if (!CycleOpen_ && !BeginAcqCycle()) return;
    if (!StepOpen_) {
        if (!IsAccumulating()) {
            EndAcqCycle();
            return;
        }
        BeginAccumulationStep();
    }
    if (!SweepOpen_) {
        if (!NextDelayPhase()) {
            EndAccumulationStep();
            return;
        }
        ChooseAcqPassChannels();
    }
    if (NeedAcqPass()) StartAcqPass();
    else EndAcqPasses();
}

bool TSignalAcq::BeginAcqCycle() {
    TShell& shell = Shell();
    const TSignalsOn& on = shell.Records()->SignalsOn();
    if (!on.IsOn(ssCh1) && !on.IsOn(ssCh2)) return false;
    shell.FlagRegisterReadingEnabled = false;
    SharedAcq_ = AcqSettingsShared(shell);
    if (SharedAcq_) {
        AccumCount_[0] = 0;
        AccumTarget_[0] = GetAcqAccumulationCount(shell, ChannelIndex1);
        SharedAccumulating_ = true;
        ++AcqCount_[0];
        ++AcqCount_[1];
    } else {
        for (int ch : {ChannelIndex1, ChannelIndex2}) {
            const std::size_t k = Slot(ch);
            ChAccumulating_[k] = on.IsOn(ChannelSignalIndex(ch, 0));
            if (ChAccumulating_[k]) ++AcqCount_[k];
            AccumCount_[k] = 0;
            AccumTarget_[k] = GetAcqAccumulationCount(shell, ch);
        }
    }
    CycleOpen_ = true;
    StepOpen_ = false;
    SweepOpen_ = false;
    StartedInCycle_ = false;
    DisplayPending_ = true;
    CycleDone_ = true;
    return true;
}

bool TSignalAcq::IsAccumulating() const {
    return SharedAcq_ ? SharedAccumulating_ : (ChAccumulating_[0] || ChAccumulating_[1]);
}

void TSignalAcq::BeginAccumulationStep() {
    StepOpen_ = true;
    SweepOpen_ = false;
    Phase_ = 2;
}

bool TSignalAcq::NextDelayPhase() {
    Phase_ = Phase_ == 2 ? 0 : Phase_ + 1;
    return Phase_ == 0 || (Phase_ == 1 && PassValues_->DualDelay());
}

void TSignalAcq::ChooseAcqPassChannels() {
    PassChannels_ = SharedAcq_ ? chCodeBoth : (ChAccumulating_[0] ? chCodeCh1 : chCodeCh2);
    PassesInSweep_ = 0;
    SweepOpen_ = true;
}

bool TSignalAcq::NeedAcqPass() const {
    return PassesInSweep_ == 0 || (PassesInSweep_ == 1 && PassChannels_ == chCodeCh1 && !SharedAcq_ && ChAccumulating_[1]);
}

void TSignalAcq::StartAcqPass() {
    ++PassesInSweep_;
    if (PassesInSweep_ == 2) PassChannels_ = chCodeCh2;
    if (PassChannels_ == chCodeCh1 || PassChannels_ == chCodeBoth) SetupChannelLayers(ChannelIndex1, Phase_);
    if (PassChannels_ == chCodeCh2 || PassChannels_ == chCodeBoth) SetupChannelLayers(ChannelIndex2, Phase_);
    StartInstrumentAcquisition(PassChannels_);
}

void TSignalAcq::EndAccumulationStep() {
    StepOpen_ = false;
    TShell& shell = Shell();
    const bool linkOk = !(shell.Link() && shell.Link()->CommErrorFlag());
    if (SharedAcq_) {
        ++AccumCount_[0];
        if (linkOk) {
            shell.Display().TopTextShowAcqState(ChannelIndex1, false);
            shell.Display().TopTextShowAcqState(ChannelIndex2, false);
        }
        if (AccumCount_[0] >= AccumTarget_[0]) SharedAccumulating_ = false;
        return;
    }
    for (int ch : {ChannelIndex1, ChannelIndex2}) {
        const std::size_t k = Slot(ch);
        if (!ChAccumulating_[k]) continue;
        ++AccumCount_[k];
        if (linkOk) shell.Display().TopTextShowAcqState(ch, false);
        if (AccumCount_[k] >= AccumTarget_[k]) ChAccumulating_[k] = false;
    }
}

void TSignalAcq::EndAcqCycle() {
    TShell& shell = Shell();
    CycleOpen_ = false;
    CycleCounter_ = (CycleCounter_ + 1) % 10;
    if (shell.SingleOn) {
        shell.SingleOn = false;
        NotifyHandler("*StopSingle");
    }
    // A cycle whose passes started nothing (peak detection over a long interval) must not spin Run.
    if (!StartedInCycle_) SetWaitMs(PollWakeMs);
    shell.AcqCycle.Run(shell);
}

void TSignalAcq::CloseCycle() {
    CycleOpen_ = false;
    StepOpen_ = false;
    SweepOpen_ = false;
}

// --------------------------------------------------------------------------------------- pass set-up

int TSignalAcq::StoreModeFor(int channel) const {
    TShell& shell = Shell();
    const bool first = AccumCount_[SharedAcq_ ? 0 : Slot(channel)] == 0;
    switch (GetAcqMode(shell, channel)) {
        case amSample: return smSample;
        case amAvgStab: return smAvgStab;
        case amAvgMult: return smAvgMult;
        case amAvgMedian: return smAvgMedian;
        case amEnvMinMax: return first ? smEnvFirst : smEnvMinMax;
        case amEnvMax: return first ? smSample : smEnvMax;
        case amEnvMin: return first ? smSample : smEnvMin;
        case amPeak: return GetPeakDetectInterval(shell, channel) > PeakDoublingInterval ? smPeak : smSample;
        default: return smNone;
    }
}

void TSignalAcq::SetupChannelLayers(int channel, int timebase) {
    TShell& shell = Shell();
    const TAcqPassValues& v = *PassValues_;
    const std::size_t k = Slot(channel);
    const TInstrumentLink* link = shell.Link();
    RealInstrumentPass_ = link && link->IsInstrumentConnected() && !v.ChannelSimulated(channel);

    StoreMode_ = StoreModeFor(channel);
    const int r = ChannelSignalIndex(channel, timebase);
    TSignalRecords& records = *shell.Records();
    TSignalObj& rec = records.Record(r);
    records.BeginAcquiredPass(r);
    // A pass that starts nothing brings no data: its record keeps its state.
    if (StoreMode_ != smPeak) NewData_[k][static_cast<std::size_t>(timebase)] = true;
    rec.SetChangedFlags();
    TdrReadoutPending_ = true;

    const bool shown = records.SignalsOn().IsOn(r) && v.ChannelDisplayed(channel);
    const int style = shell.Display().SourceDisplayStyle(r);
    rec.SetLength(GetAcqCount(shell, channel));

    // Units and scales.
    const double atten = v.AttenuationFactor(channel);
    rec.SetVertUnit(v.UnitText(channel));
    const int tdrUnit = shell.Serial().TdrChannelState(channel);
    rec.SetTdrUnit(tdrUnit);
    WordGain_[k] = atten * VoltsPerCode;
    WordOffset_[k] = -atten * v.Offset(channel);
    if (v.TdrMode() != 0) {
        rec.SetTdrScale(v.TdrStepAmplitude(channel));
        rec.SetTdrOffset(v.TdrBaseLine(channel));
    }
    switch (tdrUnit) {
        case 0:
            rec.SetVertScale(atten * v.Scale(channel));
            rec.SetVertOffset(-atten * v.Offset(channel));
            break;
        case 1:
            rec.SetVertScale(v.RhoScale(channel));
            rec.SetVertOffset(-v.RhoOffset(channel));
            break;
        case 3:
            rec.SetVertScale(v.GainScale(channel));
            rec.SetVertOffset(-v.GainOffset(channel));
            break;
        default:
            rec.SetVertScale(v.OhmScale(channel));
            rec.SetVertOffset(-v.OhmOffset(channel));
            break;
    }
    PassLayer_[k] = shown;
    if (shown) shell.Display().SetAcqLayerScales(r, style, rec.GetDecimatedLength(), rec.VertScale(), rec.VertOffset());

    // Horizontal: the pass's delay is the channel's time origin; the record's origin leaves out the
    // deskew.
    PassDelay_ = v.TimeOrigin(channel, timebase);
    double perDivision = v.ActiveTimeScale();
    if (StoreMode_ == smPeak) perDivision *= 2;
    double interval = perDivision / 50 * 512 / std::max(rec.Length(), 1);
    double origin = PassDelay_ - v.Deskew(channel);
    static const char* const HorUnits[] = {"s", "Bit", "m", "ft", "in"};
    const int unit = std::clamp(v.HorizontalUnit(), 0, 4);
    if (unit != 0) {
        origin = v.TimeToUnit(unit, origin);
        interval = v.TimeToUnit(unit, interval);
    }
    if (unit >= 2) rec.SetDielectric(v.TdrDielectric());
    rec.SetHorUnit(HorUnits[unit]);
    rec.SetOrigin(origin);
    rec.SetSampleInterval(interval);

    rec.SetSpectrum(false);
    PassRecord_[k] = &rec;
    PassSource_[k] = r;
    MaskOnChannel_[k] = v.MaskTestOn() && v.MaskCompareSource() == r;

    const int averages = GetAcqIntSetting(shell, channel);
    if (StoreMode_ == smAvgStab) {
        if (AvgDepth_[k] < averages) ++AvgDepth_[k];
        else AvgDepth_[k] = averages;
        shell.Display().TopTextShowAcqState(channel, false);
    }
    if (StoreMode_ == smAvgMult || StoreMode_ == smAvgMedian) {
        InstrumentAverages_ = averages;
        InstrumentAvgMode_ = StoreMode_;
    } else {
        InstrumentAverages_ = 1;
        InstrumentAvgMode_ = StoreMode_ == smPeak ? 7 : 0;
    }
    PointsExpected_ = rec.Length();
    PointsReceived_ = 0;
}

int TSignalAcq::WaitAfterStartMs() const {
    int k = std::max<int>(1, static_cast<int>(RoundHalfEven(PointsExpected_ * 0.005)));
    if (!Shell().AppActive) k *= 5;
    return static_cast<int>(Trunc(PassValues_->Holdoff() * 700)) + k;
}

void TSignalAcq::StartInstrumentAcquisition(int passChannels) {
    TShell& shell = Shell();
    FirstSlot_ = passChannels == chCodeCh2 ? 3 : 2;
    LastSlot_ = passChannels == chCodeCh1 ? 2 : 3;
    CurrentSlot_ = FirstSlot_;
    SurplusBeeped_ = false;
    if (InstrumentAvgMode_ >= 7) return;
    TInstrumentLink* link = shell.Link();
    if (!link) return;
    {
        InOwnStart_ = true;
        struct TReset {
            bool& Flag;
            ~TReset() { Flag = false; }
        } reset{InOwnStart_};
        SyncSampleMode(shell);
        link->StartAcquisition(static_cast<std::uint8_t>(passChannels), static_cast<std::uint16_t>(PointsExpected_),
                               static_cast<std::uint16_t>(InstrumentAverages_), PassDelay_, RealInstrumentPass_);
    }
    if (!link->AcquisitionRunning()) return;
    StartedInCycle_ = true;
    LastWaitMs_ = WaitAfterStartMs();
    SetWaitMs(LastWaitMs_);
}

void TSignalAcq::SendAcquisitionSettings(std::uint8_t channels, std::uint16_t recordLength, std::uint16_t averages,
                                         double delay) {
    if (TInstrumentSenders* senders = Shell_ ? Shell_->Senders() : nullptr)
        senders->SendAcquisitionSettings(channels, recordLength, averages, delay);
}

void TSignalAcq::StartSimulatedAcquisition() {
    // A scripted source stands in for the simulator in tests.
    if (SimulatorSource_) return;
    if (TTutorial* sim = Shell_ ? Shell_->Simulator() : nullptr) sim->DemoStartAcquisition();
}

// ----------------------------------------------------------------------------------------- the stream

void TSignalAcq::ShowTrigWords(int words) {
    const auto& show = Shell_->Trigger.ShowTrigPresence;
    if (show && PassValues_->TrigMode() == 1 && PassValues_->TrigSource() == 0) show(words);
}

bool TSignalAcq::ReadAcqStream() {
    TAcqWordSource* source = PassSource();
    const std::uint16_t* words = nullptr;
    std::uint16_t n = 0;
    if (!source || !source->ReadAcqWords(words, n)) return false;
    if (n > MaxBlockWords) VT_INTERNAL_ERROR(Unit, "Too many words in one block");
    TDisplayServices& display = Shell().Display();
    PlotFirst_ = PlotEnd_ = {};
    if (n > 0) display.BeginSignalLayersUpdate();
    for (int i = 0; i < n; ++i) {
        const std::uint16_t w = words[i];
        if (w == FillerWord) continue;
        if (w == EndOfAcquisitionWord) {
            PlotQueued();
            if (TInstrumentLink* link = Shell().Link()) link->SetAcquisitionRunning(false);
            if (PointsReceived_ > PointsExpected_) VT_INTERNAL_ERROR(Unit, "More points than expected");
            TSignalRecords& records = *Shell().Records();
            if (PassChannels_ != chCodeCh2 && PassRecord_[0]) records.EndAcquiredPass(PassSource_[0]);
            if (PassChannels_ != chCodeCh1 && PassRecord_[1]) records.EndAcquiredPass(PassSource_[1]);
            display.EndSignalLayersUpdate();
            ShowTrigWords(i + 1);
            return true;
        }
        SlotWords_[static_cast<std::size_t>(CurrentSlot_ - 2)] = w;
        if (CurrentSlot_ != LastSlot_) {
            ++CurrentSlot_;
            continue;
        }
        if (PointsReceived_ >= PointsExpected_) {
            // Surplus words are dropped, yet the end word behind them still ends the pass.
            if (!SurplusBeeped_) {
                SurplusBeeped_ = true;
                Shell().User().Beep();
            }
            continue;
        }
        CurrentSlot_ = FirstSlot_;
        if (PassChannels_ != chCodeCh2) AddAcquiredPoint(ChannelIndex1, SlotWords_[0]);
        if (PassChannels_ != chCodeCh1) AddAcquiredPoint(ChannelIndex2, SlotWords_[1]);
        ++PointsReceived_;
    }
    PlotQueued();
    if (n > 0) display.EndSignalLayersUpdate();
    ShowTrigWords(n);
    return true;
}

void TSignalAcq::AddAcquiredPoint(int channel, std::uint16_t word) {
    const int i = PointsReceived_;
    const std::size_t k = Slot(channel);
    // Words of a start this engine did not set up have no record to go to.
    if (i > MaxSignalPoints - 1 || !PassRecord_[k]) return;
    TSignalObj& rec = *PassRecord_[k];
    const double v = ScaleRawValue(channel, word);
    const double* data = rec.Data1();
    const double p = data[i];
    switch (StoreMode_) {
        case smAvgStab: {
            const int depth = std::max(AvgDepth_[k], 1);
            rec.SetPoint(i, p + (v - p) / depth);
            break;
        }
        case smEnvFirst:
        case smEnvMinMax: {
            // Pairs of points: the even one the minimum, the odd one the maximum.
            if (i & 1) {
                if (v < data[i - 1]) rec.SetPoint(i - 1, v);
                else if (v > p) rec.SetPoint(i, v);
            } else if (StoreMode_ == smEnvFirst) {
                rec.SetPoint(i, v);
                if (i + 1 < MaxSignalPoints) rec.SetPoint(i + 1, v);
            } else {
                if (v < p) rec.SetPoint(i, v);
                else if (i + 1 < MaxSignalPoints && v > data[i + 1]) rec.SetPoint(i + 1, v);
            }
            if (i & 1) {
                const int r = PassSource_[k];
                if (PassLayer_[k]) {
                    QueuePlot(k, i - 1);
                    QueuePlot(k, i);
                }
                if (MaskOnChannel_[k]) {
                    Shell().Serial().MaskTestSample(r, i - 1);
                    Shell().Serial().MaskTestSample(r, i);
                }
            }
            return;
        }
        case smEnvMax:
            if (p < v) rec.SetPoint(i, v);
            break;
        case smEnvMin:
            if (p > v) rec.SetPoint(i, v);
            break;
        case smNone:
            break;
        default:
            rec.SetPoint(i, v);
            break;
    }
    // The layer is scaled in the record's unit: a TDR record shows rho, ohm or gain, not volts.
    if (PassLayer_[k]) QueuePlot(k, i);
    if (MaskOnChannel_[k]) Shell().Serial().MaskTestSample(PassSource_[k], i);
}

void TSignalAcq::QueuePlot(std::size_t k, int i) {
    if (PlotEnd_[k] > PlotFirst_[k] && i != PlotEnd_[k]) PlotQueued();
    if (PlotEnd_[k] == PlotFirst_[k]) PlotFirst_[k] = i;
    PlotEnd_[k] = i + 1;
}

void TSignalAcq::PlotQueued() {
    for (std::size_t k = 0; k < 2; ++k) {
        const int first = PlotFirst_[k];
        const int end = PlotEnd_[k];
        PlotFirst_[k] = PlotEnd_[k] = 0;
        if (end <= first || !PassRecord_[k]) continue;
        // A stored point is not changed again within its pass: the values are the ones just stored.
        const TSignalObj& rec = *PassRecord_[k];
        PlotValues_.resize(static_cast<std::size_t>(end - first));
        for (int j = first; j < end; ++j) PlotValues_[static_cast<std::size_t>(j - first)] = rec.GetPoint(j);
        Shell().Display().PutAcqPoints(PassSource_[k], first, PlotValues_);
    }
}

void TSignalAcq::ResetAccumulation() {
    AvgDepth_ = {};
    AccumCount_ = {};
}

// ------------------------------------------------------------------------------------------- the break

void TSignalAcq::BreakAcquisition(bool /*closing*/) { BreakAcquisitionHook(true); }

void TSignalAcq::BreakAcquisitionHook(bool afterBreak) {
    if (!Shell_ || InOwnStart_) return;
    TShell& shell = *Shell_;
    if (TInstrumentLink* link = shell.Link(); link && link->AcquisitionRunning()) {
        const int maxReads = shell.MainWindowClosing ? 3 : shell.StopInProgress ? 1 : 0;
        link->BreakRunningAcquisition(maxReads);
        // The simulator's own mark goes with the link's.
        if (TTutorial* sim = shell.Simulator()) sim->SetAcquisitionRunning(false);
        if (!shell.ProgramEnded) shell.FlagRegisterReadingEnabled = true;
    }
    WaitUntilMs_ = -1;
    CloseCycle();
    RestoreBrokenPasses();
    if (shell.AcqEnabled && !shell.ProgramEnded && afterBreak) AfterAcquisitionBreak();
    // A stop ends the cycle count here: the next Run counts from 1.
    if (!shell.RunOn && !shell.SingleOn) StopReadouts();
}

void TSignalAcq::RestoreBrokenPasses() {
    TSignalRecords* records = Shell().Records();
    if (!records) return;
    TDisplayServices& display = Shell().Display();
    for (int r = ssCh1; r <= ssCh2B2; ++r) {
        if (!records->RestoreBrokenPass(r)) continue;
        // The points the broken pass plotted go: a trace it drew into shows the restored record.
        if (Shell().ProgramEnded || !records->SignalsOn().IsOn(r) || !display.SignalLayerDrawn(r)) continue;
        display.DrawSignalLayer(r, display.SourceDisplayStyle(r), LayerPointsOf(records->Record(r)));
    }
}

void TSignalAcq::AfterAcquisitionBreak() {
    TShell& shell = Shell();
    ResetAccumulation();
    TCommandTree* tree = shell.CommandTree();
    if (ReadChoiceSetting(tree, "Meas:Display", 0) != 0) {
        shell.Display().InvalidateHisticons();
        shell.Analysis().RestartMeasStatistics();
    }
    // The eye switches the histogram off: its own mode alone decides.
    if (ReadChoiceSetting(tree, "Eye:Measure", 0) != 0) shell.Serial().RestartEyeAccumulation();
}

void TSignalAcq::StartFlagRegisterReading() {
    if (!Shell_) return;
    Shell_->FlagRegisterMode = true;
    BreakAcquisitionHook(false);
    Shell_->FlagRegisterReadingEnabled = true;
}

void TSignalAcq::StopFlagRegisterReading() {
    Shell().FlagRegisterMode = false;
    Shell().FlagRegisterReadingEnabled = false;
}

void TSignalAcq::NotifyHandler(const char* header) {
    if (TCommandTree* tree = Shell().CommandTree())
        if (THandler* h = tree->Resolve(header)) h->NotifySwitchers();
}

void TSignalAcq::StopRunMode() {
    Shell().RunOn = false;
    NotifyHandler("*Run");
}

void TSignalAcq::StopRunAndSingle() {
    StopRunMode();
    Shell().SingleOn = false;
    NotifyHandler("*StopSingle");
}

void TSignalAcq::StopReadouts() {
    if (AcqCount_[0] == 0 && AcqCount_[1] == 0) return;
    Shell().Display().TopTextShowAcqState(ChannelIndex1, true);
    Shell().Display().TopTextShowAcqState(ChannelIndex2, true);
    AcqCount_ = {};
}

void TSignalAcq::AfterCycleWhenStopped() {
    Shell().FlagRegisterReadingEnabled = true;
    StopReadouts();
}

bool TSignalAcq::PatternLockActive() {
    return Shell_ && Shell_->Trigger.PatternLockActive && Shell_->Trigger.PatternLockActive();
}

void TSignalAcq::RecheckPatternLock() {
    if (Shell_ && Shell_->Trigger.RecheckPatternLock) Shell_->Trigger.RecheckPatternLock();
}

}  // namespace vt
