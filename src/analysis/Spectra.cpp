#include "analysis/Spectra.h"

#include <algorithm>

#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "acq/ZoomViews.h"
#include "analysis/FftTransform.h"
#include "core/AsciiText.h"
#include "core/CommandTree.h"
#include "core/DotNumberText.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/UserServices.h"

namespace vt {

namespace {

constexpr const char* SourceItems = "Ch1,Ch1B2,Ch2,Ch2B2,F1,F2,F3,F4,M1,M2,M3,M4,S1,S2,XY,DB,Hist,Const,None";
// The menu offers Ch1 .. M4; a command may still name a spectrum.
constexpr std::uint32_t NotSpectrumSource = 0x7Fu << 12;

}  // namespace

std::string SpectrumHorUnit(std::string_view unit) {
    if (unit == "s") return "Hz";
    if (unit.empty() || SameText(unit, "Bit")) return "";
    return "1/" + std::string(unit);
}

std::string InverseSpectrumHorUnit(std::string_view unit) {
    if (unit.size() > 2 && unit.substr(0, 2) == "1/") return std::string(unit.substr(2));
    return "s";
}

bool ComputeSpectrum(TSignalObj& target, const TSignalObj& source, int window, std::string_view name) {
    const int n = source.Length();
    if (!IsFftSize(n)) return false;
    const double dt = source.SampleInterval();
    const std::string horUnit = SpectrumHorUnit(source.HorUnit());
    if (&target != &source) {
        target.Assign(source);
        std::copy_n(source.Data1(), n, target.Data1());
    }
    target.SetMathResult(true);
    target.SetLength(n);
    double* re = target.Data1();
    double* im = target.Data2();
    FftRealForward(n, re, im, FftWindowWeights(n, window));
    target.SetSpectrum(true);
    target.SetWindow(window);
    target.SetName(std::string(name));
    target.SetVertOffset(0);
    target.SetHorUnit(horUnit);
    target.SetSampleInterval(dt != 0 ? 1 / (n * dt) : 0);
    target.SetOrigin(0);
    return true;
}

void TSpectra::CreateFFTHandlers(TCommandTree& tree) {
    TSpider& root = tree.Root();
    Select_ = &root.AddRadioHandler("SHADOW:FFTSelect", {.Items = "Spectr1,Spectr2"});
    for (int k = 0; k < SpectrumCount; ++k) {
        const std::string node = "Spectr" + std::to_string(k + 1) + ":";
        THandlers& h = Handlers_[static_cast<std::size_t>(k)];
        const int source = SpectrSignalIndex(k);
        h.Display = &root.AddOnOffHandler(node + "Display", {.AfterChange = [this, k, source](THandler& hd) {
                                                                  Errors_[static_cast<std::size_t>(k)].clear();
                                                                  const bool on = static_cast<TOnOffHandler&>(hd).GetOn();
                                                                  if (TSignalRecords* r = Shell_.Records())
                                                                      r->SignalsOn().SetOn(source, on);
                                                                  Changed();
                                                              }});
        h.Source = &root.AddSignalSourceHandler(
            node + "Source", {.Items = SourceItems, .Initial = ssCh1, .ExcludedMask = NotSpectrumSource,
                              .AfterChange = [this](THandler&) { Changed(); }});
        h.Window = &root.AddRadioHandler(node + "Window", {.Items = "Rectang,Hamming,Hanning,Flattop,BlackHarr,KaiserBess",
                                                           .AfterChange = [this](THandler&) { Changed(); }});
    }
}

int TSpectra::Selected() const { return Select_ ? std::clamp(Select_->GetItemIndex(), 0, SpectrumCount - 1) : 0; }

void TSpectra::Changed() {
    if (SettingsChanged) SettingsChanged();
}

void TSpectra::Report(int k, const std::string& text) {
    std::string& kept = Errors_[static_cast<std::size_t>(k)];
    if (text == kept) return;
    kept = text;
    // Found by the acquisition cycle: nothing may wait for a person here.
    Shell_.ShowProgramMessage(text);
}

bool TSpectra::CalcSpectrum(int source) {
    const int k = source - ssS1;
    TSignalRecords* records = Shell_.Records();
    if (k < 0 || k >= SpectrumCount || !records) return false;
    const THandlers& h = Handlers_[static_cast<std::size_t>(k)];
    const int from = GetSource(h.Source);
    if (from < 0 || from >= SignalRecordCount) return false;
    const TSignalObj& input = records->Record(from);
    if (input.IsSpectrum()) {
        Report(k, records->Caption(from) + Shell_.LangStr("FFTErr1"));
        return false;
    }
    TSignalObj& target = records->Record(source);
    if (!ComputeSpectrum(target, input, h.Window ? h.Window->GetItemIndex() : 0, Shell_.LangStr("Spectrum"))) {
        Report(k, FormatDot(Shell_.LangStr("FFTErr2"), records->Caption(from), std::to_string(input.Length())));
        return false;
    }
    Errors_[static_cast<std::size_t>(k)].clear();
    target.UpdateMagnitudeMax();
    target.SetChangedFlags();
    if (Zoom) Zoom->LimitDerivedSignalZoom(source);
    return true;
}

}  // namespace vt
