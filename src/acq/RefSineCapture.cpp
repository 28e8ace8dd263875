#include "acq/RefSineCapture.h"

#include <algorithm>

#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "acq/Trigger.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/StepSeries.h"
#include "link/InstrumentLink.h"

namespace vt {

namespace {

constexpr int CapturePoints = 1024;

double SourceFactorOf(int source) {
    switch (source) {
        case tsExtHF: return 32;
        case tsClockRecov: return 4;
        default: return 1;
    }
}

void SetOn(TCommandTree* tree, const char* path, bool on) {
    if (auto* h = FindSetting<TOnOffHandler>(tree, path)) h->SetOn(on);
}

void SetChoice(TCommandTree* tree, const char* path, const char* item) {
    auto* h = FindSetting<TRadioSwHandler>(tree, path);
    if (!h) return;
    if (const int index = h->FindItem(item); index >= 0) h->SetItemIndex(index);
}

// F4's operation: the re-timing by the reference sine, or back to the plain sum.
void SetF4Operation(TCommandTree* tree, bool refSine) { SetChoice(tree, "F4:Operat", refSine ? "mmm" : "Add"); }

}  // namespace

double RefSineTimeScale(double refFreq, int refDivider) {
    const double f = refFreq / std::max(refDivider, 1);
    return f > 0 ? CorrectNewVal1_2_5(2 / f / 10) : 0;
}

void TRefSineCapture::StartRefSineCapture() {
    TCommandTree* tree = Shell_.CommandTree();
    if (!tree) return;
    TInstrumentLink* link = Shell_.Link();
    if (link) link->BreakAcquisition(true);
    WriteRealSetting(tree, "Zoom:F4:Offset", 1);
    if (link && link->IsInstrumentConnected()) {
        link->SendOnOffCommand("Pattern:On", true);
        double frequency = link->QueryFloat("Pattern:TrigFreq");
        if (frequency == QueryFailedFloat) frequency = PatternRateUnreadable;
        link->SendOnOffCommand("Pattern:On", false);
        WriteRealSetting(tree, "Trig:RefFreq",
                         frequency * Prescale * SourceFactorOf(ReadChoiceSetting(tree, "Trig:Source", tsDirect)));
    }
    SetOn(tree, "Ch1:Display", true);
    SetOn(tree, "Ch2:Display", true);
    SetChoice(tree, "Acq:FitTo", "Multi");
    WriteRealSetting(tree, "Ch1:Deskew", 0);
    WriteRealSetting(tree, "Ch2:Deskew", 0);
    SetChoice(tree, "Ch2:Band", "Narrow");
    SavedScaleA_ = ReadRealSetting(tree, "TB:ScaleA", 1e-8);
    SavedMode_ = ReadChoiceSetting(tree, "TB:Mode", 0);
    SavedRecLen_ = ReadRealSetting(tree, "Acq:Ch2:RecLen", 512);
    SavedDisplay_ = ReadOnOffSetting(tree, "Ch1:Display", true);
    SavedAcquire_ = ReadOnOffSetting(tree, "Ch1:Acquire", true);
    const int divider = static_cast<int>(ReadRealSetting(tree, "Trig:RefDivider", 8));
    const double refFreq = ReadRealSetting(tree, "Trig:RefFreq", 1.25e9);
    Frequency_ = refFreq / std::max(divider, 1);
    if (const double scale = RefSineTimeScale(refFreq, divider); scale > 0) WriteRealSetting(tree, "TB:ScaleA", scale);
    WriteRealSetting(tree, "Acq:Ch2:RecLen", CapturePoints);
    SetOn(tree, "Ch1:Display", false);
    SetOn(tree, "Ch1:Acquire", false);
    SetChoice(tree, "TB:Mode", "A");
    Sum_.assign(CapturePoints, 0.0);
    Count_ = 0;
    Capturing_ = true;
}

void TRefSineCapture::RefSineCaptureStep() {
    if (!Capturing_) return;
    const TSignalObj& ch2 = Shell_.Records()->Record(ssCh2);
    const int n = std::min(ch2.Length(), CapturePoints);
    for (int i = 0; i < n; ++i) Sum_[static_cast<std::size_t>(i)] += ch2.Data1()[i];
    if (++Count_ < RefSineCaptureCount) return;
    RestoreCaptureSettings();
    TCommandTree* tree = Shell_.CommandTree();
    Average_.assign(static_cast<std::size_t>(n), 0.0);
    for (int i = 0; i < n; ++i) Average_[static_cast<std::size_t>(i)] = Sum_[static_cast<std::size_t>(i)] / Count_;
    Sine_ = std::make_unique<TRefSine>(Average_, ch2.Origin(), ch2.SampleInterval(), Frequency_);
    SetOn(tree, "F4:Display", true);
    SetF4Operation(tree, true);
}

void TRefSineCapture::RestoreCaptureSettings() {
    Capturing_ = false;
    TCommandTree* tree = Shell_.CommandTree();
    WriteRealSetting(tree, "TB:ScaleA", SavedScaleA_);
    WriteChoiceSetting(tree, "TB:Mode", SavedMode_);
    WriteRealSetting(tree, "Acq:Ch2:RecLen", SavedRecLen_);
    SetOn(tree, "Ch1:Display", SavedDisplay_);
    SetOn(tree, "Ch1:Acquire", SavedAcquire_);
}

void TRefSineCapture::StopRefSineCapture() {
    // Stopped before the capture ended: the time base and Ch1 are put back as the end would.
    if (Capturing_) RestoreCaptureSettings();
    Sine_.reset();
    TCommandTree* tree = Shell_.CommandTree();
    SetOn(tree, "F4:Display", false);
    SetF4Operation(tree, false);
}

}  // namespace vt
