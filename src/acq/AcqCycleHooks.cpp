// The end-of-cycle hooks and the idle housekeeping that the engine fills, the marking of new data,
// the automatic saves and the XY display.
#include <cstdio>

#include "acq/AcqSettings.h"
#include "acq/DerivedSignals.h"
#include "acq/SignalAcq.h"
#include "acq/SignalSources.h"
#include "acq/WaveformSaves.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"

namespace vt {

namespace {

constexpr int RunUntilNAcq = 1;
constexpr int MarkTypeXY = 3;

int Choice(TShell& shell, const char* path) { return ReadChoiceSetting(shell.CommandTree(), path, 0); }

bool RunUntilCount(TShell& shell) { return Choice(shell, "Acq:RunUntil") == RunUntilNAcq; }

}  // namespace

void TSignalAcq::FillCycleHooks(TShell& shell) {
    using R = TAcqCycleRow;
    TStoppableProcedures<R>& hooks = shell.AcqCycle;
    hooks.Add(R::SaveAcqWaveforms, [this](TShell& s) {
        if (RunUntilCount(s) && AcqEndSaveOn(s)) SaveAcqWaveforms();
        return false;
    });
    hooks.Add(R::JitterAnalysisStep, [](TShell& s) {
        if (!s.Serial().JitterAnalyserExists()) return false;
        s.Serial().JitterStep();
        return true;
    });
    hooks.Add(R::MarkAcquiredSignals, [this](TShell&) {
        // A waveform database on the screen keeps the derived sources as they are; none exists yet.
        MarkAcquiredSignals();
        Derived_->ReCalculateFuncAndSpectrGdeNado(false);
        return false;
    });
    hooks.Add(R::DrawXYDisplay, [this](TShell& s) {
        if (PassValues_->DisplayFormat() > 2) DrawXYDisplay();
        (void)s;
        return false;
    });
    hooks.Add(R::MarkRecordsShown, [](TShell& s) {
        TSignalRecords& records = *s.Records();
        for (int r = 0; r < SignalRecordCount; ++r)
            if (records.State(r) == srcFresh) records.SetState(r, srcUpToDate);
        if (records.XYState() == srcFresh) records.SetXYState(srcUpToDate);
        return false;
    });
    hooks.Add(R::UpdateScaleChangeFlags, [this](TShell& s) {
        s.Records()->FlagOfScalesChange().Update(PassValues_->DisplayFormat(), *s.Records());
        return false;
    });
    hooks.Add(R::UpdateMarkerLayers, [](TShell& s) {
        if (Choice(s, "Mark:Type") == MarkTypeXY) {
            s.Analysis().UpdateMarkerLayer(1);
            s.Analysis().UpdateMarkerLayer(2);
        }
        return false;
    });
    hooks.Add(R::TdrExcessReadout, [this](TShell& s) {
        if (TdrReadoutPending_) {
            TdrReadoutPending_ = false;
            s.Serial().ShowTdrExcess();
        }
        return false;
    });
    hooks.Add(R::UpdateHistogram, [](TShell& s) {
        const int source = ReadChoiceSetting(s.CommandTree(), "Hist:Source", ssNone);
        if (Choice(s, "Hist:Axis") != 0 && source >= 0 && source < SourceIndexCount &&
            s.Records()->SignalsOn().IsOn(source))
            s.Analysis().UpdateHistogram(1);
        return false;
    });
    hooks.Add(R::EyeAndMaskSteps, [](TShell& s) {
        s.Serial().UpdateEyeMeasurements();
        s.Serial().MaskTestStep();
        return false;
    });
    hooks.Add(R::ScaleChangeRefreshes, [](TShell& s) {
        if (!s.Records()->FlagOfScalesChange().AnyChanged()) return false;
        if (s.Records()->FlagOfScalesChange().FormatChanged() && s.RefreshChannelScales) s.RefreshChannelScales();
        s.Analysis().RefreshMarkersOnScaleChange();
        s.Analysis().RefreshHistWindowOnScaleChange(1);
        s.Analysis().RefreshHistWindowOnScaleChange(2);
        s.Serial().UpdateMaskScales();
        if (s.RefreshZoomOnScaleChange) s.RefreshZoomOnScaleChange();
        return false;
    });
    hooks.Add(R::StopAfterAcqCount, [this](TShell& s) {
        if (!RunUntilCount(s)) return false;
        const int n = static_cast<int>(ReadRealSetting(s.CommandTree(), "Acq:NAcq", 32));
        if (AcqCount_[0] >= n || AcqCount_[1] >= n) {
            if (AcqEndBeepOn(s)) s.User().Beep();
            StopRunAndSingle();
        }
        return false;
    });
    hooks.Add(R::AfterCycleWhenStopped, [this](TShell& s) {
        if (!s.RunOn) AfterCycleWhenStopped();
        return false;
    });
    hooks.Add(R::EndCycle, [this](TShell& s) {
        DisplayPending_ = false;
        CycleDone_ = false;
        s.IdleHousekeeping.Run(s);
        return false;
    });
}

void TSignalAcq::FillHousekeeping(TShell& shell) {
    using R = TIdleHousekeepingRow;
    TStoppableProcedures<R>& rows = shell.IdleHousekeeping;
    rows.Add(R::RedrawMaskLayer, [](TShell& s) {
        s.Serial().RedrawMaskLayer();
        return false;
    });
    rows.Add(R::UpdateMarkerLayers, [](TShell& s) {
        if (Choice(s, "Mark:Type") != 0) {
            s.Analysis().UpdateMarkerLayer(1);
            s.Analysis().UpdateMarkerLayer(2);
        }
        return false;
    });
    rows.Add(R::RedrawStaleSignals, [this](TShell&) {
        Derived_->RedrawStaleSignals();
        return false;
    });
    rows.Add(R::MeasureAcquisition, [](TShell& s) {
        s.Analysis().MeasureAcquisition();
        return false;
    });
    rows.Add(R::RecalcTdrReflections, [](TShell& s) {
        s.Serial().RecalcTdrReflections();
        return false;
    });
    rows.Add(R::RefreshMarkerReadouts, [](TShell& s) {
        s.Analysis().RefreshMarkerReadouts();
        return false;
    });
}

void TSignalAcq::MarkAcquiredSignals() {
    TSignalRecords& records = *Shell().Records();
    const TSignalsOn& on = records.SignalsOn();
    for (int ch : {ChannelIndex1, ChannelIndex2})
        for (int tb : {0, 1}) {
            const int r = ChannelSignalIndex(ch, tb);
            if (!on.IsOn(r)) records.SetState(r, srcOff);
            else if (NewData(ch, tb)) records.SetState(r, srcStale);
        }
    Derived_->SostaritjIliOtklFuncSpectrGdeNado();
    for (int ch : {ChannelIndex1, ChannelIndex2})
        for (int tb : {0, 1}) {
            if (!NewData(ch, tb)) continue;
            const int r = ChannelSignalIndex(ch, tb);
            if (on.IsOn(r)) records.SetState(r, srcFresh);
            NewData_[Slot(ch)][static_cast<std::size_t>(tb)] = false;
        }
    for (int m = ssM1; m <= ssM4; ++m)
        if (records.State(m) == srcStale) records.SetState(m, srcFresh);
}

bool TSignalAcq::SaveAcqWaveforms() {
    TShell& shell = Shell();
    const std::string prefix = AcqFilePrefix(shell);
    const int format = ReadChoiceSetting(shell.CommandTree(), "Acq:FileFormat", 0);
    static const char* const Extensions[] = {".wfm", ".txt", ".txty"};
    // The first failure stops Run and Single, so the message is not raised again by each cycle.
    const TBeforeSaveError stop = [this](const std::string&) {
        StopRunAndSingle();
        return true;
    };
    for (int ch : {ChannelIndex1, ChannelIndex2}) {
        const int source = ChannelSignalIndex(ch, 0);
        if (!shell.Records()->SignalsOn().IsOn(source)) continue;
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, "_%5.5d_Ch%d", AcqCount(ch), ChannelNumber(ch));
        const std::string path = prefix + suffix + Extensions[format >= 0 && format <= 2 ? format : 0];
        const bool ok = format == 0 ? SaveWaveformBinary(shell, source, path, stop)
                                    : SaveWaveformText(shell, source, path, format == 2, stop);
        if (!ok) return false;
    }
    return true;
}

void TSignalAcq::DrawXYDisplay() {
    TShell& shell = Shell();
    TSignalRecords& records = *shell.Records();
    records.SetXYState(srcFresh);
    const int y = PassValues_->YAxisSource();
    const int x = PassValues_->XAxisSource();
    // The axes offer records only; anything else draws nothing.
    if (x < 0 || x >= SignalRecordCount || y < 0 || y >= SignalRecordCount) return;
    const TSignalObj& xr = records.Record(x);
    const TSignalObj& yr = records.Record(y);
    TDisplayServices& display = shell.Display();
    const int xn = xr.GetDecimatedLength();
    const int yn = yr.GetDecimatedLength();
    display.SetXYLayerScales(display.XYDisplayStyle(), xn, xr.VertScale(), xr.VertOffset(), yn, yr.VertScale(),
                             yr.VertOffset());
    const int n = std::min(xn, yn);
    for (int i = 0; i < n; ++i) display.PutXYPoint(i, xr.GetDisplayValue(i), yr.GetDisplayValue(i));
}

}  // namespace vt
