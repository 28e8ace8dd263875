// The TDR/TDT measurements of the display pass.
#include <array>
#include <string>
#include <vector>

#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "core/EditHandlers.h"
#include "core/Handlers.h"
#include "core/Shell.h"
#include "core/UserServices.h"
#include "serial/TdrMeasurements.h"
#include "serial/TdrReadouts.h"
#include "serial/TdrSettings.h"

namespace vt {

namespace {
// The new-data flag of a record that the TDR measurements consume (0 and 1 are the measurements' and the eye's).
constexpr int TdrChangedConsumer = 2;

int ChannelOfSource(int source) { return source == 1 || source == 3 ? TdrChannel2 : TdrChannel1; }

// The language text with its %s, %s and %d filled in order.
std::string FillIn(std::string text, const std::vector<std::string>& values) {
    std::size_t at = 0;
    for (const std::string& v : values) {
        at = text.find('%', at);
        if (at == std::string::npos || at + 1 >= text.size()) break;
        text.replace(at, 2, v);
        at += v.size();
    }
    return text;
}
}  // namespace

bool TTdrSettings::MeasureOn() const { return Measure_ && Measure_->GetOn(); }

bool TTdrSettings::MeasureParam(const TSignalObj& record, TReflectParam& param) {
    const int channel = ChannelOfSource(param.Source);
    const TChannelHandlers& c = Channel(channel);
    const TSourceHandlers& s = Source(param.Source);
    int first = 0, last = 0;
    TdrWindowPoints(record, s.LeftMargins ? s.LeftMargins->GetValue() : 0,
                    s.RightMargins ? s.RightMargins->GetValue() : 4000, first, last);
    TTdrReference ref{.Negative = GetItemIndex(c.Polar) == 1,
                      .BaseLine = GetValue(c.BaseLine),
                      .RefAmpl = GetValue(c.RefAmpl),
                      .RefPlane = GetValue(c.RefPlane)};
    TTdrReading r = param.Side == TdrSideReflection ? ReflectionReading(record, param.Item, first, last, ref)
                                                    : TransmissionReading(record, param.Item, first, last, ref);
    if (!r.Valid) {
        param.Unit.clear();
        param.Annotation = {};
        return false;
    }
    param.Value = r.Value;
    param.Unit = r.Unit;
    param.Annotation = std::move(r);
    return true;
}

void TTdrSettings::WarnUncalibrated(int channel) {
    SetWarned(channel, true);
    std::string& shown = WarningShown_.at(Slot(channel));
    shown = FillIn(Shell_.LangStr("CalCorBeforeMeas"), {ModeName(), ModeName(), std::to_string(channel == TdrChannel2 ? 2 : 1)});
    Shell_.ShowProgramMessage(shown);
}

void TTdrSettings::WithdrawUncalibratedWarnings() {
    for (std::string& shown : WarningShown_) {
        if (!shown.empty()) Shell_.WithdrawProgramMessage(shown);
        shown.clear();
    }
}

void TTdrSettings::SetCalibrated(int channel, bool on) {
    Calibrated_.at(Slot(channel)) = on;
    std::string& shown = WarningShown_.at(Slot(channel));
    if (on && !shown.empty()) Shell_.WithdrawProgramMessage(shown);
    if (on) shown.clear();
}

void TTdrSettings::RecalcTdrReflections() {
    TSignalRecords* records = Shell_.Records();
    if (!records || !IsTdrActive() || !MeasureOn()) return;
    const int side = TdrModeIsTdr() ? TdrSideReflection : TdrSideTransmission;
    std::array<bool, 2> warnedNow{};
    for (int source = 0; source < 4; ++source) {
        const int index = TdrSignalOfChannel(source);
        if (!records->SignalsOn().IsOn(index)) continue;
        TSignalObj& record = records->Record(index);
        if (!record.ChangedFlag(TdrChangedConsumer)) continue;
        // Cleared before the work: a failing computation must not leave the record fresh.
        record.ClearChangedFlag(TdrChangedConsumer);
        if (records->FlagOfScalesChange().IsChanged(index)) {
            // The margins read as times of the record: a new scale shows them anew.
            const TSourceHandlers& s = Source(source);
            if (s.LeftMargins) s.LeftMargins->NotifySwitchers();
            if (s.RightMargins) s.RightMargins->NotifySwitchers();
        }
        if (Readouts) Readouts->EnsureDrawn();
        const int channel = ChannelOfSource(source);
        bool& warned = warnedNow[channel == TdrChannel2 ? 1 : 0];
        for (int i = 0; i < Params.Count(side); ++i) {
            TReflectParam& p = Params.Param(side, i);
            if (p.Source != source) continue;
            if (!Calibrated(channel) && !Warned(channel)) {
                // Once per mode change, and that pass measures nothing on the channel; later passes
                // measure, as reference values may have been typed in.
                WarnUncalibrated(channel);
                warned = true;
            }
            if (warned) continue;
            if (MeasureParam(record, p)) p.Stat.Add(1, p.Value);
            if (Readouts) {
                Readouts->ShowTdrParamStatistics(i);
                Readouts->RefreshTdrAnnotation(i, record);
            }
        }
    }
    if (ViewMargins_ && ViewMargins_->GetOn()) ShowMarginsLayer();
}

}  // namespace vt
