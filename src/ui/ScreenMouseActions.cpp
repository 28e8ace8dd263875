#include "ui/ScreenMouseActions.h"

#include "acq/DerivedSignals.h"
#include "acq/SignalAcq.h"
#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "acq/Timebase.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"

namespace vt {

namespace {

class TAcqMouseActions : public TScreenMouseActions {
public:
    TAcqMouseActions(TShell& shell, TSignalAcq& acquisition, TTimebase& timebase)
        : Shell_(shell), Acq_(acquisition), Timebase_(timebase) {}

    void StartFlagRegisterReading() override { Acq_.StartFlagRegisterReading(); }
    void StopFlagRegisterReading() override { Acq_.StopFlagRegisterReading(); }
    void MoveSignalByDivisions(int source, double dy, double dx) override {
        if (TDerivedSignals* derived = Acq_.Derived()) derived->MoveSignalByDivisions(source, dy, dx);
    }
    void ShiftTimebaseDelay(int which, double x) override { Timebase_.ShiftTimebaseDelay(which, x); }
    void DragSignalOnScreen(const std::vector<int>& sources, double h, double b, double w, double x) override {
        if (TDerivedSignals* derived = Acq_.Derived()) derived->DragSignalOnScreen(sources, h, b, w, x);
    }
    bool IsTimebaseModeAB() const override { return Timebase_.IsTimebaseModeAB(); }
    bool IsTimebaseModeB() const override { return Timebase_.Mode() == tbmB; }
    // The horizontal scale is the shown fraction of the record itself: a spectrum's widest view (0.5)
    // shows half of it.
    double SourceZoom(int source) const override {
        const auto* scale = FindSetting<TEditHandler>(Shell_.CommandTree(), "Zoom:" + SourceShortName(source) + ":HorScale");
        return scale ? scale->GetValueAsDouble() : 1;
    }
    bool SourceIsSpectrum(int source) const override {
        const TSignalRecords* records = Shell_.Records();
        const TSignalObj* record = records ? records->FindRecord(source) : nullptr;
        return record && record->IsSpectrum();
    }

private:
    TShell& Shell_;
    TSignalAcq& Acq_;
    TTimebase& Timebase_;
};

}  // namespace

std::unique_ptr<TScreenMouseActions> MakeScreenMouseActions(TShell& shell, TSignalAcq& acquisition, TTimebase& timebase) {
    return std::make_unique<TAcqMouseActions>(shell, acquisition, timebase);
}

}  // namespace vt
